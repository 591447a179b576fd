#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/edition.h"

namespace varno {

// Command identifiers of the user-list popup.
inline constexpr int kMenuUnsquelch = 1011;
inline constexpr int kMenuSquelch = 1012;
inline constexpr int kMenuSecond = 1014;  // "Designate", or "Whois" in 2.00
inline constexpr int kMenuBan = 1015;
inline constexpr int kMenuKick = 1016;
inline constexpr int kMenuSeparator = 2000;

// One entry of the popup; a separator has no text and cannot be chosen.
struct MenuEntry {
    std::string text;
    int id = 0;
    bool separator = false;

    friend bool operator==(const MenuEntry&, const MenuEntry&) = default;
};

// The popup's entries from top to bottom: Kick User, Designate (Whois), Ban User, a
// separator, Squelch, Unsquelch.
std::vector<MenuEntry> BuildUserMenu(const Edition& edition);

// The line that choosing the entry `id` sends for the user `name`, taken as the list shows
// it. Nothing for a dismissed menu (0), the separator or an unknown identifier.
std::optional<std::string> UserMenuLine(const Edition& edition, int id, std::string_view name);

struct Point {
    int x = 0;
    int y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

// Where a popup of the given width goes so that its right edge is at the pointer.
Point MenuTopLeft(Point pointer, int menuWidth);

}  // namespace varno
