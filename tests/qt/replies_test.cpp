#include <gtest/gtest.h>

#include <QFile>

#include "client/client.h"
#include "support/client_fixture.h"

// The server's replies go to the lines that drew them, over a link with the latency of a
// server far away (150 ms each way), where replies cross the lines still on their way: the
// operator's typed bans and unbans keep their answers, and the bot's deeds theirs.
namespace varno {
namespace {

using test::ClientFixture;
using test::GatewayServer;

class RepliesTest : public ::testing::TestWithParam<const Edition*> {
protected:
    RepliesTest() : f(*GetParam(), 61) {}

    // Connects over the slow link, spam* on the ban list, sysop an administrator the gateway
    // will not ban; enter: the server names alice and puts her in Lobby, which she operates.
    void start(const std::string& keys = "", bool enter = true) {
        f.server().answerModeration("alice", {"sysop"});
        f.server().setLatency(150);
        f.writeFile("shitlist.txt", "spam*\r\n");
        ASSERT_TRUE(f.startLoggedIn("SendWindow=1000\nBanMinutes=60\n" + keys));
        if (enter) {
            Enter();
        }
    }
    void Enter() {
        f.server().send("2010 NAME alice\r\n1007 CHANNEL \"Lobby\"\r\n");
        ASSERT_TRUE(GatewayServer::waitUntil(
            [&] { return f.window().client().roster().header() == "Lobby"; }));
    }

    Client& client() { return f.window().client(); }

    // The main log's runs of colour that hold text.
    int runs(Colour colour, const std::string& text) {
        int n = 0;
        for (const varno::Run& run : client().logs().main().runs()) {
            n += run.colour == colour && run.text.find(text) != std::string::npos ? 1 : 0;
        }
        return n;
    }

    QByteArray file(const char* name) {
        QFile f_(f.folder() + "/" + name);
        return f_.open(QIODevice::ReadOnly) ? f_.readAll() : QByteArray();
    }

    int received(const QByteArray& line) { return f.server().received().count(line); }

    // Runs the event loop a while: late answers and any retry come in it.
    static void settle(int ms) {
        GatewayServer::waitUntil([] { return false; }, ms);
    }

    ClientFixture f;
};

// The operator bans an administrator as a listed spammer joins: the refusal is the typed
// line's, shown as the server's own line; the spammer's ban is confirmed and timed.
TEST_P(RepliesTest, ATypedBansRefusalStaysWithTheTypedLine) {
    start();
    client().txtSend_Enter("/ban sysop");
    f.server().send("1002 JOIN spam1 0010 [CHAT]\r\n");
    ASSERT_TRUE(f.waitForLog("spam1 has been banned by alice (boo)."));
    settle(500);
    EXPECT_EQ(runs(colour::kRed, "You cannot ban administrators."), 1);
    EXPECT_EQ(runs(colour::kRed, "Could not"), 0) << f.mainLog();
    EXPECT_TRUE(file("bans.txt").startsWith("spam1 ")) << file("bans.txt").toStdString();
    EXPECT_EQ(client().protection().deeds().open(), 0u);
    f.screenshot(QString("replies_typed_ban_") + (GetParam()->tray ? "tray" : "full"));
}

// A typed unban of a name nobody banned is answered "That user is not banned." while the
// timer's unban of bob is on its way and lost: bob's deed is not settled by it, but sent
// again and confirmed, and only then is bob's timed ban forgotten.
TEST_P(RepliesTest, ATypedUnbansAnswerLeavesTheTimersUnbanOpen) {
    f.writeFile("bans.txt", "bob 100\n");
    f.server().banned("bob");
    f.server().loseNext("/unban bob");
    start("", false);
    client().txtSend_Enter("/unban ghost");
    Enter();                  // logged in: unbans whose time is over go from now on
    client().Timer1_Timer();  // bob's goes behind the typed line, before its answer is back
    ASSERT_TRUE(f.waitForLog("That user is not banned."));
    EXPECT_EQ(runs(colour::kOrange, "Unbanned bob"), 0) << "not by ghost's answer";
    EXPECT_TRUE(f.waitForLog("Unbanned bob: ban time over", 8000));
    EXPECT_EQ(received("/unban bob\r\n"), 2);
    EXPECT_EQ(file("bans.txt"), "");
    EXPECT_EQ(runs(colour::kRed, "That user is not banned."), 1);
}

// The operator's ban of spam3 goes before the bot's bans of spam1 to spam3: its
// confirmation settles no deed and marks none as lost, so each ban is sent once.
TEST_P(RepliesTest, ATypedBansConfirmationOvertakesNoDeed) {
    start("SendQuota=10\n");  // every ban is written before the first answer is back
    client().txtSend_Enter("/ban spam3");
    f.server().send(
        "1002 JOIN spam1 0010 [CHAT]\r\n1002 JOIN spam2 0010 [CHAT]\r\n"
        "1002 JOIN spam3 0010 [CHAT]\r\n");
    ASSERT_TRUE(f.waitForLog("spam3 has been banned by alice (boo)."));
    settle(3500);  // a deed marked lost would go again within the window and its grace
    EXPECT_EQ(received("/ban spam1 boo\r\n"), 1);
    EXPECT_EQ(received("/ban spam2 boo\r\n"), 1);
    EXPECT_EQ(received("/ban spam3"), 2) << "the typed line and the deed";
    EXPECT_EQ(client().protection().deeds().open(), 0u);
}

// A ban line too long to send ends at once, in one red line, and is never tried.
TEST_P(RepliesTest, ABanThatCannotBeSentIsToldOnceAndNeverTried) {
    start();
    const std::string name = "spam" + std::string(196, 'x');
    f.server().send(QByteArray::fromStdString("1002 JOIN " + name + " 0010 [CHAT]\r\n"));
    ASSERT_TRUE(f.waitForLog("Could not ban"));
    settle(3500);
    EXPECT_EQ(
        runs(colour::kRed, "Could not ban " + name + ": the line is too long to send (209 bytes)"),
        1);
    EXPECT_EQ(runs(colour::kRed, "Could not"), 1);
    EXPECT_EQ(runs(colour::kRed, "Line too long"), 0);
    EXPECT_EQ(received("/ban "), 0);
    EXPECT_EQ(client().protection().deeds().open(), 0u);
}

// Pacing turned off while a ban is on its way: its confirmation still settles it, it is
// recorded to be lifted, and nothing is sent a second time.
TEST_P(RepliesTest, TurningPacingOffWithADeedOpenSettlesItByItsReply) {
    start();
    f.server().send("1002 JOIN spam1 0010 [CHAT]\r\n");
    ASSERT_TRUE(GatewayServer::waitUntil([&] { return received("/ban spam1 boo\r\n") == 1; }));
    ASSERT_EQ(client().protection().deeds().open(), 1u) << "the reply is still on its way";
    ASSERT_TRUE(client().SaveSettings({{"SendQuota", "0"}}));
    ASSERT_TRUE(f.waitForLog("spam1 has been banned by alice (boo)."));
    settle(3500);
    EXPECT_EQ(client().protection().deeds().open(), 0u);
    EXPECT_EQ(received("/ban spam1"), 1);
    EXPECT_TRUE(file("bans.txt").startsWith("spam1 "));
    EXPECT_EQ(runs(colour::kRed, "Could not"), 0);
}

VARNO_FOR_BOTH_EDITIONS(RepliesTest);

}  // namespace
}  // namespace varno
