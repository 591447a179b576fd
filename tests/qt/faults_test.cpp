#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <random>

#include "client/client.h"
#include "support/client_fixture.h"
#include "support/process_stats.h"
#include "ui/chat_log_view.h"

// What the client does when the gateway misbehaves: it keeps running, says what happened,
// keeps its memory bounded and logs in again as soon as the server lets it.
namespace varno {
namespace {

using test::ClientFixture;
using test::CountOf;
using test::GatewayServer;

// The main log of edition 2.01 is cleared past this many characters; 2.00 has a fixed 30000.
constexpr std::size_t kClear = 20000;
// A log may pass its threshold by one line at most, and no line is longer than the framer's
// bound plus its prefix.
constexpr std::size_t kLogBound = 30000 + 65536 + 64;

class FaultsTest : public ::testing::TestWithParam<const Edition*> {
protected:
    FaultsTest() : f(*GetParam()) {}

    void startConnected() {
        ASSERT_TRUE(f.startLoggedIn("Clear=" + std::to_string(kClear) + "\n"));
        ASSERT_TRUE(f.waitForLog("Connected to Server"));
    }

    // The client is alive on the current connection: a line sent now is shown.
    void expectShows(const std::string& text) {
        f.server().send(QByteArray::fromStdString("1018 INFO \"" + text + "\"\r\n"));
        EXPECT_TRUE(f.waitForLog("] " + text + "\r\n")) << text;
    }

    void expectLoggedInAgain(int connections) {
        EXPECT_TRUE(f.server().waitForConnections(connections));
        EXPECT_TRUE(f.server().waitForReceived(test::kAliceLogin));
        EXPECT_TRUE(GatewayServer::waitUntil(
            [&] { return CountOf(f.mainLog(), "Connected to Server") >= 2; }));
    }

    void expectBoundedLogs() {
        EXPECT_LE(f.window().client().logs().main().length(), kLogBound);
        EXPECT_LE(static_cast<std::size_t>(f.window().rtbc()->document()->characterCount()),
                  kLogBound);
    }

    ClientFixture f;
};

TEST_P(FaultsTest, ServerClosesInTheMiddleOfALine) {
    startConnected();
    f.server().send("1018 INFO \"cut in the mid");
    f.server().closeConnection();
    EXPECT_TRUE(f.waitForLog("Connection Closed"));
    expectLoggedInAgain(2);
    // The cut line is gone with its connection; it is not glued to the next one's first line.
    expectShows("first line of the new connection");
    EXPECT_EQ(f.mainLog().find("cut in the mid"), std::string::npos);
}

TEST_P(FaultsTest, ServerResetsTheConnection) {
    startConnected();
    f.server().resetConnection();
    EXPECT_TRUE(f.waitForLog("Connection Closed"));
    expectLoggedInAgain(2);
    expectShows("after the reset");
}

TEST_P(FaultsTest, ServerThatAcceptsAndNeverSendsIsWaitedForQuietly) {
    startConnected();
    // Three ticks of the reconnect timer: a silent but open connection is left alone.
    GatewayServer::waitUntil([] { return false; }, 3000);
    EXPECT_EQ(f.server().connectionCount(), 1);
    EXPECT_EQ(f.server().received(), test::kAliceLogin);
    EXPECT_EQ(f.mainLog().find("Connection Closed"), std::string::npos);
    EXPECT_EQ(f.mainLog().find("Server Down"), std::string::npos);
    expectShows("spoke at last");
}

TEST_P(FaultsTest, AMebibyteWithoutALineEndIsDroppedAndTheNextLineShown) {
    startConnected();
    f.server().send(QByteArray(1 << 20, 'x'));
    f.server().send("\r\n");
    expectShows("after the flood");
    EXPECT_EQ(f.mainLog().find("xxxxxxxx"), std::string::npos);
    EXPECT_EQ(f.server().connectionCount(), 1);
    expectBoundedLogs();
}

TEST_P(FaultsTest, RandomBinaryBytesLeaveTheClientRunningAndSilent) {
    startConnected();
    // Ten seconds in the shipping build; the sanitizer build runs the same kind of stream
    // for less time.
    const int seconds = test::UnderSanitizer() ? 2 : 10;
    std::mt19937 random(9);
    const char kNasty[] = {'\0', '\xFF', '\r', '\n', '"', ' '};
    GatewayServer::waitUntil(
        [&] {
            QByteArray chunk(4096, '\0');
            for (char& c : chunk) {
                const auto r = random();
                c = r % 3 == 0 ? kNasty[(r >> 8) % sizeof kNasty] : static_cast<char>(r >> 16);
            }
            f.server().send(chunk);
            return false;
        },
        seconds * 1000);
    f.server().send("\r\n");
    expectShows("still here");
    EXPECT_EQ(f.server().connectionCount(), 1);
    EXPECT_EQ(f.server().received(),
              test::kAliceLogin);  // nothing of it made the client send a line
    expectBoundedLogs();
}

TEST_P(FaultsTest, EveryEventCodeWithMissingFieldsAndQuotes) {
    startConnected();
    QByteArray block;
    for (const char* code :
         {"1001", "1002", "1003", "1004", "1005", "1007", "1009", "1010", "1013", "1014",
          "1015", "1016", "1018", "1019", "1023", "2010", "3000", "1000", "1006", "3001"}) {
        const QByteArray c(code);
        for (const QByteArray& tail :
             {QByteArray(), QByteArray(" "), QByteArray(" K"), QByteArray(" K name"),
              QByteArray(" K name 0010"), QByteArray(" K name 0010 [CHAT]"), QByteArray("\""),
              QByteArray(" \""), QByteArray(" K \""), QByteArray(" K name 0010 \"unclosed"),
              QByteArray(" K name 0010 \"\""), QByteArray("\"\"\"\""), QByteArray("K"),
              QByteArray("   K    name   ")}) {
            block += c + tail + "\r\n";
            block += "\n" + c + tail + "\r\n";
            block += "\"" + c + tail + "\r\n";
        }
    }
    f.server().send(block);
    expectShows("after the broken lines");
    EXPECT_EQ(f.server().connectionCount(), 1);
    EXPECT_EQ(f.server().received(), test::kAliceLogin);
    expectBoundedLogs();
}

TEST_P(FaultsTest, ServerThatRefusesEveryLoginIsRetriedAboutOnceASecond) {
    startConnected();
    QElapsedTimer clock;
    clock.start();
    // Each login is answered in plain text and closed, before any event line.
    GatewayServer::waitUntil(
        [&] {
            if (f.server().connected() && f.server().received() == test::kAliceLogin) {
                f.server().send("Login failed.\r\n");
                f.server().closeConnection();
            }
            return false;
        },
        3000);
    const double seconds = clock.elapsed() / 1000.0;
    EXPECT_GE(f.server().connectionCount(), 2);
    EXPECT_LE(f.server().connectionCount(), static_cast<int>(seconds) + 2) << "no tight loop";
}

TEST_P(FaultsTest, LoginAnsweredWithAnErrorAndAClose) {
    startConnected();
    f.server().send("Login failed.\r\n");
    f.server().closeConnection();
    EXPECT_TRUE(f.waitForLog("] Login failed.\r\n"));
    EXPECT_TRUE(f.waitForLog("Connection Closed"));
    expectLoggedInAgain(2);
    f.server().send("1019 ERROR \"Invalid password.\"\r\n");
    f.server().closeConnection();
    EXPECT_TRUE(f.waitForLog("Invalid password."));
    expectLoggedInAgain(3);
    expectShows("let in at last");
}

TEST_P(FaultsTest, ServerAwayForFiveSecondsIsRetriedWithoutSpinningAndRejoined) {
    startConnected();
    f.server().stopListening();
    f.server().closeConnection();
    ASSERT_TRUE(f.waitForLog("Connection Closed"));
    GatewayServer::waitUntil([] { return false; }, 5000);
    const std::string log = f.mainLog();
    const std::size_t attempts =
        CountOf(log, "Connection Closed") + CountOf(log, "Server Down.. Reconnecting..");
    // Refused attempts come back at once: retries are paced by the one-second gap and the
    // one-second timer, not by how fast the refusals arrive.
    EXPECT_GE(attempts, 3u);
    EXPECT_LE(attempts, 5u * 2u * 3u);
    ASSERT_TRUE(f.server().listen());
    expectLoggedInAgain(2);
    expectShows("back again");
    expectBoundedLogs();
}

// With Delay empty the reconnect timer ticks every 100 ms; a server that refuses for five
// seconds still sees an attempt about once a second, and the client is back at its next.
// A server that went down is tried again at once, then a second later, then two, four ...
// seconds apart: each attempt says so, and the first one after it is back logs in.
TEST_P(FaultsTest, ServerDownIsTriedAgainLessAndLessOften) {
    ASSERT_TRUE(f.server().listen());
    f.writeSettings("Username=alice\nPassword=pw\nHome=Lobby\nDelay=\n");
    f.start();
    ASSERT_TRUE(f.server().waitForReceived(test::kAliceLogin));
    f.server().stopListening();
    f.server().closeConnection();
    ASSERT_TRUE(f.waitForLog("Connection Closed"));
    GatewayServer::waitUntil([] { return false; }, 5000);
    // The close and every refused attempt end in "Connection Closed": the first attempt at
    // once, the second two seconds later, the next one four seconds after that.
    EXPECT_EQ(CountOf(f.mainLog(), "Connection Closed"), 3u) << f.mainLog();
    ASSERT_TRUE(f.server().listen());
    EXPECT_TRUE(f.server().waitForConnections(2, 3000)) << "logged in at the next attempt";
    EXPECT_TRUE(f.server().waitForReceived(test::kAliceLogin));
}

VARNO_FOR_BOTH_EDITIONS(FaultsTest);

}  // namespace
}  // namespace varno
