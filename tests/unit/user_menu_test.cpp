#include "moderation/user_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varno {
namespace {

TEST(UserMenu, EntriesInOrderForBothEditions) {
    struct Case {
        const Edition& edition;
        std::string second;
    };
    for (const Case& c : {Case{Edition::v201(), "Designate"}, Case{Edition::v200(), "Whois"}}) {
        const std::vector<MenuEntry> expected = {
            {"Kick User", 1016, false}, {c.second, 1014, false},  {"Ban User", 1015, false},
            {"", 2000, true},           {"Squelch", 1012, false}, {"Unsquelch", 1011, false},
        };
        EXPECT_EQ(BuildUserMenu(c.edition), expected) << c.second;
    }
}

TEST(UserMenu, LineForEachChoice) {
    struct Case {
        const Edition& edition;
        int id;
        std::optional<std::string> line;
    };
    const std::string name = " Bob\xE9[x] ";
    const Case cases[] = {
        {Edition::v201(), 1015, "/ban " + name},
        {Edition::v201(), 1016, "/kick " + name},
        {Edition::v201(), 1014, "/designate " + name},
        {Edition::v200(), 1014, "/whois " + name},
        {Edition::v201(), 1012, "/squelch " + name},
        {Edition::v200(), 1011, "/unsquelch " + name},
        {Edition::v201(), 0, std::nullopt},
        {Edition::v201(), 2000, std::nullopt},
        {Edition::v200(), 1013, std::nullopt},
        {Edition::v201(), -1, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UserMenuLine(c.edition, c.id, name), c.line) << c.id;
    }
}

TEST(UserMenu, RightEdgeAtThePointer) {
    EXPECT_EQ(MenuTopLeft({500, 300}, 120), (Point{380, 300}));
    EXPECT_EQ(MenuTopLeft({50, 7}, 120), (Point{-70, 7}));
}

}  // namespace
}  // namespace varno
