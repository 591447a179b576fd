#include "log/held_lines.h"

namespace varno {

void HeldLines::onLine(const Runs& line, bool whisper) {
    if (lines_.size() < kHeldLines) {
        lines_.emplace_back(line, whisper);
    }
}

void HeldLines::HandTo(LogSink* sink) {
    std::vector<std::pair<Runs, bool>> lines = std::move(lines_);
    lines_.clear();
    lines_.shrink_to_fit();
    if (sink == nullptr) {
        return;
    }
    for (const auto& [line, whisper] : lines) {
        sink->onLine(line, whisper);
    }
}

}  // namespace varno
