#include <gtest/gtest.h>

#include "client/client.h"
#include "support/client_fixture.h"

namespace varno {
namespace {

using test::ClientFixture;
using test::GatewayServer;

class ModerationTest : public ::testing::TestWithParam<const Edition*> {
protected:
    ModerationTest() : f(*GetParam()) {}

    void SetUp() override {
        f.writeFile("shitlist.txt", "spam*\r\n*bot\r\n[clan]*\r\n");
        f.writeFile("database.txt", "Boss\r\n");
        // Lines taken as done, one ban per matching pattern: what the bot does without pacing.
        ASSERT_TRUE(f.startLoggedIn("Trigger=!\nSendQuota=0\n"));
    }

    // Waits for the client to answer, then gives everything it sent after the login.
    QByteArray sentAfterLogin(const QByteArray& waitFor, int ms = 5000) {
        GatewayServer::waitUntil([&] { return f.server().received().contains(waitFor); }, ms);
        GatewayServer::waitUntil([] { return false; }, 100);  // and nothing more
        return f.server().received().mid(test::kAliceLogin.size());
    }

    ClientFixture f;
};

TEST_P(ModerationTest, ListedJoinIsBannedOncePerMatchingPatternWhereverItArrives) {
    f.server().send("1002 JOIN spambot 0010 [CHAT]\r\n");  // matches two patterns
    EXPECT_EQ(sentAfterLogin("/ban spambot boo\r\n/ban spambot boo\r\n"),
              "/ban spambot boo\r\n/ban spambot boo\r\n");
    EXPECT_NE(f.mainLog().find("spambot has joined the channel"), std::string::npos);
    EXPECT_TRUE(f.window().client().roster().findExact("spambot").has_value())
        << "listed before the ban";

    f.server().send("1005 TALK bob 0010 \"hi\"\r\n1002 JOIN [Clan]Bob 0010 [STAR]\r\n");
    EXPECT_EQ(sentAfterLogin("/ban [Clan]Bob boo\r\n"),
              "/ban spambot boo\r\n/ban spambot boo\r\n/ban [Clan]Bob boo\r\n");

    f.server().send("1002 JOIN Evil");
    GatewayServer::waitUntil([] { return false; }, 50);
    f.server().send("bot 0010 [CHAT]\r\n");
    EXPECT_TRUE(f.server().waitForReceived("/ban Evilbot boo\r\n"));
    EXPECT_EQ(f.server().received().count("/ban Evilbot boo\r\n"), 1) << "once, and whole";
    f.server().send("1002 JOIN Innocent 0010 [CHAT]\r\n");
    EXPECT_FALSE(sentAfterLogin("Innocent", 300).contains("Innocent"));
}

TEST_P(ModerationTest, ListedUsersDriveTheBotAfterTheNameEvent) {
    f.server().send("1005 TALK Boss 0010 \"!say too early\"\r\n");
    EXPECT_FALSE(sentAfterLogin("too early", 300).contains("too early"))
        << "no database before the first name event";

    f.server().send("2010 NAME alice\r\n1005 TALK boss 0010 \"!SAY Hello\"\r\n");
    EXPECT_TRUE(f.server().waitForReceived("Hello\r\n"));
    f.server().send("1005 TALK Boss 0010 \"!version\"\r\n1005 TALK Nobody 0010 \"!say x\"\r\n");
    const QByteArray reply = QByteArray(GetParam()->versionReply.data()) + "\r\n";
    EXPECT_EQ(sentAfterLogin(reply), "Hello\r\n" + reply);

    // The server does not echo the bot's own lines: the main log shows them as typed ones.
    const std::string version(GetParam()->versionReply);
    Runs expected;
    for (const std::string& said : {std::string("Hello"), version}) {
        if (GetParam()->singleRunLines) {
            expected.push_back({colour::kWhite, "alice: " + said + "\r\n"});
        } else {
            expected.push_back({colour::kLightYellow, "alice: "});
            expected.push_back({colour::kWhite, said + "\r\n"});
        }
    }
    Runs own;
    for (const varno::Run& run : f.window().client().logs().main().runs()) {
        if (run.text.starts_with("alice: ") || (!own.empty() && own.back().text == "alice: ")) {
            own.push_back(run);
        }
    }
    EXPECT_EQ(own, expected);

    f.server().send("1005 TALK Boss 0010 \"!reconnect\"\r\n");
    EXPECT_TRUE(f.server().waitForConnections(2));
    EXPECT_TRUE(f.server().waitForReceived(test::kAliceLogin)) << "a fresh login after !reconnect";
}

TEST_P(ModerationTest, ABanWhileDownSendsNothing) {
    f.window().client().mnuDisconnect_Click();
    f.window().client().sck_dataarrival("1002 JOIN spammer 0010 [CHAT]\r\n");
    GatewayServer::waitUntil([] { return false; }, 100);
    EXPECT_EQ(f.server().received(), test::kAliceLogin);
}

VARNO_FOR_BOTH_EDITIONS(ModerationTest);

}  // namespace
}  // namespace varno
