#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace varno {

inline constexpr int kTwipsPerPixel = 15;

// One control of the layout snapshot, in twips, with the window's client size at the moment
// of the snapshot. Properties a control does not have stay 0.
struct ControlRecord {
    std::int16_t top = 0;
    std::int16_t left = 0;
    std::int16_t width = 0;
    std::int16_t height = 0;
    std::int16_t clientHeight = 0;
    std::int16_t clientWidth = 0;
};

// Where a control goes, in twips. A property without a value is left as it is.
struct Geometry {
    std::optional<int> top;
    std::optional<int> left;
    std::optional<int> width;
    std::optional<int> height;

    friend bool operator==(const Geometry&, const Geometry&) = default;
};

// The controls' geometry for a client area of the given size in twips, one entry per record,
// each property computed from the snapshot alone in proportion to the client size: vertical
// ones by the height ratio, horizontal ones by the width ratio. A property whose recorded
// client size is 0 gets no value. A client area of size 0 (a minimised window) or an
// unusable size leaves every control as it is.
std::vector<Geometry> Relayout(const std::vector<ControlRecord>& records, double clientHeight,
                               double clientWidth);

// Pixels to twips for the snapshot, held to the range of a record field.
std::int16_t PixelsToTwips(int pixels);

// Twips to the nearest whole pixel.
int TwipsToPixels(int twips);

}  // namespace varno
