#include "moderation/protection.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/connection_rig.h"

namespace varno {
namespace {

using test::TempFolder;

// The rules over a connected connection whose sends are recorded, in a folder of their own.
struct Bot : test::ConnectionRig {
    Bot() {
        settings.SendQuota = "0";  // every line at once: pacing has tests of its own
        folder.write("database.txt", "Boss\r\n");
        database.LoadDatabase(folder.file("database.txt"));
        link.connectNow();
        connection.sck_connect();
        link.written.clear();
        writer.main().clear();
    }

    // What was sent since the last look, line by line.
    std::vector<std::string> sent() {
        std::vector<std::string> lines;
        for (const std::string& w : link.written) {
            lines.push_back(w.substr(0, w.size() - 2));
        }
        link.written.clear();
        return lines;
    }
    // The runs after the timestamp of every main log line since the last look.
    Runs logged() {
        Runs runs;
        for (const Run& run : writer.main().runs()) {
            if (run.text != writer.Prefix()) {
                runs.push_back({run.colour, run.text.substr(0, run.text.size() - 2)});
            }
        }
        writer.main().clear();
        return runs;
    }

    TempFolder folder;
    Database database;
    BanList banList;
    std::string own = "alice";
    int presentChecks = 0;
    Protection protection{
        settings,
        database,
        banList,
        writer,
        clock,
        connection,
        {folder.file("shitlist.txt"), folder.file("badwords.txt"), folder.file("bans.txt")},
        {[this]() -> const std::string& { return own; },
         [this] { ++presentChecks; },
         [this](std::string_view text) { connection.SendChat(text); },
         {}}};
};

using Lines = std::vector<std::string>;

Run Orange(const std::string& text) {
    return {colour::kOrange, text};
}

TEST(ProtectionTest, RulesKickAndBanTheUnprotectedWithOneOrangeLineEach) {
    Bot bot;
    bot.folder.write("badwords.txt", "*darn*\r\n");
    bot.settings.FloodLines = "2/5";
    bot.settings.RepeatLines = "2/10";
    bot.settings.JoinFlood = "1/20";
    bot.protection.Start();

    bot.protection.CheckTalk("bob", "0010", "a");
    bot.protection.CheckTalk("bob", "0010", "b");
    bot.protection.CheckTalk("bob", "0010", "c");
    bot.protection.CheckTalk("bob", "0010", "d");
    bot.protection.CheckTalk("ann", "0010", "hi");
    bot.protection.CheckTalk("ann", "0010", " HI ");
    bot.protection.CheckTalk("eve", "0010", "oh DARN it");
    bot.protection.CheckJoin("zed", "0010");
    bot.protection.CheckJoin("Zed", "0010");
    EXPECT_EQ(bot.sent(), (Lines{"/kick bob flooding", "/kick ann repeating", "/kick eve language",
                                 "/ban Zed join flood"}));
    EXPECT_EQ(bot.logged(),
              (Runs{Orange("Kicked bob: flooding"), Orange("Kicked ann: repeating"),
                    Orange("Kicked eve: language"), Orange("Banned Zed: join flood")}));

    for (const char* name : {"Boss", "alice", "ALICE"}) {
        for (int i = 0; i < 4; ++i) {
            bot.protection.CheckTalk(name, "0010", "darn");
            bot.protection.CheckJoin(name, "0010");
        }
    }
    for (const char* flags : {"0001", "0002", "0008"}) {
        for (int i = 0; i < 4; ++i) {
            bot.protection.CheckTalk(std::string("op") + flags, flags, "darn");
            bot.protection.CheckJoin(std::string("op") + flags, flags);
        }
    }
    EXPECT_TRUE(bot.sent().empty()) << "listed users, the client and staff are left alone";

    // A name holding a lone line end can't be sent: said so, not reported as done.
    bot.protection.CheckTalk("x\ny", "0010", "darn");
    EXPECT_TRUE(bot.sent().empty());
    EXPECT_EQ(bot.logged(),
              (Runs{{colour::kRed, "Could not kick x\ny: the line holds a line end"}}));

    bot.connection.mnuDisconnect_Click();
    bot.logged();
    bot.protection.CheckTalk("newbie", "0010", "darn");
    EXPECT_TRUE(bot.sent().empty());
    EXPECT_TRUE(bot.logged().empty()) << "no kick went out, so none is reported";
}

TEST(ProtectionTest, BansAreLiftedAfterBanMinutesOnceLoggedIn) {
    Bot bot;
    bot.protection.Start();
    bot.settings.BanMinutes = "2";
    EXPECT_TRUE(bot.protection.SendModeration("/ban spam boo"));
    EXPECT_TRUE(bot.protection.SendModeration("/BAN  Evil reason words"));
    EXPECT_TRUE(bot.protection.SendModeration("/kick bob"));
    bot.settings.BanMinutes = "0";
    EXPECT_TRUE(bot.protection.SendModeration("/ban forever"));
    EXPECT_EQ(bot.sent(),
              (Lines{"/ban spam boo", "/BAN  Evil reason words", "/kick bob", "/ban forever"}));
    const std::int64_t end = bot.clock.unix + 120;
    EXPECT_EQ(bot.folder.read("bans.txt"),
              "spam " + std::to_string(end) + "\nEvil " + std::to_string(end) + "\n");

    bot.clock.unix = end;
    bot.protection.Tick();
    EXPECT_TRUE(bot.sent().empty()) << "not before the server has let the client in";
    bot.protection.OnLoggedIn();
    bot.clock.unix = end - 1;
    bot.protection.Tick();
    EXPECT_TRUE(bot.sent().empty()) << "one second early";
    bot.protection.OperatorLine("/unban evil");
    bot.clock.unix = end;
    bot.protection.Tick();
    EXPECT_EQ(bot.sent(), (Lines{"/unban spam"}));
    EXPECT_EQ(bot.logged(), (Runs{Orange("Unbanned spam: ban time over")}));
    EXPECT_EQ(bot.folder.read("bans.txt"), "");
}

TEST(ProtectionTest, PendingBansSurviveARestartAndAreLiftedAfterTheNextLogin) {
    Bot bot;
    bot.folder.write("bans.txt", "old 100\nlater " + std::to_string(bot.clock.unix + 60) + "\n");
    bot.protection.Start();
    bot.protection.OnConnect();
    bot.protection.Tick();
    EXPECT_TRUE(bot.sent().empty());
    bot.protection.OnLoggedIn();
    bot.protection.Tick();
    EXPECT_EQ(bot.sent(), (Lines{"/unban old"}));
    bot.protection.SendModeration("/unban later");
    EXPECT_EQ(bot.sent(), (Lines{"/unban later"}));
    EXPECT_TRUE(bot.protection.timedBans().bans().empty()) << "an unban forgets the pending ban";
}

TEST(ProtectionTest, WhilePacedTheLogAndTheBanFileFollowTheServersReplies) {
    Bot bot;
    bot.settings.SendQuota = "100";
    bot.settings.BanMinutes = "1";
    bot.settings.JoinFlood = "1/20";
    bot.protection.Start();
    bot.protection.OnLoggedIn();
    const auto reply = [&](bool error, const std::string& text) {
        bot.protection.Arrived();
        return bot.protection.OnServerReply(ReadServerReply(error, text, bot.own), text);
    };

    bot.protection.CheckJoin("zed", "0010");
    bot.protection.CheckJoin("Zed", "0010");
    EXPECT_TRUE(bot.protection.SendModeration("/ban ZED other reason"));
    EXPECT_TRUE(bot.protection.SendModeration("/kick bob"));
    EXPECT_TRUE(bot.protection.SendModeration("/ban op"));
    EXPECT_EQ(bot.sent(), (Lines{"/ban Zed join flood", "/kick bob", "/ban op"}))
        << "one ban of zed, the first asker's";
    EXPECT_TRUE(bot.logged().empty()) << "nothing is done before the server says so";
    EXPECT_EQ(bot.folder.read("bans.txt"), "");

    EXPECT_FALSE(reply(false, "Zed has been banned by alice (join flood)."));
    EXPECT_FALSE(reply(false, "bob has been kicked by alice."));
    EXPECT_TRUE(reply(true, "You cannot ban operators."));
    EXPECT_EQ(bot.logged(), (Runs{Orange("Banned Zed: join flood"),
                                  {colour::kRed, "Could not ban op: You cannot ban operators."}}));
    const std::int64_t end = bot.clock.unix + 60;
    EXPECT_EQ(bot.folder.read("bans.txt"), "Zed " + std::to_string(end) + "\n");

    // The timed unban is sent, but the ban is kept until the server lifts it.
    bot.clock.unix = end;
    bot.protection.Tick();
    bot.protection.Tick();
    EXPECT_EQ(bot.sent(), (Lines{"/unban Zed"}));
    EXPECT_EQ(bot.folder.read("bans.txt"), "Zed " + std::to_string(end) + "\n");
    bot.protection.OperatorLine("/unban zed");
    EXPECT_EQ(bot.protection.timedBans().bans().size(), 1u) << "typed, not yet confirmed";
    reply(true, "That user is not banned.");
    EXPECT_EQ(bot.logged(), (Runs{Orange("Unbanned Zed: ban time over")}));
    EXPECT_EQ(bot.folder.read("bans.txt"), "");

    // Without rights, every deed is refused, and told once per session.
    for (const char* name : {"a", "b"}) {
        bot.protection.SendModeration(std::string("/ban ") + name);
    }
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(reply(true, "You have to be at least a Channel Operator to use this command."));
    }
    EXPECT_EQ(bot.logged(), (Runs{{colour::kRed,
                                   "Could not ban a: You have to be at least a "
                                   "Channel Operator to use this command."}}));
    EXPECT_EQ(bot.protection.deeds().open(), 0u);
}

TEST(ProtectionTest, ADamagedBanFileIsWrittenAgainAnUnreadableOneNever) {
    Bot bot;
    bot.settings.BanMinutes = "60";
    bot.folder.write("bans.txt", "old 100\nnonsense\n");
    bot.protection.Start();
    EXPECT_EQ(bot.logged(), (Runs{{colour::kRed, bot.folder.file("bans.txt") +
                                                     " was damaged; it is written "
                                                     "again with the 1 bans that could be read"}}));
    EXPECT_EQ(bot.folder.read("bans.txt"), "old 100\n");

    // A bans.txt that can't be read (here a folder in its place) is left as it is, and no ban
    // is recorded until it can be read.
    Bot other;
    other.settings.BanMinutes = "60";
    std::filesystem::create_directory(other.folder.file("bans.txt"));
    other.protection.Start();
    EXPECT_EQ(other.logged(), (Runs{{colour::kRed, other.folder.file("bans.txt") +
                                                       " could not be read; it is left as it is, "
                                                       "and bans are not lifted by time until it "
                                                       "can be read"}}));
    other.protection.SendModeration("/ban bob boo");
    EXPECT_TRUE(other.protection.timedBans().bans().empty());
    EXPECT_TRUE(other.logged().empty()) << "no failed write is tried";
    EXPECT_TRUE(std::filesystem::is_directory(other.folder.file("bans.txt")));

    std::filesystem::remove(other.folder.file("bans.txt"));
    other.folder.write("bans.txt", "old 100\n");
    other.protection.SendModeration("/ban ann boo");
    EXPECT_EQ(other.folder.read("bans.txt"),
              "old 100\nann " + std::to_string(other.clock.unix + 3600) + "\n");
}

TEST(ProtectionTest, ListEditsChangeTheFilesReloadAndAnswerInOneLine) {
    Bot bot;
    bot.folder.write("shitlist.txt", "a*\r\n");
    bot.banList.LoadBanList(bot.folder.file("shitlist.txt"));
    bot.protection.Start();

    bot.protection.EditList("Boss", ListKind::Ban, true, "spam*");
    EXPECT_EQ(bot.folder.read("shitlist.txt"), "a*\r\nspam*\r\n");
    EXPECT_EQ(bot.banList.patterns(), (Lines{"a*", "spam*"}));
    EXPECT_EQ(bot.presentChecks, 1) << "users present are checked against the new pattern";
    bot.protection.EditList("Boss", ListKind::Ban, true, "SPAM*");
    bot.protection.CountBanList();
    bot.protection.EditList("Boss", ListKind::Ban, false, "a*");
    bot.protection.EditList("Boss", ListKind::Ban, false, "a*");
    EXPECT_EQ(bot.presentChecks, 1);
    EXPECT_EQ(bot.banList.patterns(), (Lines{"spam*"}));
    bot.protection.CountBanList();
    bot.protection.EditList("Boss", ListKind::Words, true, "*heck*");
    EXPECT_TRUE(bot.protection.badWords().MatchesAny("what the HECK"));
    bot.protection.EditList("Boss", ListKind::Words, false, "*heck*");
    EXPECT_FALSE(bot.protection.badWords().MatchesAny("what the HECK"));
    bot.protection.EditList("Boss", ListKind::Words, true, "");
    EXPECT_EQ(bot.sent(), (Lines{"Added spam* to the ban list", "Already on the ban list: SPAM*",
                                 "The ban list holds 2 patterns", "Removed a* from the ban list",
                                 "Not on the ban list: a*", "The ban list holds 1 pattern",
                                 "Added *heck* to the word list",
                                 "Removed *heck* from the word list", "No pattern given"}));
    EXPECT_EQ(bot.logged(), (Runs{Orange("Added spam* to the ban list (Boss)"),
                                  Orange("Removed a* from the ban list (Boss)"),
                                  Orange("Added *heck* to the word list (Boss)"),
                                  Orange("Removed *heck* from the word list (Boss)")}));
}

TEST(ProtectionTest, ListEditsRefusePatternsThatHitTheTrustedOrEveryLine) {
    // own is "alice"; database.txt holds Boss and helper.
    const std::string long60(60, 'x');
    const std::string long61 = long60 + "y";
    const std::string longName(61, 'z');
    const std::string cutInUtf8 = std::string(59, 'x') + "\xC3\xA9z";  // cut before the é
    struct Case {
        ListKind list;
        bool add;
        std::string pattern;
        std::string answer;
        bool changed;
    };
    const Case cases[] = {
        {ListKind::Ban, true, "*", "Refused: * would match alice", false},
        {ListKind::Ban, true, "A?ice", "Refused: A?ice would match alice", false},
        {ListKind::Ban, true, "*e*", "Refused: *e* would match alice", false},
        {ListKind::Ban, true, "b*", "Refused: b* would match Boss", false},
        {ListKind::Ban, true, "*LP*", "Refused: *LP* would match helper", false},
        {ListKind::Ban, true, "bo", "Added bo to the ban list", true},
        {ListKind::Ban, false, "*", "Not on the ban list: *", false},
        {ListKind::Ban, true, long60, "Added " + long60 + " to the ban list", true},
        {ListKind::Ban, true, long61, "Added " + long60 + "... to the ban list", true},
        {ListKind::Ban, true, cutInUtf8, "Added " + std::string(59, 'x') + "... to the ban list",
         true},
        {ListKind::Ban, true, "*" + longName,
         "Refused: *" + std::string(59, 'z') + "... would match " + std::string(60, 'z') + "...",
         false},
        {ListKind::Words, true, "*", "Refused: * would match every line", false},
        {ListKind::Words, true, "?", "Refused: ? would match every line", false},
        {ListKind::Words, true, "*?", "Refused: *? would match every line", false},
        {ListKind::Words, true, "**", "Refused: ** would match every line", false},
        {ListKind::Words, true, "a", "Added a to the word list", true},
        {ListKind::Words, true, "*a*", "Added *a* to the word list", true},
        {ListKind::Words, false, "?", "Not on the word list: ?", false},
    };
    for (const Case& c : cases) {
        Bot bot;
        bot.folder.write("database.txt", "Boss\r\nhelper\r\n" + longName + "\r\n");
        bot.database.LoadDatabase(bot.folder.file("database.txt"));
        bot.protection.Start();
        bot.protection.EditList("Boss", c.list, c.add, c.pattern);
        EXPECT_EQ(bot.sent(), Lines{c.answer}) << c.pattern;
        const std::string file = c.list == ListKind::Ban ? "shitlist.txt" : "badwords.txt";
        EXPECT_EQ(std::filesystem::exists(bot.folder.file(file)), c.changed) << c.pattern;
    }
}

}  // namespace
}  // namespace varno
