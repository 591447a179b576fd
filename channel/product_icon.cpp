#include "channel/product_icon.h"

#include <array>
#include <optional>
#include <utility>

namespace varno {

namespace {

constexpr std::array<std::pair<std::string_view, std::int16_t>, 11> kProducts{{
    {"[CHAT]", 2},
    {"[DRTL]", 3},
    {"[DSHR]", 4},
    {"[D2XP]", 12},
    {"[STAR]", 6},
    {"[SEXP]", 9},
    {"[SSHR]", 7},
    {"[W2BN]", 10},
    {"[D2DV]", 5},
    {"[JSTR]", 11},
    {"[BRX]", 13},
}};

// Flags are read as characters, not bits: only the third and fourth characters count.
// A speaker (fourth character "4") has no status icon of its own.
std::optional<std::int16_t> StatusIcon(std::string_view flags) {
    if (flags.size() < 4) {
        return std::nullopt;
    }
    const std::string_view tail = flags.substr(2, 2);
    if (tail[1] == '2') {
        return icon::kOperator;
    }
    if (tail == "20" || tail == "30") {
        return icon::kSquelched;
    }
    if (tail[1] == '1') {
        return icon::kStaff;
    }
    return std::nullopt;
}

}  // namespace

std::int16_t ProductIcon(std::string_view product, std::string_view flags) {
    std::int16_t result = icon::kNone;
    for (const auto& [tag, index] : kProducts) {
        if (product == tag) {
            result = index;
            break;
        }
    }
    return StatusIcon(flags).value_or(result);
}

bool SpeakerFlags(std::string_view flags) {
    return flags.size() >= 4 && flags[3] == '4';
}

std::int16_t FlagsIcon(std::string_view flags) {
    return StatusIcon(flags).value_or(icon::kNone);
}

}  // namespace varno
