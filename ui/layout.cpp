#include "ui/layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace varno {
namespace {

bool UsableClientSize(double size) {
    return std::isfinite(size) && size > 0;
}

// clientSize / recordedClient * recorded, rounded to the nearest twip; nothing when the
// recorded client size is 0 or the result does not fit.
std::optional<int> Scale(double clientSize, std::int16_t recordedClient, std::int16_t recorded) {
    if (recordedClient == 0) {
        return std::nullopt;
    }
    const double value = std::round(clientSize / recordedClient * recorded);
    if (!(value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max())) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

}  // namespace

std::vector<Geometry> Relayout(const std::vector<ControlRecord>& records, double clientHeight,
                               double clientWidth) {
    std::vector<Geometry> out(records.size());
    if (!UsableClientSize(clientHeight) || !UsableClientSize(clientWidth)) {
        return out;
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        const ControlRecord& r = records[i];
        out[i].top = Scale(clientHeight, r.clientHeight, r.top);
        out[i].left = Scale(clientWidth, r.clientWidth, r.left);
        out[i].width = Scale(clientWidth, r.clientWidth, r.width);
        out[i].height = Scale(clientHeight, r.clientHeight, r.height);
    }
    return out;
}

std::int16_t PixelsToTwips(int pixels) {
    const long long twips = static_cast<long long>(pixels) * kTwipsPerPixel;
    return static_cast<std::int16_t>(std::clamp<long long>(
        twips, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

int TwipsToPixels(int twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

}  // namespace varno
