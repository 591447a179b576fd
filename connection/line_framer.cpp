#include "connection/line_framer.h"

namespace varno {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// The length of a line whose bytes so far are `size` long: a CR at the very end may be the
// first half of the line end.
std::size_t LineSize(std::size_t size, bool endsInCr) {
    return endsInCr ? size - 1 : size;
}

}  // namespace

void LineFramer::feed(std::string_view bytes, const LineHandler& line) {
    if (bytes.empty()) {
        return;
    }
    const std::uint64_t generation = generation_;
    if (dropping_ && !finishDrop(bytes)) {
        return;
    }
    if (!carry_.empty() && (!finishCarry(bytes, line) || generation != generation_)) {
        return;
    }
    for (std::size_t end = bytes.find(kLineEnd); end != std::string_view::npos;
         end = bytes.find(kLineEnd)) {
        const std::string_view text = bytes.substr(0, end);
        bytes.remove_prefix(end + kLineEnd.size());
        hand(text, line);
        if (generation != generation_) {
            return;
        }
    }
    keep(bytes);
}

void LineFramer::reset() {
    carry_.clear();
    dropping_ = false;
    dropEndsInCr_ = false;
    ++generation_;
}

bool LineFramer::finishDrop(std::string_view& bytes) {
    if (dropEndsInCr_ && bytes.front() == '\n') {
        bytes.remove_prefix(1);
        dropping_ = false;
        return true;
    }
    const std::size_t end = bytes.find(kLineEnd);
    if (end == std::string_view::npos) {
        dropEndsInCr_ = bytes.back() == '\r';
        return false;
    }
    bytes.remove_prefix(end + kLineEnd.size());
    dropping_ = false;
    return !bytes.empty();
}

bool LineFramer::finishCarry(std::string_view& bytes, const LineHandler& line) {
    if (carry_.back() == '\r' && bytes.front() == '\n') {
        carry_.pop_back();
        bytes.remove_prefix(1);
    } else {
        const std::size_t end = bytes.find(kLineEnd);
        if (end == std::string_view::npos) {
            const bool endsInCr = bytes.back() == '\r';
            if (LineSize(carry_.size() + bytes.size(), endsInCr) > kMaxLine) {
                startDrop(endsInCr);
            } else {
                carry_.append(bytes);
            }
            return false;
        }
        if (carry_.size() + end > kMaxLine) {
            carry_.clear();
            bytes.remove_prefix(end + kLineEnd.size());
            return !bytes.empty();
        }
        carry_.append(bytes.substr(0, end));
        bytes.remove_prefix(end + kLineEnd.size());
    }
    // The line is handed out from a buffer of its own, so that a reset() from the handler
    // leaves the view intact; swapping keeps both buffers' capacity for later lines.
    handing_.swap(carry_);
    carry_.clear();
    hand(handing_, line);
    handing_.clear();
    return !bytes.empty();
}

void LineFramer::startDrop(bool endsInCr) {
    carry_.clear();
    dropping_ = true;
    dropEndsInCr_ = endsInCr;
}

void LineFramer::keep(std::string_view rest) {
    if (rest.empty()) {
        return;
    }
    const bool endsInCr = rest.back() == '\r';
    if (LineSize(rest.size(), endsInCr) > kMaxLine) {
        startDrop(endsInCr);
    } else {
        carry_.assign(rest);
    }
}

void LineFramer::hand(std::string_view text, const LineHandler& line) {
    if (!text.empty() && text.size() <= kMaxLine) {
        line(text);
    }
}

}  // namespace varno
