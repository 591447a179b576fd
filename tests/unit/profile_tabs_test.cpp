#include "ui/profile_tabs.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace varno {
namespace {

ProfileTabs TabsOf(std::size_t count, std::size_t shown) {
    ProfileTabs tabs;
    for (std::size_t i = 0; i < count; ++i) {
        tabs.Insert(i, i == 0 ? "" : "p" + std::to_string(i));
    }
    tabs.Show(shown);
    return tabs;
}

TEST(ProfileTabs, TheKeysGoRoundTheTabsAndAltNToTheTabOfThatNumber) {
    using Tab = std::optional<std::size_t>;
    const struct {
        std::size_t count, shown;
        Tab next, previous;
    } steps[] = {
        {1, 0, std::nullopt, std::nullopt}, {2, 0, 1, 1}, {3, 0, 1, 2}, {3, 2, 0, 1}, {10, 9, 0, 8},
    };
    for (const auto& s : steps) {
        const ProfileTabs tabs = TabsOf(s.count, s.shown);
        EXPECT_EQ(tabs.Step(+1), s.next) << s.count << " tabs, " << s.shown << " shown";
        EXPECT_EQ(tabs.Step(-1), s.previous) << s.count << " tabs, " << s.shown << " shown";
    }
    const struct {
        std::size_t count;
        int number;
        Tab tab;
    } numbers[] = {
        {3, 1, 0},
        {3, 3, 2},
        {3, 4, std::nullopt},
        {9, 9, 8},
        {8, 9, std::nullopt},
        {10, 9, 8},
        {10, 10, std::nullopt},
        {10, 0, std::nullopt},
        {1, 1, 0},
    };
    for (const auto& n : numbers) {
        EXPECT_EQ(TabsOf(n.count, 0).Numbered(n.number), n.tab)
            << "Alt+" << n.number << " of " << n.count;
    }
}

TEST(ProfileTabs, AHiddenTabIsMarkedUntilShownAndAMentionOutranksALine) {
    ProfileTabs tabs = TabsOf(3, 0);
    tabs.LineArrived(0);
    tabs.Addressed(0);
    EXPECT_EQ(tabs.mark(0), TabMark::None) << "the tab shown";
    tabs.LineArrived(1);
    EXPECT_EQ(tabs.mark(1), TabMark::Line);
    tabs.Addressed(1);
    tabs.LineArrived(1);
    EXPECT_EQ(tabs.mark(1), TabMark::Mention);
    tabs.Addressed(2);
    tabs.Show(1);
    EXPECT_EQ(tabs.mark(1), TabMark::None);
    EXPECT_EQ(tabs.mark(2), TabMark::Mention);
    tabs.Remove(1);  // the tab shown goes: its right neighbour is shown, and seen
    EXPECT_EQ(tabs.shown(), 1U);
    EXPECT_EQ(tabs.profile(1), "p2");
    EXPECT_EQ(tabs.mark(1), TabMark::None);
}

TEST(ProfileTabs, TabsComeInTheOrderOfTheirProfilesAndTheShownOneStays) {
    ProfileTabs tabs;
    for (const char* name : {"", "bot", "Zed", "clan", "a-1"}) {
        const std::size_t at = tabs.PlaceFor(name);
        tabs.Insert(at, name);
        if (std::string(name) == "bot") {
            tabs.Show(at);
        }
    }
    std::vector<std::string> order;
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        order.push_back(tabs.profile(i));
    }
    EXPECT_EQ(order, (std::vector<std::string>{"", "Zed", "a-1", "bot", "clan"}));
    EXPECT_EQ(tabs.profile(tabs.shown()), "bot");
    tabs.Remove(0);
    EXPECT_EQ(tabs.profile(tabs.shown()), "bot");
    tabs.Remove(tabs.size() - 1);  // the last, after the one shown
    EXPECT_EQ(tabs.profile(tabs.shown()), "bot");
    tabs.Remove(tabs.shown());  // the last of all: the one before it is shown
    EXPECT_EQ(tabs.profile(tabs.shown()), "a-1");
}

TEST(ProfileTabs, LabelsAndTitlesNameTheAccountAsTheViewsShowIt) {
    ProfileTabs tabs;
    tabs.Insert(0, "");
    EXPECT_EQ(tabs.Label(0), "Varno") << "no account yet";
    EXPECT_EQ(tabs.Titled(0, "Whisper from bob"), "Whisper from bob") << "one profile";
    tabs.Insert(1, "clan");
    EXPECT_EQ(tabs.Label(1), "clan");
    tabs.setAccount(0, "varnobot");
    tabs.setChannel(0, "Op Room");
    EXPECT_EQ(tabs.Label(0), "varnobot \xc2\xb7 Op Room");
    EXPECT_EQ(tabs.Titled(0, "Whisper from bob"), "Whisper from bob \xc2\xb7 varnobot");
    EXPECT_EQ(tabs.Titled(1, "bob in Lobby"), "bob in Lobby \xc2\xb7 clan");

    // Bytes of the server: Windows-1252 where not UTF-8, controls as symbols, cut to 24 and
    // 32 characters.
    tabs.setAccount(1, "caf\xe9\x1b");
    tabs.setChannel(1, std::string(33, 'c'));
    EXPECT_EQ(tabs.Label(1), "caf\xc3\xa9\xe2\x90\x9b \xc2\xb7 " + std::string(32, 'c'));
    tabs.setAccount(1, std::string(25, 'a'));
    tabs.setChannel(1, std::string(32, 'c'));
    EXPECT_EQ(tabs.Label(1), std::string(24, 'a') + " \xc2\xb7 " + std::string(32, 'c'));
}

TEST(ProfileTabs, TheUnseenOfEveryTabAddUp) {
    ProfileTabs tabs = TabsOf(3, 0);
    tabs.setUnseen(1, 2);
    tabs.setUnseen(2, 3);
    EXPECT_EQ(tabs.unseen(), 5);
    tabs.Remove(1);
    EXPECT_EQ(tabs.unseen(), 3);
}

}  // namespace
}  // namespace varno
