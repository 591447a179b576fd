#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace varno::demo {

struct FloodLimits {
    std::int64_t windowMs = 5000;   // the rolling window the units are counted in
    std::size_t bytesPerUnit = 40;  // a line costs ceil(length / bytesPerUnit) units, at least 1
    std::size_t longestLine = 200;  // longer lines are refused
    int dropFrom = 5;               // a line that begins at this unit of the window is dropped
    int closeAt = 10;               // a line that brings the window to this many units closes
};

// The flood accounting of one connection. Every line counted costs its units, whether it is
// passed, dropped or refused; the units leave the window windowMs after their line came.
class FloodRule {
public:
    enum class Verdict { kPass, kTooLong, kDrop, kClose };

    explicit FloodRule(FloodLimits limits = {}) : limits_(limits) {}

    // Counts a line of `length` bytes (without its CR LF) arriving at nowMs.
    Verdict Charge(std::int64_t nowMs, std::size_t length);

    int unitsInWindow(std::int64_t nowMs);

private:
    struct Charged {
        std::int64_t atMs;
        int units;
    };

    FloodLimits limits_;
    std::deque<Charged> window_;
    int units_ = 0;
};

}  // namespace varno::demo
