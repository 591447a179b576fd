#include <gtest/gtest.h>

#include "support/bot_fixture.h"
#include "support/client_fixture.h"
#include "support/gateway_server.h"

// VarnoBot against servers that drop it for a ban line, at once or while the answer is
// still due, and list the user again at every entry: the ban goes three times in all, one
// red line tells it, and the entries after that send none.
namespace varno {
namespace {

using test::GatewayServer;
using test::WriteFile;

class BanBoundsTest : public test::BotFixture, public ::testing::WithParamInterface<int> {
protected:
    int bans() const { return server.receivedAll().count("/ban evil1 boo\r\n"); }
};

TEST_P(BanBoundsTest, AServerThatDropsTheBotForABanSeesItThreeTimes) {
    const int dropAfterMs = GetParam();
    server.greetEachLogin(
        "2010 NAME alice\r\n1007 CHANNEL \"Lobby\"\r\n1001 USER evil1 0010 [CHAT]\r\n");
    server.dropOn("/ban ", dropAfterMs);
    ASSERT_TRUE(server.listen());
    WriteFile(file("Varno.ini"), QByteArray("[Varno]\n") + test::kAliceSettings +
                                     "Backoff=0\nServer=" + server.host().toUtf8() + "\n");
    WriteFile(file("shitlist.txt"), "evil*\r\n");
    start({"--folder", dir.path(), "--color=never"});
    const int wait = 3 * (dropAfterMs + 2000);
    ASSERT_TRUE(waitForOutput(
        "] Could not ban evil1: the connection dropped each time it was sent\n", wait));
    ASSERT_TRUE(server.waitForConnections(4));
    // Two more entries, the server going down after each.
    for (int connections = 5; connections <= 6; ++connections) {
        ASSERT_TRUE(server.waitForReceived("/join Lobby\r\n"));
        GatewayServer::waitUntil([] { return false; }, 300);  // a ban would go at the entry
        server.closeConnection();
        ASSERT_TRUE(server.waitForConnections(connections));
    }
    ASSERT_TRUE(server.waitForReceived("/join Lobby\r\n"));
    GatewayServer::waitUntil([] { return false; }, 300);
    EXPECT_EQ(bans(), 3);
    waitForOutput("never shown", 100);
    EXPECT_EQ(out.count("Could not ban"), 1);
    bot.terminate();
    EXPECT_TRUE(bot.waitForFinished());
}

// At once, and 6 s after the line: past the window's 5 s, within it and the 2 s of grace.
INSTANTIATE_TEST_SUITE_P(Drops, BanBoundsTest, ::testing::Values(0, 6000), [](const auto& info) {
    return info.param == 0 ? std::string("AtOnce") : std::string("SixSecondsLater");
});

}  // namespace
}  // namespace varno
