#include <gtest/gtest.h>

#include "moderation/protection.h"
#include "support/connection_rig.h"

// What a script is told of its bans, kicks and unbans: once per deed, only what the server
// said, paced or not, and no more than a hundred waiting at once.
namespace varno {
namespace {

using Lines = std::vector<std::string>;

// Protection over a logged-in connection whose sends are recorded; what scripts are told is
// kept as "SCRIPT ACTION NAME done|not TEXT".
struct Rig : test::ConnectionRig {
    explicit Rig(const std::string& quota) {
        settings.SendQuota = quota;
        settings.BanMinutes = "1";
        link.connectNow();
        connection.sck_connect();
        protection.OnLoggedIn();
        link.written.clear();
    }

    std::string ask(const std::string& script, const std::string& line) {
        return protection.ScriptModeration(script, "Script " + script, line, "Done " + line);
    }
    void reply(bool error, const std::string& text) {
        protection.Arrived();
        protection.OnServerReply(ReadServerReply(error, text, "alice"), text);
    }
    Lines sent() {
        Lines lines;
        for (const std::string& w : link.written) {
            lines.push_back(w.substr(0, w.size() - 2));
        }
        link.written.clear();
        return lines;
    }
    Lines told() { return std::exchange(tells, {}); }
    Lines logged(Colour colour) {
        Lines lines;
        for (const Run& run : writer.main().runs()) {
            if (run.colour == colour) {
                lines.push_back(run.text.substr(0, run.text.size() - 2));
            }
        }
        writer.main().clear();
        return lines;
    }

    test::TempFolder folder;
    Database database;
    BanList banList;
    std::string own = "alice";
    Lines tells;
    Protection protection{
        settings,
        database,
        banList,
        writer,
        clock,
        connection,
        {folder.file("shitlist.txt"), folder.file("badwords.txt"), folder.file("bans.txt")},
        {[this]() -> const std::string& { return own; }, [] {},
         [this](std::string_view text) { connection.SendChat(text); },
         [this](std::string_view script, DeedBook::Action action, std::string_view name, bool done,
                std::string_view text) {
             tells.push_back(std::string(script) + " " + std::string(DeedBook::Verb(action)) + " " +
                             std::string(name) + (done ? " done " : " not ") + std::string(text));
         }}};
};

// With pacing off the line goes at once, and the script hears what the server answered: a
// confirmation is done (its orange line and timed ban follow it), a refusal is not, in the
// server's words; a line unanswered for the window and its grace, or met by a drop, is
// only sent.
TEST(ScriptDeedsTest, WithPacingOffOnlyTheServersAnswerIsDone) {
    Rig rig("0");
    EXPECT_EQ(rig.ask("s", "/ban ok boo"), "");
    EXPECT_EQ(rig.ask("s", "/ban admin boo"), "");
    EXPECT_EQ(rig.ask("s", "/unban gone"), "");
    EXPECT_EQ(rig.ask("s", "/ban OK other"), "") << "the same deed: nothing more";
    EXPECT_EQ(rig.sent(), (Lines{"/ban ok boo", "/ban admin boo", "/unban gone"}));
    rig.protection.Tick();
    EXPECT_EQ(rig.told(), Lines{}) << "sending is not doing";
    EXPECT_TRUE(rig.protection.timedBans().bans().empty());

    rig.reply(false, "ok has been banned by alice (boo).");
    rig.reply(true, "You cannot ban administrators.");
    rig.reply(true, "That user is not banned.");
    EXPECT_EQ(rig.told(), (Lines{"s ban ok done ", "s ban admin not You cannot ban administrators.",
                                 "s unban gone done "}));
    EXPECT_EQ(rig.logged(colour::kOrange), (Lines{"Done /ban ok boo", "Done /unban gone"}));
    ASSERT_EQ(rig.protection.timedBans().bans().size(), 1u);
    EXPECT_EQ(rig.protection.timedBans().bans()[0].name, "ok");

    // No answer: told at the window and its grace, not a millisecond before.
    const std::int64_t due = rig.connection.sendWindowMs() + DeedBook::kGraceMs;
    EXPECT_EQ(rig.ask("s", "/kick quiet"), "");
    rig.clock.ms += due - 1;
    rig.protection.Tick();
    EXPECT_EQ(rig.told(), Lines{});
    rig.clock.ms += 1;
    rig.protection.Tick();
    EXPECT_EQ(rig.told(), Lines{"s kick quiet not sent; the server did not answer"});

    EXPECT_EQ(rig.ask("s", "/ban lost"), "");
    rig.link.dropNow();
    rig.connection.sck_Close();
    EXPECT_EQ(rig.told(), Lines{"s ban lost not sent; the connection dropped"});
    EXPECT_EQ(rig.ask("s", "/ban later"), "not connected");
    EXPECT_EQ(rig.logged(colour::kOrange), Lines{}) << "nothing undone is told as done";
}

// Paced, a script asking twice for one open deed is told once; a line that can't be sent
// opens nothing and says why; a script waits on at most 100 deeds, the cap said once each
// time it is met, and another script is not held by it.
TEST(ScriptDeedsTest, EachDeedIsToldOnceAndAScriptWaitsOnAHundredAtMost) {
    Rig rig("1000");
    EXPECT_EQ(rig.ask("s", "/ban x boo"), "");
    EXPECT_EQ(rig.ask("s", "/ban X again"), "");
    EXPECT_EQ(rig.ask("t", "/ban x boo"), "");
    EXPECT_EQ(rig.sent(), Lines{"/ban x boo"});
    EXPECT_EQ(rig.ask("s", "/ban a\rb"), "the line holds a line end");
    EXPECT_EQ(rig.logged(colour::kRed), Lines{"Could not ban a\rb: the line holds a line end"});
    rig.reply(false, "x has been banned by alice (boo).");
    EXPECT_EQ(rig.told(), (Lines{"s ban x done ", "t ban x done "}));

    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(rig.ask("s", "/kick k" + std::to_string(i)), "") << i;
    }
    const std::string cap = "Script s: 100 deeds open; more are refused until some end";
    EXPECT_EQ(rig.ask("s", "/kick k100"), "too many open deeds (100)");
    EXPECT_EQ(rig.ask("s", "/kick k101"), "too many open deeds (100)");
    EXPECT_EQ(rig.ask("s", "/kick k0"), "") << "asked for already";
    EXPECT_EQ(rig.ask("t", "/kick k100"), "");
    EXPECT_EQ(rig.logged(colour::kRed), Lines{cap}) << "once while the cap holds";
    rig.reply(false, "k0 has been kicked by alice.");
    EXPECT_EQ(rig.told(), Lines{"s kick k0 done "});
    EXPECT_EQ(rig.ask("s", "/kick k101"), "");
    EXPECT_EQ(rig.ask("s", "/kick k102"), "too many open deeds (100)");
    EXPECT_EQ(rig.logged(colour::kRed), Lines{cap}) << "met again";
}

}  // namespace
}  // namespace varno
