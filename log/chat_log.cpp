#include "log/chat_log.h"

namespace varno {

void ChatLog::append(Colour colour, std::string_view text, RunMarks marks) {
    Run& run = newRun(colour, marks.linkLastPiece ? 0 : kNoLinks, marks.mention);
    run.text.assign(text);
    appended();
}

void ChatLog::append(Colour colour, std::initializer_list<std::string_view> pieces,
                     std::string_view end, RunMarks marks) {
    std::size_t size = end.size();
    for (const std::string_view piece : pieces) {
        size += piece.size();
    }
    Run& run = newRun(colour, kNoLinks, marks.mention);
    std::string& stored = run.text;
    stored.reserve(size);
    for (const std::string_view piece : pieces) {
        run.linksFrom = marks.linkLastPiece ? static_cast<std::uint32_t>(stored.size()) : kNoLinks;
        stored += piece;
    }
    stored += end;
    appended();
}

// The run is made in place at the end of the log, its text in the storage of a cleared
// run where there is one: nothing is moved or allocated on the way.
Run& ChatLog::newRun(Colour colour, std::uint32_t linksFrom, bool mention) {
    Run& run = runs_.emplace_back();
    run.colour = colour;
    run.linksFrom = linksFrom;
    run.mention = mention;
    if (!spare_.empty()) {
        run.text = std::move(spare_.back());
        spare_.pop_back();
        run.text.clear();
    }
    return run;
}

void ChatLog::appended() {
    const Run& run = runs_.back();
    length_ += run.text.size();
    if (listener_) {
        listener_->onAppended(run);
    }
    if (onLine_) {
        collectLine(run);
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
