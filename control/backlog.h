#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "control/messages.h"
#include "log/log_sink.h"

namespace varno {

// The default of the Backlog key: the log lines kept for the control socket's clients.
inline constexpr std::size_t kDefaultBacklog = 1000;
inline constexpr std::size_t kMaxBacklog = 100000;

// The last lines of both logs, kept in memory for the control socket: each line as the JSON
// text of its log event (see LogEventWriter), made once, for the backlog and every client
// that follows the log alike, and as the JSON string of its text.
class Backlog : public LogSink {
public:
    explicit Backlog(std::size_t capacity = kDefaultBacklog) : capacity_(capacity) {}

    // Keeps at most this many lines from now on (the oldest go first).
    void setCapacity(std::size_t capacity);
    std::size_t capacity() const { return capacity_; }
    // Called with each new line's event (no line end), kept or not; lines are made only
    // while one is set or the capacity is above 0.
    void setFollower(std::function<void(std::string_view event)> follower) {
        follower_ = std::move(follower);
    }

    void onLine(const Runs& line, bool whisper) override;

    // The last n lines kept (all of them when fewer), oldest first: their events, or with
    // text their texts.
    std::vector<std::string_view> Last(std::size_t n, bool text = false) const;
    std::size_t size() const { return lines_.size(); }

private:
    std::size_t capacity_;
    struct Line {
        std::string event, text;
    };
    std::deque<Line> lines_;
    LogEventWriter writer_;
    std::function<void(std::string_view)> follower_;
};

}  // namespace varno
