#include "ui/window_memory.h"

#include <algorithm>

#include "base/whole_number.h"
#include "connection/ini_file.h"

namespace varno {
namespace {

constexpr std::string_view kSection = "Window";
// Larger than any desktop; a number past it is damage, not a place.
constexpr std::uint64_t kMaxPixels = 100000;

// A signed number of pixels: digits with an optional leading minus.
std::optional<int> ReadPixels(const std::string& path, std::string_view key) {
    const std::string text = ReadIniValue(kSection, key, path);
    const bool negative = text.starts_with('-');
    const auto value =
        ParseWholeNumber(std::string_view(text).substr(negative ? 1 : 0), kMaxPixels);
    if (!value || *value >= kMaxPixels) {
        return std::nullopt;
    }
    const int pixels = static_cast<int>(*value);
    return negative ? -pixels : pixels;
}

int Overlap(int a, int aLength, int b, int bLength) {
    return std::min(a + aLength, b + bLength) - std::max(a, b);
}

}  // namespace

bool OnAScreen(const ScreenRect& rect, const std::vector<ScreenRect>& screens) {
    return std::any_of(screens.begin(), screens.end(), [&](const ScreenRect& s) {
        return Overlap(rect.x, rect.width, s.x, s.width) >= kOnScreenPixels &&
               Overlap(rect.y, rect.height, s.y, s.height) >= kOnScreenPixels;
    });
}

WindowMemory::WindowMemory(std::string path, const std::string& keepSetting)
    : path_(std::move(path)), keepSetting_(keepSetting) {}

bool WindowMemory::Enabled() const {
    return SwitchedOn(keepSetting_);
}

std::optional<WindowPlace> WindowMemory::Read() const {
    const auto x = ReadPixels(path_, "X");
    const auto y = ReadPixels(path_, "Y");
    const auto width = ReadPixels(path_, "Width");
    const auto height = ReadPixels(path_, "Height");
    const auto maximised = ReadPixels(path_, "Maximised");
    if (!x || !y || !width || !height || *width <= 0 || *height <= 0) {
        return std::nullopt;
    }
    return WindowPlace{{*x, *y, *width, *height}, maximised.value_or(0) != 0};
}

std::optional<WindowPlace> WindowMemory::Recall(const std::vector<ScreenRect>& screens) {
    if (!Enabled()) {
        return std::nullopt;
    }
    kept_ = Read();
    read_ = true;
    if (kept_ && OnAScreen(kept_->rect, screens)) {
        return kept_;
    }
    return std::nullopt;
}

bool WindowMemory::Keep(const WindowPlace& place) {
    if (!Enabled()) {
        return true;
    }
    if (!read_) {
        kept_ = Read();
        read_ = true;
    }
    if (kept_ == place) {
        return true;
    }
    const std::string x = std::to_string(place.rect.x);
    const std::string y = std::to_string(place.rect.y);
    const std::string width = std::to_string(place.rect.width);
    const std::string height = std::to_string(place.rect.height);
    if (!WriteIniValues(kSection,
                        {{"X", x},
                         {"Y", y},
                         {"Width", width},
                         {"Height", height},
                         {"Maximised", place.maximised ? "1" : "0"}},
                        path_)) {
        return false;
    }
    kept_ = place;
    return true;
}

}  // namespace varno
