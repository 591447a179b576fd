#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>

#include "client/client.h"
#include "support/client_fixture.h"

namespace varno {
namespace {

using test::ClientFixture;
using test::GatewayServer;

class MainWindowTest : public ::testing::TestWithParam<const Edition*> {
protected:
    MainWindowTest() : f(*GetParam()) {}

    ClientFixture f;
};

TEST_P(MainWindowTest, LogsInWithTheExactLoginBlock) {
    ASSERT_TRUE(f.startLoggedIn());
    EXPECT_EQ(f.server().received(), test::kAliceLogin);
    EXPECT_TRUE(f.waitForLog("Connected to Server"));
    EXPECT_EQ(f.window().windowTitle(), "Varno 2.00 by Tamsel - Logged in as alice");
    EXPECT_EQ(f.window().label1()->text(), "<Disconnected>");
    f.screenshot(QString("main-window-") + (GetParam()->tray ? "2.00" : "2.01"));
}

TEST_P(MainWindowTest, ReconnectsAndLogsInAgainAfterTheServerCloses) {
    ASSERT_TRUE(f.startLoggedIn());
    f.server().closeConnection();
    ASSERT_TRUE(f.waitForLog("Connection Closed"));
    ASSERT_TRUE(f.server().waitForConnections(2));
    ASSERT_TRUE(f.server().waitForReceived(test::kAliceLogin));
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
    ASSERT_TRUE(f.startLoggedIn("SendQuota=0\n"));  // two typed lines at once: no pacing
    f.window().txtSend()->setText("hello there");
    QTest::keyClick(f.window().txtSend(), Qt::Key_Return);
    EXPECT_TRUE(f.server().waitForReceived(test::kAliceLogin + "hello there\r\n\r\n"));
    EXPECT_TRUE(f.window().txtSend()->text().isEmpty());
    EXPECT_NE(f.mainLog().find("alice: hello there\r\n"), std::string::npos);

    QTest::keyClick(f.window().txtSend(), Qt::Key_Return);
    EXPECT_TRUE(f.server().waitForReceived(test::kAliceLogin + "hello there\r\n\r\n\r\n\r\n"));
}

TEST_P(MainWindowTest, TypedLineWhileDownIsEchoedAndClearedButNotSent) {
    ASSERT_TRUE(f.startLoggedIn());
    f.window().client().mnuDisconnect_Click();
    f.window().txtSend()->setText("lost");
    QTest::keyClick(f.window().txtSend(), Qt::Key_Return);
    GatewayServer::waitUntil([] { return false; }, 200);
    EXPECT_EQ(f.server().received(), test::kAliceLogin);
    EXPECT_NE(f.mainLog().find("alice: lost"), std::string::npos);
    EXPECT_TRUE(f.window().txtSend()->text().isEmpty());
}

TEST_P(MainWindowTest, ALineSentByteByByteReachesItsHandlerWhole) {
    ASSERT_TRUE(f.startLoggedIn());
    f.server().sendBytewise("1018 INFO \"one byte at a time\"\r\n");
    EXPECT_TRUE(f.waitForLog("one byte at a time\r\n"));
}

VARNO_FOR_BOTH_EDITIONS(MainWindowTest);

}  // namespace
}  // namespace varno
