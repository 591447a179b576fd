#include "control/backlog.h"

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
            std::string oldest = std::move(lines_.front());
            lines_.pop_front();
            oldest.assign(event);
            lines_.push_back(std::move(oldest));
        } else {
            lines_.emplace_back(event);
        }
    }
    if (follower_) {
        follower_(event);
    }
}

std::vector<std::string_view> Backlog::Last(std::size_t n) const {
    const std::size_t from = lines_.size() > n ? lines_.size() - n : 0;
    return {lines_.begin() + static_cast<std::ptrdiff_t>(from), lines_.end()};
}

}  // namespace varno
