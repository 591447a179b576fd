#include "channel/channel_events.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "channel/roster.h"
#include "connection/settings.h"
#include "support/fakes.h"

namespace varno {
namespace {

constexpr const char* kPrefix = "[14:03:07] ";

struct FakePort : ChannelPort {
    explicit FakePort(LogWriter& writer) : writer_(writer) {}
    void setChannelLabel(std::string_view channel) override { label = channel; }
    bool HandleCommand(std::string_view speaker, std::string_view message) override {
        commands.push_back(std::string(speaker) + "|" + std::string(message));
        mainRunsSeen.push_back(writer_.main().runs().size());
        return message.starts_with("!");
    }
    void LoadDatabase() override { ++loads; }
    void setOwnName(std::string_view name) override { ownName = name; }
    bool CheckTalk(std::string_view name, std::string_view flags, std::string_view text) override {
        checked.push_back(std::string(name) + "|" + std::string(flags) + "|" + std::string(text));
        return text.find("kick") != std::string_view::npos;
    }
    void CheckJoin(std::string_view name, std::string_view flags) override {
        checked.push_back(std::string(name) + "|" + std::string(flags));
    }
    // Lines naming "bot" name the operator.
    bool NamesOperator(std::string_view, std::string_view text) override {
        return text.find("bot") != std::string_view::npos;
    }
    void Whispered(std::string_view name, std::string_view text) override {
        told.push_back("whisper " + std::string(name) + "|" + std::string(text));
    }
    void Mentioned(std::string_view name, std::string_view text) override {
        told.push_back("mention " + std::string(name) + "|" + std::string(text));
    }

    std::string ownName;
    std::string label = "<Disconnected>";
    std::vector<std::string> commands;
    std::vector<std::string> checked;  // what went to the protection rules
    std::vector<std::size_t> mainRunsSeen;
    std::vector<std::string> told;  // what the operator was to be told of
    int loads = 0;

private:
    LogWriter& writer_;
};

// The program's channel handlers over a fresh roster and fresh logs.
struct Channel {
    explicit Channel(const Edition& e) : edition(e) {}
    const Edition& edition;
    test::FakeClock clock;
    Settings settings;
    LogWriter writer{edition, clock, settings.Clear};
    Roster roster;
    FakePort port{writer};
    ChannelEvents events{edition, writer, roster, port};
};

// One line as the log holds it: the white prefix, then the runs, CR LF after the last.
Runs Line(Runs runs) {
    runs.insert(runs.begin(), Run{colour::kWhite, kPrefix});
    runs.back().text += "\r\n";
    return runs;
}

std::vector<RosterEntry> Entries(const Roster& roster) {
    std::vector<RosterEntry> entries;
    for (std::size_t i = 0; i < roster.size(); ++i) {
        entries.push_back(roster.at(i));
    }
    return entries;
}

TEST(ChannelEvents, EachEventWritesItsLineInBothEditions) {
    using Handler = std::function<void(ChannelEvents&)>;
    struct Case {
        const char* what;
        Handler event;
        Runs main201;
        Runs whisper201;
        Runs main200;
    };
    const Case cases[] = {
        {"1001",
         [](ChannelEvents& e) { e.OnUserInChannel("Bob", "0010", "[STAR]"); },
         Line({{colour::kGreen, "Bob is here using "}, {colour::kWhite, "[STAR]"}}),
         {},
         Line({{colour::kGreen, "Bob is here using [STAR]"}})},
        {"1002",
         [](ChannelEvents& e) { e.OnUserJoin("Bob", "0010", "[STAR]"); },
         Line({{colour::kDarkGreen, "Bob has joined the channel"}}),
         {},
         Line({{colour::kDarkGreen, "Bob has joined the channel"}})},
        {"1003",
         [](ChannelEvents& e) { e.OnUserLeave("Bob", "0010"); },
         Line({{colour::kDarkGreen, "Bob has left the channel"}}),
         {},
         Line({{colour::kDarkGreen, "Bob has left the channel"}})},
        {"1004",
         [](ChannelEvents& e) { e.OnWhisperReceived("Bob", "0010", "psst"); },
         {},
         Line({{colour::kGreen, "From Bob: "}, {colour::kWhite, "psst"}}),
         Line({{colour::kRed, "From Bob: psst"}})},
        {"1005",
         [](ChannelEvents& e) { e.OnUserTalk("Bob", "0010", "hello"); },
         Line({{colour::kWhite, "<"}, {colour::kYellow, "Bob"}, {colour::kWhite, "> hello"}}),
         {},
         Line({{colour::kLightGreen, "Bob: hello"}})},
        {"1005 empty",
         [](ChannelEvents& e) { e.OnUserTalk("Bob", "0010", ""); },
         Line({{colour::kWhite, "<"}, {colour::kYellow, "Bob"}, {colour::kWhite, "> "}}),
         {},
         Line({{colour::kLightGreen, "Bob: "}})},
        {"1007",
         [](ChannelEvents& e) { e.OnChannelJoined("Lobby"); },
         Line({{colour::kRed, "Joined Channel: "}, {colour::kWhite, "Lobby"}}),
         {},
         {}},
        {"1009", [](ChannelEvents& e) { e.OnUserFlags("Bob", "0002"); }, {}, {}, {}},
        {"1010",
         [](ChannelEvents& e) { e.OnWhisperSent("Bob", "0010", "hi"); },
         {},
         Line({{colour::kGreen, "To Bob: "}, {colour::kWhite, "hi"}}),
         Line({{colour::kRed, "To Bob: hi"}})},
        {"1013",
         [](ChannelEvents& e) { e.OnChannelFull("full"); },
         Line({{colour::kRed, "full"}}),
         {},
         Line({{colour::kRed, "full"}})},
        {"1014",
         [](ChannelEvents& e) { e.OnChannelNotFound("none"); },
         Line({{colour::kRed, "none"}}),
         {},
         Line({{colour::kRed, "none"}})},
        {"1015",
         [](ChannelEvents& e) { e.OnChannelRestricted("no"); },
         Line({{colour::kRed, "no"}}),
         {},
         Line({{colour::kRed, "no"}})},
        {"1016",
         [](ChannelEvents& e) { e.OnInfo("note"); },
         Line({{colour::kYellow, "note"}}),
         {},
         Line({{colour::kYellow, "note"}})},
        {"1016 empty",
         [](ChannelEvents& e) { e.OnInfo(""); },
         Line({{colour::kYellow, ""}}),
         {},
         Line({{colour::kYellow, ""}})},
        {"1019",
         [](ChannelEvents& e) { e.OnServerError("bad"); },
         Line({{colour::kRed, "bad"}}),
         {},
         Line({{colour::kRed, "bad"}})},
        {"1023",
         [](ChannelEvents& e) { e.OnUserEmote("Bob", "0010", "waves"); },
         Line({{colour::kLightGrey, "Bob: waves"}}),
         {},
         Line({{colour::kSilver, "Bob: waves"}})},
        {"2010", [](ChannelEvents& e) { e.OnUniqueName("Me"); }, {}, {}, {}},
        {"plain",
         [](ChannelEvents& e) { e.OnPlainText("Login failed."); },
         Line({{colour::kLightGrey, "Login failed."}}),
         {},
         Line({{colour::kLightGrey, "Login failed."}})},
        // Names and texts are shown as received: nothing escaped, trimmed or re-encoded.
        {"raw",
         [](ChannelEvents& e) { e.OnUserTalk("<b>x</b>", "0010", " \xF6 &amp; "); },
         Line({{colour::kWhite, "<"},
               {colour::kYellow, "<b>x</b>"},
               {colour::kWhite, ">  \xF6 &amp; "}}),
         {},
         Line({{colour::kLightGreen, "<b>x</b>:  \xF6 &amp; "}})},
    };
    for (const Case& c : cases) {
        Channel v201(Edition::v201());
        c.event(v201.events);
        EXPECT_EQ(v201.writer.main().runs(), c.main201) << c.what;
        EXPECT_EQ(v201.writer.whisper().runs(), c.whisper201) << c.what;

        Channel v200(Edition::v200());
        c.event(v200.events);
        EXPECT_EQ(v200.writer.main().runs(), c.main200) << c.what;
        EXPECT_TRUE(v200.writer.whisper().runs().empty()) << c.what;
    }
}

// Where links may be shown (the byte the user's text starts at in the run that holds it),
// whether the line is marked as naming the operator, and who the operator is told of: a
// whisper always, a mention unless a command or a rule acted on the line.
TEST(ChannelEvents, MarksUsersTextsAndMentionsAndTellsOfWhatNoRuleActedOn) {
    using Handler = std::function<void(ChannelEvents&)>;
    struct Case {
        const char* what;
        Handler event;
        std::size_t linksFrom201;  // in the last run of the line
        std::size_t linksFrom200;
        bool mention;
        std::vector<std::string> told;
    };
    const Case cases[] = {
        {"talk", [](ChannelEvents& e) { e.OnUserTalk("Bob", "0010", "hi"); }, 2, 5, false, {}},
        {"mention",
         [](ChannelEvents& e) { e.OnUserTalk("Bob", "0010", "hi bot"); },
         2,
         5,
         true,
         {"mention Bob|hi bot"}},
        {"command", [](ChannelEvents& e) { e.OnUserTalk("Bob", "0010", "!bot"); }, 2, 5, true, {}},
        {"rule", [](ChannelEvents& e) { e.OnUserTalk("Bob", "0010", "kick bot"); }, 2, 5, true, {}},
        {"emote",
         [](ChannelEvents& e) { e.OnUserEmote("Bob", "0010", "pokes bot"); },
         5,
         5,
         true,
         {"mention Bob|pokes bot"}},
        {"whisper",
         [](ChannelEvents& e) { e.OnWhisperReceived("Bob", "0010", "psst"); },
         0,
         10,
         false,
         {"whisper Bob|psst"}},
        {"info", [](ChannelEvents& e) { e.OnInfo("see www.a.b"); }, 0, 0, false, {}},
        {"error", [](ChannelEvents& e) { e.OnServerError("x"); }, 0, 0, false, {}},
        {"join",
         [](ChannelEvents& e) { e.OnUserJoin("bot", "0010", "[STAR]"); },
         kNoLinks,
         kNoLinks,
         false,
         {}},
    };
    for (const Case& c : cases) {
        for (const Edition* edition : {&Edition::v201(), &Edition::v200()}) {
            Channel ch(*edition);
            c.event(ch.events);
            const Runs& runs = c.what == std::string("whisper") && edition->whisperLog
                                   ? ch.writer.whisper().runs()
                                   : ch.writer.main().runs();
            ASSERT_FALSE(runs.empty()) << c.what;
            EXPECT_EQ(runs.back().linksFrom, edition->whisperLog ? c.linksFrom201 : c.linksFrom200)
                << c.what << " " << edition->name;
            for (const varno::Run& run : runs) {
                EXPECT_EQ(run.mention, c.mention) << c.what << " " << edition->name;
            }
            EXPECT_EQ(ch.port.told, c.told) << c.what << " " << edition->name;
        }
    }
}

TEST(ChannelEvents, OnlyTalkReachesHandleCommandAfterItsLineIsWritten) {
    for (const Edition* edition : {&Edition::v201(), &Edition::v200()}) {
        Channel ch(*edition);
        ch.events.OnWhisperReceived("Bob", "0010", "!say hi");
        ch.events.OnUserEmote("Bob", "0010", "!say hi");
        ch.events.OnUserTalk("Bob", "0010", "!say hi");
        EXPECT_EQ(ch.port.commands, std::vector<std::string>{"Bob|!say hi"}) << edition->name;
        ASSERT_EQ(ch.port.mainRunsSeen.size(), 1u);
        EXPECT_EQ(ch.port.mainRunsSeen[0], ch.writer.main().runs().size()) << edition->name;
        EXPECT_EQ(ch.port.loads, 0);
        ch.events.OnUniqueName("Me");
        ch.events.OnUniqueName("Me#2");
        EXPECT_EQ(ch.port.loads, 2);
        EXPECT_EQ(ch.port.ownName, "Me#2");
    }
}

TEST(ChannelEvents, TalkEmotesAndJoinsButNoWhispersReachTheProtectionRules) {
    for (const Edition* edition : {&Edition::v201(), &Edition::v200()}) {
        Channel ch(*edition);
        ch.events.OnWhisperReceived("Bob", "0010", "w");
        ch.events.OnWhisperSent("Bob", "0010", "w");
        ch.events.OnUserEmote("Bob", "0010", "waves");
        ch.events.OnUserTalk("Ann", "0002", "hi");
        ch.events.OnUserJoin("Eve", "0000", "[CHAT]");
        ch.events.OnUserInChannel("Zed", "0000", "[CHAT]");
        ch.events.OnUserLeave("Eve", "0000");
        EXPECT_EQ(ch.port.checked,
                  (std::vector<std::string>{"Bob|0010|waves", "Ann|0002|hi", "Eve|0000"}))
            << edition->name;
    }
}

TEST(ChannelEvents, RosterFollowsJoinsAndLeaves) {
    for (const Edition* edition : {&Edition::v201(), &Edition::v200()}) {
        Channel ch(*edition);
        ch.events.OnUserInChannel("Bob", "0010", "[STAR]");
        ch.events.OnUserJoin("Ann", "0002", "[CHAT]");
        ch.events.OnUserJoin("Bob", "0010", "[star]");
        ch.events.OnUserJoin("Cy", "0010", "[W2BN]");
        EXPECT_EQ(Entries(ch.roster),
                  (std::vector<RosterEntry>{{"Bob", 6}, {"Ann", 1}, {"Bob", 0}, {"Cy", 10}}));

        // The first match from the top goes, whatever its letter case.
        ch.events.OnUserLeave("bob", "0010");
        ch.events.OnUserLeave("Nobody", "0010");
        EXPECT_EQ(Entries(ch.roster),
                  (std::vector<RosterEntry>{{"Ann", 1}, {"Bob", 0}, {"Cy", 10}}));
        EXPECT_NE(ch.writer.main().text().find("Nobody has left the channel"), std::string::npos);

        ch.events.OnChannelJoined("Op Tamsel");
        EXPECT_EQ(ch.roster.size(), 0u);
        EXPECT_EQ(ch.roster.header(), "Op Tamsel");
        EXPECT_EQ(ch.port.label, "Op Tamsel");
    }
}

TEST(ChannelEvents, FlagsChangeReplacesInPlaceOrAppends) {
    struct Case {
        const char* what;
        std::int16_t before;  // Bob's icon at position 3 (index 2)
        const char* name;
        const char* flags;
        std::vector<RosterEntry> after;
    };
    const Case cases[] = {
        {"op", 6, "Bob", "0002", {{"Ann", 2}, {"Cy", 3}, {"Bob", 1}, {"Dee", 4}}},
        {"squelch", 6, "Bob", "0020", {{"Ann", 2}, {"Cy", 3}, {"Bob", 13}, {"Dee", 4}}},
        {"staff", 6, "Bob", "0001", {{"Ann", 2}, {"Cy", 3}, {"Bob", 14}, {"Dee", 4}}},
        {"plain 0000", 6, "Bob", "0000", {{"Ann", 2}, {"Cy", 3}, {"Bob", 6}, {"Dee", 4}}},
        {"plain 0010", 1, "Bob", "0010", {{"Ann", 2}, {"Cy", 3}, {"Bob", 1}, {"Dee", 4}}},
        {"unsquelch", 13, "Bob", "0010", {{"Ann", 2}, {"Cy", 3}, {"Bob", 0}, {"Dee", 4}}},
        {"speaker", 6, "Bob", "0004", {{"Ann", 2}, {"Cy", 3}, {"Bob", 6}, {"Dee", 4}}},
        {"speaker 0014", 9, "Bob", "0014", {{"Ann", 2}, {"Cy", 3}, {"Bob", 9}, {"Dee", 4}}},
        {"unsquelched speaker", 13, "Bob", "0004", {{"Ann", 2}, {"Cy", 3}, {"Bob", 0}, {"Dee", 4}}},
        {"case counts",
         6,
         "bob",
         "0002",
         {{"Ann", 2}, {"Cy", 3}, {"Bob", 6}, {"Dee", 4}, {"bob", 1}}},
        {"unlisted 0000",
         6,
         "Eve",
         "0000",
         {{"Ann", 2}, {"Cy", 3}, {"Bob", 6}, {"Dee", 4}, {"Eve", 0}}},
    };
    for (const Case& c : cases) {
        Channel ch(Edition::v201());
        for (const RosterEntry& e :
             std::vector<RosterEntry>{{"Ann", 2}, {"Cy", 3}, {"Bob", c.before}, {"Dee", 4}}) {
            ch.roster.append(e);
        }
        ch.events.OnUserFlags(c.name, c.flags);
        EXPECT_EQ(Entries(ch.roster), c.after) << c.what;
        EXPECT_TRUE(ch.writer.main().runs().empty()) << c.what;
    }
}

TEST(ChannelEvents, EnteringAChannelListsEachUserOnceWhenFlagsComeFirst) {
    // A real gateway sends a user's flags just before that user's own line on entering a
    // channel, and the operator flags twice after it.
    Channel ch(Edition::v201());
    ch.events.OnChannelJoined("TestChan");
    ch.events.OnUserFlags("alice", "0010");
    ch.events.OnUserInChannel("bob", "0010", "[STAR]");
    ch.events.OnUserInChannel("alice", "0010", "[CHAT]");
    ch.events.OnUserFlags("alice", "0002");
    ch.events.OnUserFlags("alice", "0002");
    EXPECT_EQ(Entries(ch.roster), (std::vector<RosterEntry>{{"alice", 1}, {"bob", 6}}));

    ch.events.OnUserInChannel("alice", "0010", "[CHAT]");
    EXPECT_EQ(Entries(ch.roster),
              (std::vector<RosterEntry>{{"alice", 1}, {"bob", 6}, {"alice", 2}}))
        << "a second line of the same user is listed again, as before";

    ch.events.OnUserFlags("Eve", "0000");
    ch.events.OnChannelJoined("Other");
    ch.events.OnUserInChannel("Eve", "0010", "[CHAT]");
    EXPECT_EQ(Entries(ch.roster), (std::vector<RosterEntry>{{"Eve", 2}}))
        << "a new channel forgets who the last one listed by flags";
}

}  // namespace
}  // namespace varno
