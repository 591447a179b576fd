#include <gtest/gtest.h>

#include "client/client.h"
#include "support/client_fixture.h"

// Users already in the channel when the client enters it answer to the ban list like users
// who join; the client's own name never does.
namespace varno {
namespace {

using test::ClientFixture;
using test::GatewayServer;

// The block a gateway sends on entering a channel: the client's name, the channel, and
// everyone in it (the client itself among them).
const QByteArray kEntry =
    "2010 NAME alice#2\r\n1007 CHANNEL \"Lobby\"\r\n1001 USER alice#2 0010 [CHAT]\r\n"
    "1001 USER spam1 0010 [CHAT]\r\n1001 USER bob 0010 [CHAT]\r\n1001 USER Alice7 0000 [CHAT]\r\n";

class BanOnEntryTest : public ::testing::TestWithParam<const Edition*> {
protected:
    BanOnEntryTest() : f(*GetParam()) {}

    void start(const std::string& keys) {
        f.writeFile("shitlist.txt", "spam*\r\nalice*\r\n");
        ASSERT_TRUE(f.startLoggedIn(keys));
    }

    // Waits for the client to answer, then gives everything it sent after the login.
    QByteArray sentAfterLogin(const QByteArray& waitFor, int ms = 5000) {
        GatewayServer::waitUntil([&] { return f.server().received().contains(waitFor); }, ms);
        GatewayServer::waitUntil([] { return false; }, 150);  // and nothing more
        return f.server().received().mid(test::kAliceLogin.size());
    }

    ClientFixture f;
};

TEST_P(BanOnEntryTest, ListedUsersPresentOnEntryAreBannedButNeverTheClientItself) {
    start("");
    f.server().send(kEntry);
    EXPECT_EQ(sentAfterLogin("/ban Alice7 boo\r\n"), "/ban spam1 boo\r\n/ban Alice7 boo\r\n");
    EXPECT_TRUE(f.window().client().roster().findExact("spam1").has_value())
        << "listed before the ban";

    f.server().send("1002 JOIN ALICE#2 0010 [CHAT]\r\n");
    EXPECT_EQ(sentAfterLogin("never", 300), "/ban spam1 boo\r\n/ban Alice7 boo\r\n")
        << "no ban of its own name on a join either";

    f.server().closeConnection();
    ASSERT_TRUE(f.server().waitForConnections(2));
    ASSERT_TRUE(f.server().waitForReceived(test::kAliceLogin));
    f.server().send(kEntry);
    EXPECT_EQ(sentAfterLogin("/ban Alice7 boo\r\n"), "/ban spam1 boo\r\n/ban Alice7 boo\r\n")
        << "the same check on the return after a drop";
}

TEST_P(BanOnEntryTest, BanOnEntryZeroChecksOnlyJoins) {
    start("BanOnEntry=0\n");
    f.server().send(kEntry);
    f.server().send("1002 JOIN spam3 0010 [CHAT]\r\n");
    EXPECT_EQ(sentAfterLogin("/ban spam3 boo\r\n"), "/ban spam3 boo\r\n");
}

// boss and helper are in database.txt; chanop, staff and admin carry flags that mark an
// operator (0x02), staff and an operator (0x0a) and an administrator with an operator (0x03);
// op2, an operator, joins and leaves in one read.
TEST_P(BanOnEntryTest, TrustedUsersAreSparedUnlessProtectTrustedIsZero) {
    const QByteArray entry =
        "2010 NAME alice\r\n1007 CHANNEL \"Lobby\"\r\n1001 USER alice 0010 [CHAT]\r\n"
        "1001 USER boss 0010 [CHAT]\r\n1001 USER Helper 0010 [CHAT]\r\n"
        "1001 USER chanop 0002 [CHAT]\r\n1001 USER staff 000a [CHAT]\r\n"
        "1001 USER admin 0003 [CHAT]\r\n1001 USER bob 0010 [CHAT]\r\n";
    const QByteArray everyone =
        "/ban boss boo\r\n/ban Helper boo\r\n/ban chanop boo\r\n/ban staff boo\r\n"
        "/ban admin boo\r\n/ban bob boo\r\n";
    struct Case {
        std::string keys;
        QByteArray sent;
    };
    const Case cases[] = {
        {"", "/ban bob boo\r\n/ban carol boo\r\n"},
        {"ProtectTrusted=1\n", "/ban bob boo\r\n/ban carol boo\r\n"},
        {"ProtectTrusted = 0\n",
         everyone + "/ban HELPER boo\r\n/ban op2 boo\r\n/ban carol boo\r\n"},
    };
    int salt = 1;
    for (const Case& c : cases) {
        ClientFixture bot(*GetParam(), salt++);
        bot.writeFile("shitlist.txt", "*\r\n");
        bot.writeFile("database.txt", "boss\r\nhelper\r\n");
        ASSERT_TRUE(bot.startLoggedIn("SendQuota=0\n" + c.keys));
        bot.server().send(entry);
        bot.server().send(
            "1002 JOIN HELPER 0010 [CHAT]\r\n1002 JOIN op2 0002 [CHAT]\r\n1003 LEAVE op2 0002\r\n"
            "1002 JOIN carol 0010 [CHAT]\r\n");
        GatewayServer::waitUntil(
            [&] { return bot.server().received().contains("/ban carol boo\r\n"); }, 5000);
        GatewayServer::waitUntil([] { return false; }, 150);
        EXPECT_EQ(bot.server().received().mid(test::kAliceLogin.size()).toStdString(),
                  c.sent.toStdString())
            << c.keys;
    }
}

VARNO_FOR_BOTH_EDITIONS(BanOnEntryTest);

}  // namespace
}  // namespace varno
