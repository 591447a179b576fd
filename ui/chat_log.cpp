#include "ui/chat_log.h"

namespace varno {

void ChatLog::append(Colour colour, std::string_view text) {
    runs_.push_back(Run{colour, std::string(text)});
    length_ += text.size();
    if (listener_) {
        listener_->onAppended(runs_.back());
    }
    if (onChange_) {
        onChange_();
    }
}

void ChatLog::clear() {
    runs_.clear();
    length_ = 0;
    if (listener_) {
        listener_->onCleared();
    }
    if (onChange_) {
        onChange_();
    }
}

std::string ChatLog::text() const {
    std::string all;
    all.reserve(length_);
    for (const Run& r : runs_) {
        all += r.text;
    }
    return all;
}

}  // namespace varno
