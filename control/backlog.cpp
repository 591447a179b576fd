#include "control/backlog.h"

#include <algorithm>

namespace varno {

void Backlog::setCapacity(std::size_t capacity) {
    capacity_ = capacity;
    while (lines_.size() > capacity_) {
        lines_.pop_front();
    }
}

void Backlog::onLine(const Runs& line, bool whisper) {
    if (capacity_ == 0 && !follower_) {
        return;
    }
    const std::string_view event = writer_.Write(line, whisper);
    if (capacity_ > 0) {
        if (lines_.size() == capacity_) {
            // The oldest line's room is taken again: no allocation once the backlog is full
            // of lines as long as the new one.
            Line oldest = std::move(lines_.front());
            lines_.pop_front();
            lines_.push_back(std::move(oldest));
        } else {
            lines_.emplace_back();
        }
        lines_.back().event.assign(event);
        lines_.back().text.assign(writer_.WriteText(line, whisper));
    }
    if (follower_) {
        follower_(event);
    }
}

std::vector<std::string_view> Backlog::Last(std::size_t n, bool text) const {
    const std::size_t count = std::min(n, lines_.size());
    std::vector<std::string_view> last;
    last.reserve(count);
    for (auto line = lines_.end() - static_cast<std::ptrdiff_t>(count); line != lines_.end();
         ++line) {
        last.emplace_back(text ? line->text : line->event);
    }
    return last;
}

}  // namespace varno
