#include "moderation/user_menu.h"

#include <algorithm>
#include <cstddef>

namespace varno {
namespace {

// Inserts before the entry at `position`; a position at or past the end appends.
void InsertAt(std::vector<MenuEntry>& menu, std::size_t position, MenuEntry entry) {
    const std::size_t at = std::min(position, menu.size());
    menu.insert(menu.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
}

}  // namespace

std::vector<MenuEntry> BuildUserMenu(const Edition& edition) {
    std::vector<MenuEntry> menu;
    InsertAt(menu, 0, {"Ban User", kMenuBan, false});
    InsertAt(menu, 0, {"Kick User", kMenuKick, false});
    InsertAt(menu, 1, {std::string(edition.userMenuSecond), kMenuSecond, false});
    InsertAt(menu, 4, {"", kMenuSeparator, true});
    InsertAt(menu, 4, {"Squelch", kMenuSquelch, false});
    InsertAt(menu, 5, {"Unsquelch", kMenuUnsquelch, false});
    return menu;
}

std::optional<std::string> UserMenuLine(const Edition& edition, int id, std::string_view name) {
    std::string line;
    switch (id) {
        case kMenuBan:
            line = "/ban ";
            break;
        case kMenuKick:
            line = "/kick ";
            break;
        case kMenuSecond:
            line = edition.userMenuSecondCommand;
            break;
        case kMenuSquelch:
            line = "/squelch ";
            break;
        case kMenuUnsquelch:
            line = "/unsquelch ";
            break;
        default:
            return std::nullopt;
    }
    line += name;
    return line;
}

Point MenuTopLeft(Point pointer, int menuWidth) {
    return {pointer.x - menuWidth, pointer.y};
}

}  // namespace varno
