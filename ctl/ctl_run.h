#pragma once

#include "ctl/ctl_options.h"

namespace varno {

// Runs varnoctl's command against the bot its options name: connects, reads the greeting,
// sends the request, waits for the answer (at most --wait seconds), prints it, and for log -f
// prints every new line until the bot goes. Returns the exit status.
int RunCtl(const CtlOptions& options);

}  // namespace varno
