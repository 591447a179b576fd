#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>

#include "support/client_fixture.h"
#include "ui/client.h"

namespace varno {
namespace {

using test::ClientFixture;
using test::GatewayServer;

const QByteArray kLogin = QByteArray("\x03") + "alice\r\npw\r\n/join Lobby\r\n";

class MainWindowTest : public ::testing::TestWithParam<const Edition*> {
protected:
    MainWindowTest() : f(*GetParam()) {}

    void startConnected(const std::string& extra = "") {
        ASSERT_TRUE(f.server().listen());
        f.writeSettings("Username=alice\nPassword=pw\nHome=Lobby\nDelay=1000\n" + extra);
        f.start();
        ASSERT_TRUE(f.server().waitForReceived(kLogin));
    }

    ClientFixture f;
};

TEST_P(MainWindowTest, LogsInWithTheExactLoginBlock) {
    startConnected();
    EXPECT_EQ(f.server().received(), kLogin);
    EXPECT_TRUE(f.waitForLog("Connected to Server"));
    EXPECT_EQ(f.window().windowTitle(), "Varno 2.00 by Tamsel - Logged in as alice");
    EXPECT_EQ(f.window().label1()->text(), "<Disconnected>");
    f.screenshot(QString("main-window-") + (GetParam()->tray ? "2.00" : "2.01"));
}

TEST_P(MainWindowTest, ReconnectsAndLogsInAgainAfterTheServerCloses) {
    startConnected();
    f.server().closeConnection();
    ASSERT_TRUE(f.waitForLog("Connection Closed"));
    ASSERT_TRUE(f.server().waitForConnections(2));
    ASSERT_TRUE(f.server().waitForReceived(kLogin));
    EXPECT_EQ(f.window().label1()->text(), "<Disconnected>");
}

TEST_P(MainWindowTest, WithNoServerItRetriesAtTheTimersIntervalWithoutSpinning) {
    // Nobody listens: every attempt is refused at once.
    f.writeSettings("Username=alice\nDelay=200\n");
    f.start();
    QElapsedTimer clock;
    clock.start();
    GatewayServer::waitUntil([] { return false; }, 2000);
    const std::string log = f.mainLog();
    std::size_t attempts = 0;
    for (auto at = log.find("Connection Closed"); at != std::string::npos;
         at = log.find("Connection Closed", at + 1)) {
        ++attempts;
    }
    const double seconds = clock.elapsed() / 1000.0;
    // One attempt per tick of 200 ms at most, and at least one a second.
    EXPECT_GE(attempts, static_cast<std::size_t>(seconds) - 1);
    EXPECT_LE(attempts, static_cast<std::size_t>(seconds * 5) + 2);
}

TEST_P(MainWindowTest, TypedLineIsSentWithAnEmptyLineAndEchoed) {
    startConnected();
    f.window().txtSend()->setText("hello there");
    QTest::keyClick(f.window().txtSend(), Qt::Key_Return);
    EXPECT_TRUE(f.server().waitForReceived(kLogin + "hello there\r\n\r\n"));
    EXPECT_TRUE(f.window().txtSend()->text().isEmpty());
    EXPECT_NE(f.mainLog().find("alice: hello there\r\n"), std::string::npos);

    QTest::keyClick(f.window().txtSend(), Qt::Key_Return);
    EXPECT_TRUE(f.server().waitForReceived(kLogin + "hello there\r\n\r\n\r\n\r\n"));
}

TEST_P(MainWindowTest, TypedLineWhileDownIsEchoedAndClearedButNotSent) {
    startConnected();
    f.window().client().mnuDisconnect_Click();
    f.window().txtSend()->setText("lost");
    QTest::keyClick(f.window().txtSend(), Qt::Key_Return);
    GatewayServer::waitUntil([] { return false; }, 200);
    EXPECT_EQ(f.server().received(), kLogin);
    EXPECT_NE(f.mainLog().find("alice: lost"), std::string::npos);
    EXPECT_TRUE(f.window().txtSend()->text().isEmpty());
}

TEST_P(MainWindowTest, ALineSentByteByByteReachesItsHandlerWhole) {
    startConnected();
    f.server().sendBytewise("1018 INFO \"one byte at a time\"\r\n");
    EXPECT_TRUE(f.waitForLog("one byte at a time\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Editions, MainWindowTest,
                         ::testing::Values(&Edition::v201(), &Edition::v200()),
                         [](const auto& info) {
                             return info.param->tray ? std::string("Tray") : std::string("Full");
                         });

}  // namespace
}  // namespace varno
