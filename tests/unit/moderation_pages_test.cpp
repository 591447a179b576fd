#include <gtest/gtest.h>

#include "support/client_rig.h"
#include "ui/list_page.h"
#include "ui/rules_page.h"
#include "ui/timed_bans_page.h"

// The pages of the Moderation window without a window, over a client of fake ports.
namespace varno {
namespace {

using test::TempFolder;

using test::ClientRig;
using Files = ClientRig::Files;

constexpr char kSettings[] = "[Varno]\r\nUsername=alice\r\n";

TEST(ModerationPagesTest, ListPagesChangeTheFilesAsTheChannelCommandsDo) {
    ClientRig rig(
        {{"Varno.ini", kSettings}, {"shitlist.txt", "spam*\r\n"}, {"database.txt", "Boss\r\n"}});
    ListPage bans(*rig.client, ListKind::Ban);
    ListPage words(*rig.client, ListKind::Words);
    struct Step {
        ListPage& page;
        bool add;
        std::vector<std::string> patterns;
        std::string answer;
        std::string file;  // shitlist.txt or badwords.txt afterwards
    };
    const Step steps[] = {
        {bans, true, {" troll* "}, "Added troll* to the ban list", "spam*\r\ntroll*\r\n"},
        {bans, true, {"TROLL*"}, "Already on the ban list: TROLL*", "spam*\r\ntroll*\r\n"},
        {bans, true, {"  "}, "No pattern given", "spam*\r\ntroll*\r\n"},
        {bans, true, {"a*"}, "Refused: a* would match alice", "spam*\r\ntroll*\r\n"},
        {bans, true, {"b*"}, "Refused: b* would match Boss", "spam*\r\ntroll*\r\n"},
        {bans,
         false,
         {"spam*", "gone"},
         "Removed 1 pattern from the ban list; Not on the ban list: gone",
         "troll*\r\n"},
        {bans, true, {"x"}, "Added x to the ban list", "troll*\r\nx\r\n"},
        {bans, false, {"x", "TROLL*"}, "Removed 2 patterns from the ban list", ""},
        {words, true, {"*"}, "Refused: * would match every line", ""},
        {words, true, {"*darn*"}, "Added *darn* to the word list", "*darn*\r\n"},
        {words, false, {"*darn*"}, "Removed *darn* from the word list", ""},
    };
    for (const Step& s : steps) {
        const std::string answer = s.add ? s.page.Add(s.patterns.at(0)) : s.page.Remove(s.patterns);
        EXPECT_EQ(answer, s.answer);
        const bool ban = s.page.kind() == ListKind::Ban;
        EXPECT_EQ(rig.folder.read(ban ? "shitlist.txt" : "badwords.txt"), s.file) << s.answer;
        EXPECT_EQ(s.page.patterns(), BanList::SplitLines(s.file)) << s.answer;
    }
    EXPECT_EQ(bans.CountText(), "0 patterns");
    EXPECT_NE(
        rig.client->logs().main().text().find("Added troll* to the ban list (Moderation window)"),
        std::string::npos);

    // A change on disk, read by the program, shows at the next refresh.
    EXPECT_FALSE(bans.Refresh());
    rig.folder.write("shitlist.txt", "one\ntwo\n");
    rig.client->ReloadFiles({"shitlist.txt"});
    EXPECT_TRUE(bans.Refresh());
    EXPECT_EQ(bans.CountText(), "2 patterns");
}

TEST(ModerationPagesTest, TestsSayWhichPatternsMatchAndWhomTheBotSpares) {
    ClientRig rig({{"Varno.ini", kSettings},
                   {"shitlist.txt", "*\r\ns*\r\nsp*\r\nspa*\r\nspam*\r\nspam?\r\n"},
                   {"database.txt", "Boss\r\n"},
                   {"badwords.txt", "*darn*\n"}});
    rig.client->sck_dataarrival("1001 USER Op 0008 [CHAT]\r\n");
    const ListPage bans(*rig.client, ListKind::Ban);
    const ListPage words(*rig.client, ListKind::Words);
    const std::string spared = " matches *, but it is trusted and never banned: ";
    const std::pair<std::string, std::string> cases[] = {
        {"", "Type a name to test"},
        {"spam", "spam matches *, s*, sp*, spa*, spam*: it would be banned"},
        {"spamX", "spamX matches *, s*, sp*, spa*, spam* and 1 more: it would be banned"},
        {"ALICE", "ALICE" + spared + "it is this client's own name"},
        {"boss", "boss" + spared + "it is in database.txt"},
        {"op", "op" + spared + "its flags mark staff, an operator or an administrator"},
    };
    for (const auto& [name, answer] : cases) {
        EXPECT_EQ(bans.Test(name), answer);
    }
    EXPECT_EQ(words.Test(""), "Type a line to test");
    EXPECT_EQ(words.Test("hello"), "The line matches no banned word");
    EXPECT_EQ(words.Test("oh DARN"),
              "The line matches *darn*: whoever says it is kicked for language, unless the "
              "rules spare them");
    ClientRig empty(Files{{"Varno.ini", kSettings}});
    EXPECT_EQ(ListPage(*empty.client, ListKind::Ban).Test("bob"),
              "bob matches no pattern: it would not be banned");
}

TEST(ModerationPagesTest, TimeLeftIsToTheSecondBelowAnHour) {
    const std::pair<std::int64_t, std::string> cases[] = {
        {-5, "due"},           {0, "due"},          {1, "1 s"},
        {59, "59 s"},          {60, "1 min 0 s"},   {250, "4 min 10 s"},
        {3599, "59 min 59 s"}, {3600, "1 h 0 min"}, {86399, "23 h 59 min"},
        {86400, "1 d 0 h"},    {90061, "1 d 1 h"},
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(TimeLeftText(seconds), text) << seconds;
    }
}

TEST(ModerationPagesTest, TimedBansPageListsPendingBansAndSaysWhyItIsEmpty) {
    const test::FakeClock clock;
    ClientRig pending({{"Varno.ini", kSettings},
                       {"bans.txt", "gone 100\nsoon " + std::to_string(clock.unix + 250) + "\n"}});
    TimedBansPage page(*pending.client);
    EXPECT_EQ(page.Rows(),
              (std::vector<TimedBansPage::Row>{{"gone", "due"}, {"soon", "4 min 10 s"}}));
    EXPECT_EQ(page.Note(), "BanMinutes is not set: new bans stay, these are still lifted in time");
    EXPECT_EQ(page.Lift("soon"),
              "Not connected: soon is unbanned once connected and the time is over");
    EXPECT_EQ(page.Rows().size(), 2u);

    const std::pair<std::string, std::string> empty[] = {
        {"", "BanMinutes is not set: bans are not lifted by time"},
        {"BanMinutes=0\r\n", "BanMinutes is not set: bans are not lifted by time"},
        {"BanMinutes=1\r\n", "No ban waits to be lifted"},
    };
    for (const auto& [key, note] : empty) {
        ClientRig rig(Files{{"Varno.ini", kSettings + key}});
        EXPECT_EQ(TimedBansPage(*rig.client).Note(), note);
    }
}

// Lift now takes a name in any letter case; the unban, the answer and the log name the ban
// as it is held.
TEST(ModerationPagesTest, LiftNowUnbansThroughTheTimersPathPacedOrNot) {
    const test::FakeClock clock;
    const std::string bans = "gone 100\nSoon " + std::to_string(clock.unix + 250) + "\n";
    struct Case {
        std::string quota;
        std::string answer;
        std::vector<TimedBansPage::Row> rows;
        bool logged;  // the orange line: at once unpaced, once confirmed paced
    };
    const Case cases[] = {
        {"0", "Unbanned Soon", {{"gone", "due"}}, true},
        {"4",
         "Unban of Soon sent; it leaves the list once the server confirms it",
         {{"gone", "due"}, {"Soon", "lifting"}},
         false},
    };
    for (const Case& c : cases) {
        ClientRig rig(Files{{"Varno.ini", kSettings + ("SendQuota=" + c.quota + "\r\n")},
                            {"bans.txt", bans}});
        rig.link.connectNow();
        rig.client->sck_connect();
        TimedBansPage page(*rig.client);
        EXPECT_EQ(page.Lift("sOON"), c.answer);
        EXPECT_EQ(page.Lift("nobody"), "nobody has no pending ban");
        page.Lift("SOON");  // again, while the first waits: nothing more is sent
        EXPECT_EQ(page.Rows(), c.rows) << c.quota;
        const std::string sent = rig.link.allWritten();
        EXPECT_EQ(sent.substr(sent.find("/join")), "/join \r\n/unban Soon\r\n") << c.quota;
        const std::string log = rig.client->logs().main().text();
        EXPECT_EQ(log.find("Unbanned Soon: lifted by the operator") != std::string::npos, c.logged)
            << log;
    }
}

TEST(RulesPageTest, ValuesAreCheckedAtZeroAtTheirLargestAndOnePast) {
    TempFolder folder;
    RulesPage page(folder.write("Varno.ini", kSettings));
    page.Load();
    struct Case {
        std::string key;
        std::string text;
        std::string seconds;  // for a rate
        std::string value;    // empty: refused, the value stays
    };
    const std::string rateWrong = "FloodLines count must be a whole number from 0 to 1000";
    const Case cases[] = {
        {"FloodLines", "0", "0", "0/0"},
        {"FloodLines", "1000", "86400", "1000/86400"},
        {"FloodLines", "1001", "5", ""},
        {"FloodLines", "5", "86401", ""},
        {"FloodLines", " 6 ", "5", "6/5"},
        {"FloodLines", "six", "5", ""},
        {"FloodLines", "-1", "5", ""},
        {"BanMinutes", "0", "", "0"},
        {"BanMinutes", "5270400", "", "5270400"},
        {"BanMinutes", "5270401", "", ""},
        {"SendQuota", "1000000", "", "1000000"},
        {"SendQuota", "1000001", "", ""},
        {"SendWindow", "1000000000", "", "1000000000"},
        {"SendWindow", "1000000001", "", ""},
        {"SendWindow", "", "", ""},
        {"BanOnEntry", "1", "", "1"},
        {"BanOnEntry", "2", "", ""},
        {"LogFolder", std::string(254, 'a'), "", std::string(254, 'a')},
        {"LogFolder", std::string(255, 'a'), "", ""},
        {"LogFolder", "a\nb", "", ""},
        {"LogFolder", " logs ", "", "logs"},
    };
    for (const Case& c : cases) {
        const std::string before = page.value(c.key);
        const std::string wrong = c.key == "FloodLines" ? page.SetRate(c.key, c.text, c.seconds)
                                                        : page.Set(c.key, c.text);
        EXPECT_EQ(wrong.empty(), !c.value.empty()) << c.key << " " << c.text;
        EXPECT_EQ(page.value(c.key), c.value.empty() ? before : c.value) << c.key << " " << c.text;
    }
    EXPECT_EQ(page.SetRate("FloodLines", "1001", "5"), rateWrong);
    EXPECT_EQ(page.Set("LogFolder", std::string(255, 'a')), "LogFolder may hold at most 254 bytes");
}

TEST(RulesPageTest, LoadShowsWhatTheProgramReadsAndOnlySetValuesAreChanges) {
    // Each file's keys after kSettings, the lines Load says, and what the boxes show: a value
    // past its largest is shown held at it, as the program uses it; one at its largest, or a
    // switch at 1, is shown as written and said nothing of.
    const struct {
        std::string keys;
        std::vector<std::string> told;
        std::vector<std::pair<std::string, std::string>> shown;
    } cases[] = {
        {"FloodLines=6 / 5\r\nRepeatLines=abc\r\nJoinFlood=5000/10\r\nSendQuota=four\r\n"
         "BanOnEntry=0\r\nLogFolder=logs\r\n",
         {
             "Varno.ini: RepeatLines = 'abc' is read as 0/0",
             "Varno.ini: JoinFlood = '5000/10' is read as 1000/10",
             "Varno.ini: SendQuota = 'four' is read as 4",
         },
         {{"FloodLines", "6/5"},
          {"RepeatLines", "0/0"},
          {"JoinFlood", "1000/10"},
          {"BanMinutes", "0"},
          {"SendQuota", "4"},
          {"SendWindow", "5000"},
          {"BanOnEntry", "0"},
          {"LogFolder", "logs"}}},
        {"SendQuota=2000000\r\nBanOnEntry=1\r\nJoinFlood=3/86400\r\n",
         {"Varno.ini: SendQuota = '2000000' is read as 1000000"},
         {{"SendQuota", "1000000"}, {"BanOnEntry", "1"}, {"JoinFlood", "3/86400"}}},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        RulesPage page(folder.write("Varno.ini", kSettings + c.keys));
        EXPECT_EQ(page.Load(), c.told) << c.keys;
        for (const auto& [key, value] : c.shown) {
            EXPECT_EQ(page.value(key), value) << c.keys << key;
        }
        EXPECT_TRUE(page.Changes().empty()) << c.keys;
    }

    // Setting a box to what it shows is no change, even where the file words it otherwise.
    TempFolder folder;
    RulesPage page(folder.write("Varno.ini", kSettings + cases[0].keys));
    page.Load();
    EXPECT_EQ(page.Set("BanMinutes", "60"), "");
    EXPECT_NE(page.Set("BanMinutes", "x"), "");
    EXPECT_EQ(page.Set("SendQuota", "4"), "");
    EXPECT_EQ(page.Changes(),
              (std::vector<std::pair<std::string, std::string>>{{"BanMinutes", "60"}}));
}

}  // namespace
}  // namespace varno
