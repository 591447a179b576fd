#include "moderation/rate_limit.h"

#include "base/text_case.h"
#include "base/whole_number.h"

namespace varno {
std::optional<RateLimit> ParseRateLimit(std::string_view text) {
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
    return RateLimit{*count, static_cast<std::int64_t>(*seconds)};
}

}  // namespace varno
