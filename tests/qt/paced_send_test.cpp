#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QTest>

#include "client/client.h"
#include "support/client_fixture.h"
#include "support/flood_gateway.h"

// A channel flooded with listed users, against a gateway that drops lines past its quota and
// throws off a client that keeps on sending.
namespace varno {
namespace {

using test::ClientFixture;
using test::FloodGateway;
using test::GatewayServer;

constexpr int kWave = 30;

QByteArray JoinWave() {
    QByteArray block;
    for (int i = 1; i <= kWave; ++i) {
        block += "1002 JOIN spam" + QByteArray::number(i) + " 0010 [CHAT]\r\n";
    }
    return block;
}

QByteArray BansOfTheWave() {
    QByteArray bans;
    for (int i = 1; i <= kWave; ++i) {
        bans += "/ban spam" + QByteArray::number(i) + " boo\r\n";
    }
    return bans;
}

class PacedSendTest : public ::testing::TestWithParam<const Edition*> {
protected:
    PacedSendTest() : f(*GetParam()) {}

    void startAgainstFloodRule(const std::string& keys, int windowMs) {
        gateway = std::make_unique<FloodGateway>(test::OwnLoopbackAddress(1),
                                                 FloodGateway::Rule{.windowMs = windowMs});
        ASSERT_TRUE(gateway->listen());
        f.writeFile("shitlist.txt", "spam*\r\n");
        f.writeSettings("Server=" + gateway->host().toStdString() + "\n" + test::kAliceSettings +
                        keys);
        f.start();
        ASSERT_TRUE(gateway->waitForReceived(test::kAliceLogin));
    }

    ClientFixture f;
    std::unique_ptr<FloodGateway> gateway;
};

TEST_P(PacedSendTest, WaveOfListedJoinsIsBannedWithoutEverFlooding) {
    startAgainstFloodRule("SendWindow=500\n", 500);
    gateway->send(JoinWave());
    // The first bans go at once (the login's channel line took a unit), the rest wait.
    ASSERT_TRUE(gateway->waitForReceived("/ban spam3 boo\r\n"));
    EXPECT_TRUE(f.window().lbluptime()->text().endsWith(" - 27 lines waiting to be sent"));
    f.screenshot(QString("wave_of_joins_") + (GetParam()->tray ? "tray" : "full"));

    EXPECT_TRUE(gateway->waitForReceived(BansOfTheWave(), 20000));
    EXPECT_EQ(gateway->received(), test::kAliceLogin + BansOfTheWave());
    EXPECT_EQ(gateway->droppedLines(), 0);
    EXPECT_LE(gateway->worstWindowUnits(), 4);
    EXPECT_EQ(gateway->floodCloses(), 0);
    EXPECT_EQ(gateway->connectionCount(), 1);
    EXPECT_EQ(f.window().client().connection().waitingLines(), 0u);
    EXPECT_FALSE(f.window().lbluptime()->text().contains("waiting"));
}

TEST_P(PacedSendTest, WithoutPacingTheSameWaveGetsTheClientThrownOff) {
    startAgainstFloodRule("SendQuota=0\nSendWindow=500\n", 500);
    gateway->send(JoinWave());
    EXPECT_TRUE(gateway->waitForConnections(2));
    EXPECT_GT(gateway->droppedLines(), 0);
    EXPECT_EQ(gateway->floodCloses(), 1);
}

TEST_P(PacedSendTest, WithTheDefaultKeysASingleTypedLineGoesOutAtOnce) {
    startAgainstFloodRule("", 5000);
    f.window().txtSend()->setText("hello there");
    QTest::keyClick(f.window().txtSend(), Qt::Key_Return);
    EXPECT_EQ(f.window().client().connection().waitingLines(), 0u) << "written, not waiting";
    EXPECT_TRUE(gateway->waitForReceived(test::kAliceLogin + "hello there\r\n\r\n"));
    EXPECT_EQ(gateway->droppedLines(), 0);
    EXPECT_EQ(gateway->worstWindowUnits(), 3) << "the channel line, the text, the empty line";
}

// A script that says a line per user, thirty at once: they wait in the queue as the
// program's own lines do, and none is dropped or costs the connection.
TEST_P(PacedSendTest, AScriptsFloodOfLinesIsPacedByTheQueue) {
    QDir(f.folder()).mkpath("scripts");
    f.writeFile("scripts/flood.lua",
                "function on_talk() for i = 1, 30 do varno.say('line ' .. i) end end\n");
    startAgainstFloodRule("Scripts=scripts\nSendWindow=500\n", 500);
    gateway->send("1005 TALK bob 0010 \"go\"\r\n");
    QByteArray lines;
    for (int i = 1; i <= 30; ++i) {
        lines += "line " + QByteArray::number(i) + "\r\n";
    }
    EXPECT_TRUE(gateway->waitForReceived(test::kAliceLogin + lines, 20000));
    EXPECT_EQ(gateway->droppedLines(), 0);
    EXPECT_LE(gateway->worstWindowUnits(), 4);
    EXPECT_EQ(gateway->floodCloses(), 0);
    EXPECT_EQ(gateway->connectionCount(), 1);
}

VARNO_FOR_BOTH_EDITIONS(PacedSendTest);

}  // namespace
}  // namespace varno
