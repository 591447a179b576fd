#include "connection/send_queue.h"

#include <algorithm>
#include <vector>

#include "base/text_case.h"
#include "base/whole_number.h"

namespace varno {

std::uint64_t SendQueue::Units(std::size_t length) {
    return std::max<std::uint64_t>(1, (length + kBytesPerUnit - 1) / kBytesPerUnit);
}

std::optional<std::string_view> SendQueue::EmoteText(std::string_view line) {
    for (const std::string_view command : {std::string_view("/me "), std::string_view("/emote ")}) {
        if (line.size() >= command.size() &&
            EqualsIgnoreCase(line.substr(0, command.size()), command)) {
            return line.substr(command.size());
        }
    }
    return std::nullopt;
}

std::uint64_t SendQueue::LineUnits(std::string_view line) {
    const auto emote = EmoteText(line);
    return Units(line.size()) + (emote ? Units(emote->size()) : 0);
}

bool SendQueue::IsDropNotice(std::string_view text) {
    return text == "Your message quota has been exceeded!" ||
           (text.starts_with("You are sending commands to ") &&
            text.find(" too quickly") != std::string_view::npos);
}

SendQueue::Pace SendQueue::PaceOf(std::string_view quota, std::string_view window) {
    Pace pace;
    pace.quota = ParseWholeNumber(TrimBlanks(quota), kMaxQuota).value_or(pace.quota);
    pace.windowMs =
        static_cast<std::int64_t>(ParseWholeNumber(TrimBlanks(window), kMaxWindowMs)
                                      .value_or(static_cast<std::uint64_t>(pace.windowMs)));
    return pace;
}

bool SendQueue::BreaksLine(std::string_view line) {
    return line.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

SendQueue::Added SendQueue::Add(std::initializer_list<std::string_view> lines, Kind kind) {
    Added added = Added::Queued;
    if (pace_.on()) {
        for (const std::string_view line : lines) {
            if (TooLong(pace_, line)) {
                return Added::TooLong;
            }
        }
        if (waiting() + lines.size() > kMaxWaiting) {
            const std::size_t room = waiting() + lines.size() - kMaxWaiting;
            if (kind == Kind::Chat || kind == Kind::Typed || chat_.size() < room) {
                return Added::Full;
            }
            chat_.erase(chat_.begin(), chat_.begin() + static_cast<std::ptrdiff_t>(room));
            added = Added::QueuedPushingOutChat;
        }
    }
    auto& queue = kind == Kind::Moderation || kind == Kind::Probe ? moderation_ : chat_;
    for (const std::string_view line : lines) {
        queue.push_back({std::string(line), kind});
    }
    return added;
}

const SendQueue::Line& SendQueue::Next() const {
    return moderation_.empty() ? chat_.front() : moderation_.front();
}

void SendQueue::Pop() {
    if (moderation_.empty()) {
        chat_.pop_front();
    } else {
        moderation_.pop_front();
    }
}

std::uint64_t SendQueue::CountedUnits(std::int64_t nowMs) {
    const std::int64_t counted = CountedMs(pace_.windowMs);
    while (!written_.empty() && nowMs - written_.front().atMs >= counted) {
        written_.pop_front();
    }
    std::uint64_t units = 0;
    for (const Written& w : written_) {
        units += w.units;
    }
    return units;
}

std::size_t SendQueue::TakeDue(std::int64_t nowMs, std::string& out, std::vector<Line>* lines) {
    std::size_t taken = 0;
    if (Held(nowMs)) {
        return taken;
    }
    while (waiting() > 0) {
        const Line& line = Next();
        if (pace_.on()) {
            const std::uint64_t units = LineUnits(line.text);
            const std::uint64_t counted = CountedUnits(nowMs);
            // A line dearer than the whole quota goes alone, into an empty window.
            const bool fits = units <= pace_.quota ? counted + units <= pace_.quota : counted == 0;
            if (!fits) {
                break;
            }
            written_.push_back({nowMs, units});
        }
        out += line.text;
        out += "\r\n";
        if (lines) {
            lines->push_back(line);
        }
        Pop();
        ++taken;
    }
    return taken;
}

void SendQueue::Count(std::int64_t nowMs, std::size_t length) {
    if (pace_.on()) {
        written_.push_back({nowMs, Units(length)});
    }
}

void SendQueue::Hold(std::int64_t nowMs) {
    if (pace_.on()) {
        heldUntilMs_ = nowMs + pace_.windowMs;
    }
}

bool SendQueue::Held(std::int64_t nowMs) {
    if (heldUntilMs_ && (nowMs >= *heldUntilMs_ || !pace_.on())) {
        heldUntilMs_.reset();
    }
    return heldUntilMs_.has_value();
}

std::optional<std::int64_t> SendQueue::WaitMs(std::int64_t nowMs) {
    if (waiting() == 0) {
        return std::nullopt;
    }
    if (!pace_.on()) {
        return 0;
    }
    if (Held(nowMs)) {
        return *heldUntilMs_ - nowMs;
    }
    const std::uint64_t units = LineUnits(Next().text);
    const std::uint64_t counted = CountedUnits(nowMs);
    std::uint64_t toExpire = counted;
    if (units <= pace_.quota) {
        toExpire = counted + units > pace_.quota ? counted + units - pace_.quota : 0;
    }
    if (toExpire == 0) {
        return 0;
    }
    std::uint64_t expired = 0;
    for (const Written& w : written_) {
        expired += w.units;
        if (expired >= toExpire) {
            return std::max<std::int64_t>(0, w.atMs + CountedMs(pace_.windowMs) - nowMs);
        }
    }
    return 0;
}

std::vector<std::string> SendQueue::Discard() {
    std::vector<std::string> moderation;
    for (Line& line : moderation_) {
        if (line.kind == Kind::Moderation) {
            moderation.push_back(std::move(line.text));
        }
    }
    moderation_.clear();
    chat_.clear();
    return moderation;
}

void SendQueue::Restart() {
    Discard();
    written_.clear();
    heldUntilMs_.reset();
}

std::string WaitingLinesText(std::size_t waiting) {
    if (waiting == 0) {
        return "";
    }
    return std::to_string(waiting) + (waiting == 1 ? " line" : " lines") + " waiting to be sent";
}

}  // namespace varno
