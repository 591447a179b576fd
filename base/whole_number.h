#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace varno {

// A setting read as a whole number: decimal digits only, nothing else. Values past max are
// held at max instead of overflowing.
inline std::optional<std::uint64_t> ParseWholeNumber(std::string_view text, std::uint64_t max) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        value = value > (max - digit) / 10 ? max : value * 10 + digit;
    }
    return value;
}

// A setting that turns something on unless it holds 0: missing, empty or unreadable is on.
inline bool SwitchedOn(std::string_view setting) {
    return ParseWholeNumber(setting, 1).value_or(1) != 0;
}

}  // namespace varno
