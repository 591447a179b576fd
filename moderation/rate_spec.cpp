#include "moderation/rate_spec.h"

#include "connection/whole_number.h"

namespace varno {
namespace {

std::string_view TrimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::optional<RateSpec> ParseRateSpec(std::string_view text) {
    const auto slash = text.find('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    const auto count = ParseWholeNumber(TrimBlanks(text.substr(0, slash)), kRateCountMax);
    const auto seconds = ParseWholeNumber(TrimBlanks(text.substr(slash + 1)),
                                          static_cast<std::uint64_t>(kRateSecondsMax));
    if (!count || !seconds || *count == 0 || *seconds == 0) {
        return std::nullopt;
    }
    return RateSpec{*count, static_cast<std::int64_t>(*seconds)};
}

}  // namespace varno
