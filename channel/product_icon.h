#pragma once

#include <cstdint>
#include <string_view>

namespace varno {

// Indexes into the roster's image list; 0 means no icon.
namespace icon {
inline constexpr std::int16_t kNone = 0;
inline constexpr std::int16_t kOperator = 1;
inline constexpr std::int16_t kSquelched = 13;
inline constexpr std::int16_t kStaff = 14;
inline constexpr std::int16_t kCount = 14;
}  // namespace icon

// The icon of a user entering the roster: the product tag's icon (exact, case-sensitive
// match), replaced by a status icon when the flags show one.
std::int16_t ProductIcon(std::string_view product, std::string_view flags);

// Whether the flags mark a speaker (fourth character "4"), who keeps the product icon.
bool SpeakerFlags(std::string_view flags);

// The icon of a user whose flags changed: the status icon the flags show, else none.
std::int16_t FlagsIcon(std::string_view flags);

}  // namespace varno
