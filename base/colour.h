#pragma once

#include <cstdint>

namespace varno {

// A 24-bit RGB colour, 0xRRGGBB.
using Colour = std::uint32_t;

namespace colour {
inline constexpr Colour kWhite = 0xFFFFFF;
inline constexpr Colour kGreen = 0x00FF00;
inline constexpr Colour kYellow = 0xFFFF00;
inline constexpr Colour kRed = 0xFF0000;
inline constexpr Colour kLightYellow = 0xFFFF80;
inline constexpr Colour kDarkGreen = 0x00C000;
inline constexpr Colour kLightGrey = 0xE0E0E0;
inline constexpr Colour kLightGreen = 0x80FF80;
inline constexpr Colour kSilver = 0xC0C0C0;
inline constexpr Colour kOrange = 0xFF9020;  // what the bot's own rules did
// The background of a line that names the operator: dark enough for every text colour.
inline constexpr Colour kMention = 0x4A3000;
}  // namespace colour

}  // namespace varno
