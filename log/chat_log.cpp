#include "log/chat_log.h"

namespace varno {

void ChatLog::append(Colour colour, std::string_view text) {
    std::string stored = takeSpare();
    stored.assign(text);
    appendRun(Run{colour, std::move(stored)});
}

void ChatLog::append(Colour colour, std::initializer_list<std::string_view> pieces,
                     std::string_view end, RunMarks marks) {
    std::size_t size = end.size();
    for (const std::string_view piece : pieces) {
        size += piece.size();
    }
    std::string stored = takeSpare();
    stored.clear();
    stored.reserve(size);
    std::size_t linksFrom = kNoLinks;
    for (const std::string_view piece : pieces) {
        linksFrom = stored.size();
        stored += piece;
    }
    stored += end;
    appendRun(
        Run{colour, std::move(stored), marks.linkLastPiece ? linksFrom : kNoLinks, marks.mention});
}

void ChatLog::appendRun(Run run) {
    length_ += run.text.size();
    runs_.push_back(std::move(run));
    if (listener_) {
        listener_->onAppended(runs_.back());
    }
    if (onLine_) {
        collectLine(runs_.back());
    }
    if (onChange_) {
        ++depth_;
        onChange_();
        --depth_;
    }
}

void ChatLog::collectLine(const Run& run) {
    if (pending_.size() <= depth_) {
        pending_.resize(depth_ + 1);
    }
    pending_[depth_].push_back(run);
    if (!run.text.ends_with("\r\n")) {
        return;
    }
    // Taken out first: a line handler may write a line of its own to this log.
    const Runs line = std::move(pending_[depth_]);
    pending_[depth_].clear();
    onLine_(line);
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
        ++depth_;
        onChange_();
        --depth_;
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
