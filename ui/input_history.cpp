#include "ui/input_history.h"

namespace varno {

void InputHistory::Sent(std::string_view line) {
    Reset();
    if (line.empty()) {
        return;
    }
    lines_.emplace_back(line);
    if (lines_.size() > kLimit) {
        lines_.pop_front();
    }
}

std::optional<std::string> InputHistory::Up(std::string_view current) {
    if (!shown_) {
        if (lines_.empty()) {
            return std::nullopt;
        }
        typed_ = current;
        shown_ = lines_.size() - 1;
    } else if (*shown_ == 0) {
        return std::nullopt;
    } else {
        --*shown_;
    }
    return lines_[*shown_];
}

std::optional<std::string> InputHistory::Down() {
    if (!shown_) {
        return std::nullopt;
    }
    if (*shown_ + 1 == lines_.size()) {
        shown_.reset();
        return std::move(typed_);
    }
    ++*shown_;
    return lines_[*shown_];
}

void InputHistory::Reset() {
    shown_.reset();
    typed_.clear();
}

}  // namespace varno
