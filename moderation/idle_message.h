#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/edition.h"

namespace varno {

// The once-a-second timer that keeps the bot visible: every 30th tick it has a line to send,
// the idle emote ("/me " + the Idle setting + the edition's tag) or, in an edition without
// an idle tag, the keep-alive command. The count runs whether or not a line can be sent.
class IdleMessage {
public:
    explicit IdleMessage(const Edition& edition);

    // One tick. Returns the line due for SendChat, if this tick is the 30th.
    std::optional<std::string> Timer2_Timer(std::string_view idleSetting);

private:
    static constexpr std::int32_t kTicksPerMessage = 30;

    const Edition& edition_;
    std::int32_t IdleTicks = 0;
};

}  // namespace varno
