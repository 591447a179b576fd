#include "ui/chat_log.h"

namespace varno {

void ChatLog::append(Colour colour, std::string_view text) {
    std::string stored = takeSpare();
    stored.assign(text);
    appendRun(Run{colour, std::move(stored)});
}

void ChatLog::append(Colour colour, std::initializer_list<std::string_view> pieces,
                     std::string_view end) {
    std::size_t size = end.size();
    for (const std::string_view piece : pieces) {
        size += piece.size();
    }
    std::string stored = takeSpare();
    stored.clear();
    stored.reserve(size);
    for (const std::string_view piece : pieces) {
        stored += piece;
    }
    stored += end;
    appendRun(Run{colour, std::move(stored)});
}

void ChatLog::appendRun(Run run) {
    length_ += run.text.size();
    runs_.push_back(std::move(run));
    if (listener_) {
        listener_->onAppended(runs_.back());
    }
    if (onChange_) {
        onChange_();
    }
}

std::string ChatLog::takeSpare() {
    if (spare_.empty()) {
        return {};
    }
    std::string text = std::move(spare_.back());
    spare_.pop_back();
    return text;
}

void ChatLog::clear() {
    for (Run& run : runs_) {
        spare_.push_back(std::move(run.text));
    }
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
