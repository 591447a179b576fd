#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "log/log_sink.h"

namespace varno {

// Keeps the lines logged before their place on disk is known (the start's first lines come
// before the settings that name it), to hand them on once it is. It keeps the first
// kHeldLines lines; past them, lines are let go.
class HeldLines : public LogSink {
public:
    static constexpr std::size_t kHeldLines = 200;

    void onLine(const Runs& line, bool whisper) override;

    // Gives every line held to sink, in order (none: lets them go), and keeps none from then
    // on.
    void HandTo(LogSink* sink);
    std::size_t size() const { return lines_.size(); }

private:
    std::vector<std::pair<Runs, bool>> lines_;
};

}  // namespace varno
