#pragma once

#include <string>
#include <string_view>

#include "control/messages.h"
#include "ctl/ctl_options.h"

namespace varno {

// The request line a command of varnoctl sends (with its line end), its id 1. colour: as for
// RenderAnswer; a log that is printed as plain text asks for the lines' text alone.
std::string CtlRequestLine(const CtlOptions& options, bool colour);

// What varnoctl prints for an answer, and its exit status.
struct CtlOutput {
    std::string out;  // standard output
    std::string err;  // standard error: one line, "varnoctl: ..."
    int status = kCtlOk;
};
// colour: log lines as VarnoBot writes them on a terminal, else as plain text.
CtlOutput RenderAnswer(const CtlOptions& options, const Message& answer, bool colour);
// A log event of log -f; nothing for the other events and for one that is not a log line.
std::string RenderLogEvent(const Message& event, bool colour);
// The one line when the wait ended first.
CtlOutput WaitEnded(const CtlOptions& options);
// The status for an error answer's code.
int StatusForCode(std::string_view code);

}  // namespace varno
