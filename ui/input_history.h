#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace varno {

// The lines sent from the input line in this run, walked with Up and Down. Up from the line
// being typed shows the newest sent line, and each further Up an older one; Down walks back
// and, past the newest, gives back what was being typed.
class InputHistory {
public:
    static constexpr std::size_t kLimit = 100;

    // A line was sent from the input line. An empty line is not kept.
    void Sent(std::string_view line);
    // Up and Down with the input line holding current: the text to show instead, or nothing
    // when there is nowhere further to go.
    std::optional<std::string> Up(std::string_view current);
    std::optional<std::string> Down();
    // Back at the line being typed, with nothing kept of it (the input line was cleared).
    void Reset();

    std::size_t size() const { return lines_.size(); }

private:
    std::deque<std::string> lines_;     // oldest first
    std::optional<std::size_t> shown_;  // index of the line shown; nothing: the typed line
    std::string typed_;
};

}  // namespace varno
