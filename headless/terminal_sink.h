#pragma once

#include <cstdio>
#include <string>

#include "log/log_sink.h"

namespace varno {

// Every log line on a stream (standard output) as PlainLine text, each written whole. With
// colour, each piece carries the 256-colour terminal escape nearest to its run's colour and
// the line ends by resetting the colour; control characters from the server never reach
// the terminal raw (see VisibleText).
class TerminalSink : public LogSink {
public:
    TerminalSink(std::FILE* out, bool colour) : out_(out), colour_(colour) {}

    void onLine(const Runs& line, bool whisper) override;

    // The line as it is written to the stream.
    std::string Render(const Runs& line, bool whisper) const;

private:
    std::FILE* out_;
    bool colour_;
};

// The index in the 256-colour terminal palette (its 6x6x6 cube and grey ramp) nearest to c.
int Ansi256(Colour c);

}  // namespace varno
