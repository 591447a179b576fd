#pragma once

#include <string>
#include <string_view>

namespace varno {

// Width of the tip field of the notification-icon record.
inline constexpr std::size_t kTrayTipWidth = 64;

// The tip field as the record holds it: the caption and one NUL, left-aligned, padded with
// blanks to 64 characters or cut at 64.
std::string TrayTipRecord(std::string_view caption);

// What the notification area shows of that field: the characters before the first NUL.
std::string TrayTipText(std::string_view caption);

}  // namespace varno
