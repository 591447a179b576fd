#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varno {

// The file beside Varno.ini that keeps where the window was; Varno.ini itself is written
// only by the options dialog.
inline constexpr std::string_view kWindowFile = "window.ini";

// A rectangle in the desktop's pixels.
struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// Where the window was: its place when not maximised, and whether it was maximised.
struct WindowPlace {
    ScreenRect rect;
    bool maximised = false;

    friend bool operator==(const WindowPlace&, const WindowPlace&) = default;
};

// A window is taken as on a screen when at least this much of it, across and down, is on
// one screen.
inline constexpr int kOnScreenPixels = 48;

// Whether a window at rect can be reached on one of the screens (each its geometry).
bool OnAScreen(const ScreenRect& rect, const std::vector<ScreenRect>& screens);

// Keeps the window's place between runs in the [Window] section of window.ini, unless the
// KeepWindow key is 0. The file is written whole through a temporary file, and only when the
// place differs from what it holds.
class WindowMemory {
public:
    // keepSetting: the KeepWindow key as read; it is followed as it changes.
    WindowMemory(std::string path, const std::string& keepSetting);

    // The place to open at: the one kept, when there is one that is whole and on one of
    // these screens; otherwise none (the window opens at its centred default).
    std::optional<WindowPlace> Recall(const std::vector<ScreenRect>& screens);
    // Keeps the place, writing the file when it differs from the kept one. Returns false
    // only when writing failed.
    bool Keep(const WindowPlace& place);

private:
    bool Enabled() const;
    std::optional<WindowPlace> Read() const;

    const std::string path_;
    const std::string& keepSetting_;
    std::optional<WindowPlace> kept_;  // what the file holds, once read or written
    bool read_ = false;
};

}  // namespace varno
