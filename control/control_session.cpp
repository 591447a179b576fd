#include "control/control_session.h"

#include "control/request.h"

namespace varno {

bool ControlSession::Read(std::string_view bytes, const LineFn& line) {
    if (tooLong_) {
        return false;
    }
    in_.append(bytes);
    std::size_t start = 0;
    for (std::size_t end = in_.find('\n', scanned_); end != std::string::npos;
         end = in_.find('\n', start)) {
        const bool cr = end > start && in_[end - 1] == '\r';  // its line end, with the LF
        if (end - start > kMaxRequestBytes + (cr ? 1 : 0)) {
            tooLong_ = true;
            break;
        }
        std::string_view text = std::string_view(in_).substr(start, end - start);
        if (text.ends_with('\r')) {
            text.remove_suffix(1);
        }
        line(text);
        start = end + 1;
    }
    in_.erase(0, start);
    scanned_ = in_.size();
    // A CR after a whole line's bytes may be its line end still.
    if (tooLong_ || in_.size() > kMaxRequestBytes + (in_.ends_with('\r') ? 1 : 0)) {
        tooLong_ = true;
        in_.clear();
        in_.shrink_to_fit();
        return false;
    }
    return true;
}

void ControlSession::ReadEnd(const LineFn& line) {
    inputEnded_ = true;
    if (!tooLong_ && !in_.empty()) {
        std::string rest = std::move(in_);
        in_.clear();
        line(rest.ends_with('\r') ? std::string_view(rest).substr(0, rest.size() - 1)
                                  : std::string_view(rest));
    }
}

bool ControlSession::Queue(std::string_view bytes) {
    if (waiting().size() + bytes.size() > kMaxWaitingBytes) {
        return false;
    }
    if (sent_ > 0 && sent_ >= out_.size() / 2) {
        out_.erase(0, sent_);
        sent_ = 0;
    }
    out_.append(bytes);
    return true;
}

bool ControlSession::QueueLine(std::string_view bytes) {
    if (waiting().size() + bytes.size() + 1 > kMaxWaitingBytes || !Queue(bytes)) {
        return false;
    }
    out_ += '\n';
    return true;
}

void ControlSession::Wrote(std::size_t n) {
    sent_ += n;
    if (sent_ == out_.size()) {
        out_.clear();
        sent_ = 0;
    }
}

}  // namespace varno
