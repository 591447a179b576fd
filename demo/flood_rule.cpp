#include "demo/flood_rule.h"

#include <algorithm>

namespace varno::demo {

int FloodRule::unitsInWindow(std::int64_t nowMs) {
    while (!window_.empty() && nowMs - window_.front().atMs >= limits_.windowMs) {
        units_ -= window_.front().units;
        window_.pop_front();
    }
    return units_;
}

FloodRule::Verdict FloodRule::Charge(std::int64_t nowMs, std::size_t length) {
    const std::size_t perUnit = std::max<std::size_t>(limits_.bytesPerUnit, 1);
    const int units = static_cast<int>(std::max<std::size_t>((length + perUnit - 1) / perUnit, 1));
    const int before = unitsInWindow(nowMs);
    window_.push_back({nowMs, units});
    units_ += units;
    if (units_ >= limits_.closeAt) {
        return Verdict::kClose;
    }
    if (before + 1 >= limits_.dropFrom) {
        return Verdict::kDrop;
    }
    return length > limits_.longestLine ? Verdict::kTooLong : Verdict::kPass;
}

}  // namespace varno::demo
