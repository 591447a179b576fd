#pragma once

#include "log/log_run.h"

namespace varno {

// A place beside the window's views where logged lines go: a file on disk, a terminal. It
// gets every whole line once, as the log holds it: the white timestamp prefix first, the
// last run ending in CR LF. `whisper` tells that the line went to the whisper log; an
// edition without one writes whispers to the main log, where they are not told apart.
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void onLine(const Runs& line, bool whisper) = 0;
};

}  // namespace varno
