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

VARNO_FOR_BOTH_EDITIONS(BanOnEntryTest);

}  // namespace
}  // namespace varno
