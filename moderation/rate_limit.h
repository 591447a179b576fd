#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace varno {

// A limit written "N/S": N events within S seconds.
struct RateLimit {
    std::uint64_t count = 0;
    std::int64_t seconds = 0;

    std::int64_t windowMs() const { return seconds * 1000; }

    friend bool operator==(const RateLimit&, const RateLimit&) = default;
};

inline constexpr std::uint64_t kRateCountMax = 1000;
inline constexpr std::int64_t kRateSecondsMax = 86400;

// The limit in a setting: two whole numbers around a "/", blanks around either allowed.
// Empty or malformed text, and a count or a time of 0, mean the rule is off. A count past
// kRateCountMax or a time past kRateSecondsMax is held at that bound.
std::optional<RateLimit> ParseRateLimit(std::string_view text);

}  // namespace varno
