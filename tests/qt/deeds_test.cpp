#include <gtest/gtest.h>

#include <QFile>

#include "client/client.h"
#include "support/client_fixture.h"
#include "support/flood_gateway.h"

// Bans and unbans that hold against a gateway that loses lines, drops the connection and
// refuses a client without rights: every deed the bot meant ends confirmed or reported.
namespace varno {
namespace {

using test::ClientFixture;
using test::FloodGateway;
using test::GatewayServer;

QByteArray Joins(int count) {
    QByteArray block;
    for (int i = 1; i <= count; ++i) {
        block += "1002 JOIN spam" + QByteArray::number(i) + " 0010 [CHAT]\r\n";
    }
    return block;
}

class DeedsTest : public ::testing::TestWithParam<const Edition*> {
protected:
    DeedsTest() : f(*GetParam()) {}

    void start(FloodGateway::Rule rule, const std::string& keys = "") {
        rule.windowMs = 500;
        rule.answerModeration = true;
        gateway = std::make_unique<FloodGateway>(test::OwnLoopbackAddress(2), rule);
        ASSERT_TRUE(gateway->listen());
        f.writeFile("shitlist.txt", "spam*\r\n*1\r\n");
        f.writeSettings("Server=" + gateway->host().toStdString() + "\n" + test::kAliceSettings +
                        "SendWindow=500\n" + keys);
        f.start();
        ASSERT_TRUE(gateway->waitForReceived(test::kAliceLogin));
        ASSERT_TRUE(f.waitForLog("Joined Channel: Lobby") || !GetParam()->channelJoinedLine);
    }

    // The main log's runs of colour that hold text.
    int runs(Colour colour, const std::string& text) {
        int n = 0;
        for (const varno::Run& run : f.window().client().logs().main().runs()) {
            n += run.colour == colour && run.text.find(text) != std::string::npos ? 1 : 0;
        }
        return n;
    }

    bool allBanned(int count) {
        const QMap<QByteArray, int> bans = gateway->bans();
        for (int i = 1; i <= count; ++i) {
            if (!bans.contains("spam" + QByteArray::number(i))) {
                return false;
            }
        }
        return true;
    }

    ClientFixture f;
    std::unique_ptr<FloodGateway> gateway;
};

TEST_P(DeedsTest, AWaveWithLostBansAndADroppedConnectionEndsWithEveryBanConfirmedOnce) {
    start({.loseEveryNthModeration = 4, .closeFirstAfterLines = 15});
    gateway->send(Joins(30));
    ASSERT_TRUE(gateway->waitForConnections(2, 20000));
    EXPECT_TRUE(GatewayServer::waitUntil([&] { return allBanned(30); }, 30000));
    GatewayServer::waitUntil([] { return false; }, 3000);  // the last answers, any late retry

    EXPECT_GT(gateway->lostModeration(), 4);
    const QMap<QByteArray, int> bans = gateway->bans();
    EXPECT_EQ(bans.size(), 30);
    for (auto it = bans.begin(); it != bans.end(); ++it) {
        EXPECT_EQ(it.value(), 1) << it.key().toStdString() << " banned more than once";
    }
    EXPECT_EQ(runs(colour::kYellow, " has been banned by alice (boo)."), 30);
    EXPECT_EQ(runs(colour::kRed, "Could not"), 0);
    EXPECT_EQ(f.window().client().protection().deeds().open(), 0u);
    f.screenshot(QString("deeds_wave_confirmed_") + (GetParam()->tray ? "tray" : "full"));
}

TEST_P(DeedsTest, TheIdleEmoteJustBeforeAWaveCostsNoBan) {
    start({}, "Idle=is here\n");
    for (int i = 0; i < 30; ++i) {
        f.window().client().Timer2_Timer();
    }
    gateway->send(Joins(12));
    EXPECT_TRUE(GatewayServer::waitUntil([&] { return allBanned(12); }, 15000));
    EXPECT_EQ(gateway->droppedLines(), 0);
    EXPECT_EQ(gateway->lostModeration(), 0);
}

TEST_P(DeedsTest, DueUnbansAcrossADroppedConnectionAreAllConfirmedAndKeptUntilThen) {
    QByteArray pending;
    for (int i = 1; i <= 10; ++i) {
        pending += "gone" + QByteArray::number(i) + " 100\n";
    }
    f.writeFile("bans.txt", pending);
    start({.closeFirstAfterLines = 3});
    ASSERT_TRUE(gateway->waitForConnections(2));
    EXPECT_TRUE(GatewayServer::waitUntil(
        [&] { return runs(colour::kOrange, ": ban time over") == 10; }, 15000));
    GatewayServer::waitUntil([] { return false; }, 500);
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(runs(colour::kOrange, "Unbanned gone" + std::to_string(i) + ": ban time over"), 1)
            << i;
    }
    QFile bans(f.folder() + "/bans.txt");
    ASSERT_TRUE(bans.open(QIODevice::ReadOnly));
    EXPECT_EQ(bans.readAll(), "");
}

TEST_P(DeedsTest, WithoutOperatorRightsOneRedLineTellsIt) {
    start({.channelOperator = false});
    gateway->send(Joins(6));
    EXPECT_TRUE(f.waitForLog("Could not ban"));
    GatewayServer::waitUntil([&] { return f.window().client().protection().deeds().open() == 0; });
    GatewayServer::waitUntil([] { return false; }, 300);
    EXPECT_EQ(runs(colour::kRed,
                   "Could not ban spam1: You have to be at least a Channel Operator "
                   "to use this command."),
              1);
    EXPECT_EQ(runs(colour::kRed, "You have to be at least"), 1) << "not once per user";
    EXPECT_EQ(gateway->received().count("/ban "), 6) << "a refused deed is not tried again";
}

VARNO_FOR_BOTH_EDITIONS(DeedsTest);

}  // namespace
}  // namespace varno
