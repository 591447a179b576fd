#include "client/attention.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channel/mention.h"
#include "support/fakes.h"

namespace varno {
namespace {

TEST(NamesUser, TheOwnNameAsAWholeWordWithLetterCaseIgnored) {
    struct Case {
        const char* text;
        const char* name;
        bool named;
    };
    const Case cases[] = {
        {"hi Tamsel", "Tamsel", true},
        {"TAMSEL: look", "tamsel", true},
        {"@tamsel, here", "Tamsel", true},
        {"tamsel", "Tamsel", true},
        {"Tamselbot is a bot", "Tamsel", false},
        {"xTamsel", "Tamsel", false},
        {"tamsel_2 said", "Tamsel", false},
        {"see Tamsel2 and Tamsel", "Tamsel", true},
        {"ask [x]bot now", "[x]bot", true},
        {"ask a[x]bot now", "[x]bot", true},  // no boundary needed before a "["
        {"ask [x]bots now", "[x]bot", false},
        {"Tamse", "Tamsel", false},
        {"anything", "", false},
        {"caf\xC3\xA9Tamsel", "Tamsel", false},  // a letter beyond ASCII is part of the word
        // Places before, across and after the eight-byte steps of the search.
        {"0123456 tamsel", "Tamsel", true},
        {"01234567tamsel", "Tamsel", false},
        {"0123456789abcd TAMSEL", "Tamsel", true},
        {"tTtTtTtTtTtTtTtT Tamsel.", "Tamsel", true},
        {"tTtTtTtTtTtTtTtTamsel", "Tamsel", false},
        {"0123456789 [x]bot", "[x]bot", true},
        {"0123456789 {x]bot", "[x]bot", false},  // { is [ | 0x20: no letter, no folding
        {"abcdefgh", "abcdefgh", true},
        {"abcdefg", "abcdefgh", false},
        {"tAtAtAtAtAtAtAtA ta T", "t", true},
        {"0123456789abcdefghij t", "T", true},
        {"TaTaTaTaTaTaTaTaTaTa TAMSEL", "Tamsel", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NamesUser(c.text, c.name), c.named) << c.text << " / " << c.name;
    }
}

TEST(NotificationText, ControlsShownAsSymbolsAndCutAtACharacterBoundary) {
    EXPECT_EQ(NotificationText("a\x07"
                               "b",
                               200),
              "a\xE2\x90\x87"
              "b");
    std::string accents;
    for (int i = 0; i < 201; ++i) {
        accents += "\xC3\xA9";
    }
    EXPECT_EQ(NotificationText(accents, 200), accents.substr(0, 400));
    EXPECT_EQ(NotificationText(accents.substr(0, 400), 200), accents.substr(0, 400));
    EXPECT_EQ(NotificationText(std::string(201, 'x'), 200), std::string(200, 'x'));
}

class FakeDesktop : public AttentionPort {
public:
    bool windowActive() const override { return active; }
    void notify(const std::string& title, const std::string& body) override {
        shown.push_back(title + "|" + body);
    }
    void askAttention(int unseen) override { asked.push_back(unseen); }
    void addressed() override { ++addressedCount; }

    bool active = false;
    int addressedCount = 0;
    std::vector<std::string> shown;
    std::vector<int> asked;
};

struct AttentionRig {
    std::string notify = "1";
    test::FakeClock clock;
    FakeDesktop desktop;
    Attention attention{notify, clock};
    AttentionRig() { attention.setPort(&desktop); }
};

TEST(Attention, OneNotificationPerSenderInFiveSecondsOnlyWhileTheWindowIsNotInFront) {
    struct Step {
        std::int64_t afterMs;  // since the first step
        const char* sender;
        bool active;
        bool shown;
    };
    const Step steps[] = {
        {0, "bob", false, true},
        {1000, "carol", false, true},  // another sender is not held back
        {4999, "Bob", false, false},   // the same sender, letter case aside, just inside 5 s
        {5000, "bob", false, true},    // at the bound
        {6000, "bob", true, false},    // the window is in front
        {10000, "bob", false, true},
    };
    AttentionRig rig;
    const std::int64_t start = rig.clock.ms;
    std::size_t shown = 0;
    int unseen = 0;
    for (const Step& s : steps) {
        rig.clock.ms = start + s.afterMs;
        rig.desktop.active = s.active;
        rig.attention.Whisper(s.sender, "hi");
        shown += s.shown ? 1 : 0;
        unseen += s.active ? 0 : 1;
        EXPECT_EQ(rig.desktop.shown.size(), shown) << s.afterMs;
        EXPECT_EQ(rig.attention.unseen(), unseen) << s.afterMs;
    }
    EXPECT_EQ(rig.desktop.asked, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(rig.desktop.addressedCount, 6) << "in front too";
    rig.attention.Activated();
    EXPECT_EQ(rig.desktop.asked.back(), 0);
    EXPECT_EQ(rig.attention.unseen(), 0);
}

TEST(Attention, NotifyZeroTurnsNotificationsAndTheAttentionRequestOff) {
    AttentionRig rig;
    rig.notify = "0";
    rig.attention.Whisper("bob", "hi");
    EXPECT_TRUE(rig.desktop.shown.empty());
    EXPECT_TRUE(rig.desktop.asked.empty());
    EXPECT_EQ(rig.desktop.addressedCount, 1) << "the window still marks it";
    rig.notify = "1";
    rig.attention.Whisper("bob", "hi");
    EXPECT_EQ(rig.desktop.shown.size(), 1U);
}

}  // namespace
}  // namespace varno
