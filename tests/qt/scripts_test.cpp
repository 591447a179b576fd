#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest/QTest>

#include "client/client.h"
#include "support/client_fixture.h"
#include "ui/moderation_window.h"

namespace varno {
namespace {

using test::ClientFixture;
using test::GatewayServer;

constexpr int kPaceMs = 20000;

// The shipped example scripts in a window program, against a gateway that answers bans and
// kicks as a real server does.
class ScriptsTest : public ::testing::TestWithParam<const Edition*> {
protected:
    ScriptsTest() : f(*GetParam()) {}

    void SetUp() override {
        QDir(f.folder()).mkpath("scripts");
        f.writeFile("database.txt", "Boss\r\n");
        f.server().answerModeration("alice", {"admin1"});
    }

    void copyScript(const char* name) {
        QFile::copy(QString(VARNO_EXAMPLES) + "/" + name, f.folder() + "/scripts/" + name);
    }

    bool start(const std::string& settings = "") {
        if (!f.startLoggedIn("Trigger=!\nScripts=scripts\n" + settings)) {
            return false;
        }
        f.server().send("2010 NAME alice\r\n1007 CHANNEL \"Lobby\"\r\n");
        return GatewayServer::waitUntil(
            [&] { return f.window().client().roster().header() == "Lobby"; });
    }

    // The lines sent after the login, once text has been, and nothing more for 200 ms. The
    // long bound is for the pace: the greetings and answers fill the send window, and a
    // line may wait for the next one.
    QByteArray sentAfter(const QByteArray& text) {
        GatewayServer::waitUntil([&] { return f.server().received().contains(text); }, kPaceMs);
        GatewayServer::waitUntil([] { return false; }, 200);
        return f.server().received().mid(test::kAliceLogin.size());
    }

    bool logHas(Colour colour, const std::string& text) {
        for (const varno::Run& run : f.window().client().logs().main().runs()) {
            if (run.colour == colour && run.text.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    ClientFixture f;
};

TEST_P(ScriptsTest, TheShippedScriptsDoTheirJobs) {
    for (const char* name : {"greet.lua", "seen.lua", "productban.lua"}) {
        copyScript(name);
    }
    ASSERT_TRUE(start());

    // greet: once a day each; seen: what carol last said; productban: a listed product is
    // banned, a trusted user never.
    f.server().send("1002 JOIN bob 0010 [CHAT]\r\n1005 TALK carol 0010 \"hello there\"\r\n");
    EXPECT_TRUE(sentAfter("Welcome, bob!\r\n").contains("Welcome, bob!\r\n"));
    f.server().send("1003 LEAVE bob 0010\r\n1002 JOIN bob 0010 [CHAT]\r\n");
    f.server().send("1005 TALK bob 0010 \"!seen carol\"\r\n");
    const QByteArray seen = sentAfter("carol was last seen");
    EXPECT_EQ(seen.count("Welcome, bob!"), 1) << "once a day";
    EXPECT_TRUE(seen.contains("carol was last seen ")) << seen.toStdString();
    EXPECT_TRUE(seen.contains("saying: hello there\r\n")) << seen.toStdString();

    f.server().send("1002 JOIN raider 0010 [SEXP]\r\n1002 JOIN Boss 0010 [SEXP]\r\n");
    EXPECT_TRUE(
        sentAfter("/ban raider").contains("/ban raider This product is not welcome here.\r\n"));
    EXPECT_TRUE(f.waitForLog("productban: banned raider", kPaceMs));
    EXPECT_TRUE(logHas(colour::kLightGrey, "productban: banned raider"));
    EXPECT_TRUE(
        logHas(colour::kOrange, "Banned raider: This product is not welcome here. (productban)"));
    EXPECT_FALSE(f.server().received().contains("/ban Boss")) << "a trusted user is spared";

    // The server's refusal reaches the script that asked, in the server's words.
    f.server().send("1002 JOIN admin1 0010 [W2BN]\r\n");
    EXPECT_TRUE(
        f.waitForLog("productban: could not ban admin1: You cannot ban administrators.", kPaceMs));
}

// With pacing off a script's line goes at once, but only the server's confirmation is a
// deed done: a refusal is told as not done, in the server's words.
TEST_P(ScriptsTest, WithPacingOffAScriptIsToldWhatTheServerAnswered) {
    copyScript("productban.lua");
    ASSERT_TRUE(start("SendQuota=0\n"));
    f.server().send("1002 JOIN raider 0010 [W2BN]\r\n1002 JOIN admin1 0010 [W2BN]\r\n");
    EXPECT_TRUE(f.server().waitForReceived("/ban raider This product is not welcome here.\r\n"));
    EXPECT_TRUE(f.waitForLog("productban: banned raider"));
    EXPECT_TRUE(f.waitForLog("productban: could not ban admin1: You cannot ban administrators."));
    EXPECT_FALSE(logHas(colour::kLightGrey, "productban: banned admin1"));
}

TEST_P(ScriptsTest, ALockSurvivesARestartAndOnlyTrustedUsersGiveIt) {
    copyScript("lockdown.lua");
    ASSERT_TRUE(start());
    f.server().send("1005 TALK troll 0010 \"!lock\"\r\n1002 JOIN early 0010 [CHAT]\r\n");
    f.server().send("1005 TALK Boss 0010 \"!lock\"\r\n");
    EXPECT_TRUE(sentAfter("The channel is locked").contains("The channel is locked: "));
    EXPECT_FALSE(f.server().received().contains("/kick early")) << "troll's lock did nothing";

    const int before = f.server().connectionCount();
    f.start();  // a restart, the store kept beside the script
    ASSERT_TRUE(f.server().waitForConnections(before + 1));
    ASSERT_TRUE(f.server().waitForReceived(test::kAliceLogin, 15000));
    f.server().send("2010 NAME alice\r\n1007 CHANNEL \"Lobby\"\r\n");
    f.server().send("1002 JOIN stranger 0010 [CHAT]\r\n1002 JOIN Boss 0010 [CHAT]\r\n");
    EXPECT_TRUE(
        sentAfter("/kick stranger").contains("/kick stranger The channel is locked for now.\r\n"));
    EXPECT_FALSE(f.server().received().contains("/kick Boss"));
    EXPECT_TRUE(
        f.waitForLog("Kicked stranger: The channel is locked for now. (lockdown)", kPaceMs));
}

// A script that never ends its event, and one that asks for ever more memory: each is
// stopped with one red line and turned off, the window goes on, and the Scripts page shows
// them off until Reload.
TEST_P(ScriptsTest, RunawayScriptsAreStoppedAndShownOff) {
    f.writeFile("scripts/loop.lua", "function on_talk() while true do end end\n");
    f.writeFile(
        "scripts/hog.lua",
        "local t = {}\nfunction on_talk() while true do t[#t + 1] = ('x'):rep(1 << 20) .. #t "
        "end end\n");
    f.writeFile("scripts/echo.lua",
                "function on_talk(name, text) varno.log(name .. ' ' .. text) end\n");
    ASSERT_TRUE(start());
    f.server().send("1005 TALK bob 0010 \"one\"\r\n");
    EXPECT_TRUE(f.waitForLog("Script loop: instruction limit passed"));
    EXPECT_TRUE(f.waitForLog("Script hog: memory limit passed"));
    EXPECT_TRUE(logHas(colour::kRed, "Script loop: instruction limit passed"));
    f.server().send("1005 TALK bob 0010 \"two\"\r\n");
    EXPECT_TRUE(f.waitForLog("echo: bob two")) << "the others go on";
    const std::string log = f.mainLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n') > 0, true);
    EXPECT_EQ(log.find("Script loop:"), log.rfind("Script loop:")) << "once";

    f.window().mnuModeration_Click();
    auto* page = f.window().moderationWindow()->findChild<QWidget*>("scriptsPage");
    f.window().moderationWindow()->pages()->setCurrentWidget(page);
    auto* list = page->findChild<QTreeWidget*>("scripts");
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "echo");
    EXPECT_EQ(list->topLevelItem(0)->text(1), "running");
    EXPECT_TRUE(list->topLevelItem(1)->text(1).startsWith("off: memory limit passed"));
    EXPECT_TRUE(list->topLevelItem(2)->text(1).startsWith("off: instruction limit passed"));
    QDir().mkpath(VARNO_SHOTS);
    f.window().moderationWindow()->grab().save(QString(VARNO_SHOTS) + "/moderation-scripts-" +
                                               (GetParam()->tray ? "2.00" : "2.01") + ".png");

    f.writeFile("scripts/loop.lua", "function on_talk() varno.log('mended') end\n");
    QTest::mouseClick(page->findChild<QPushButton*>("reload"), Qt::LeftButton);
    EXPECT_EQ(list->topLevelItem(2)->text(1), "running");
    f.server().send("1005 TALK bob 0010 \"three\"\r\n");
    EXPECT_TRUE(f.waitForLog("loop: mended"));
}

VARNO_FOR_BOTH_EDITIONS(ScriptsTest);

}  // namespace
}  // namespace varno
