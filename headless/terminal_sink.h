#pragma once

#include <cstdio>
#include <string>

#include "log/log_sink.h"

namespace varno {

// Every log line on a stream (standard output) as PlainLine text, each written whole; with
// colour, as ColouredLine. With priorities (for the journal), a line without
// colour starts with a syslog priority: "<3>" (error) when a piece of it is red, else "<6>".
class TerminalSink : public LogSink {
public:
    TerminalSink(std::FILE* out, bool colour, bool priorities = false)
        : out_(out), colour_(colour), priorities_(priorities && !colour) {}

    void onLine(const Runs& line, bool whisper) override;

    // The line as it is written to the stream.
    std::string Render(const Runs& line, bool whisper) const;

private:
    std::FILE* out_;
    bool colour_;
    bool priorities_;
};

}  // namespace varno
