#include "connection/connection.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/connection_rig.h"

namespace varno {
namespace {

using colour::kGreen;
using colour::kRed;
using colour::kWhite;
using colour::kYellow;

class ConnectionTest : public ::testing::TestWithParam<const Edition*>, public test::ConnectionRig {
protected:
    ConnectionTest() : test::ConnectionRig(*GetParam()), edition(*GetParam()) {
        settings.Username = "alice";
        settings.Password = "pw";
        settings.Home = "Lobby";
        settings.Server = "chat.example";
        r.setInterval(Connection::kInitialInterval);
        r.setEnabled(true);
        conn.setEmptyUserList([this] { ++emptied; });
        conn.setSawEventLine([this] { return sawEventLine; });
    }

    void connectNow() {
        link.connectNow();
        conn.sck_connect();
    }

    std::size_t CountOf(const std::string& text) {
        const std::string all = writer.main().text();
        std::size_t n = 0;
        for (auto at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) {
            ++n;
        }
        return n;
    }

    // The text of the last line of the main log and the colour of its message.
    std::pair<std::string, Colour> lastLine() {
        const auto& runs = writer.main().runs();
        if (runs.empty()) {
            return {"", 0};
        }
        std::string text = runs.back().text;
        if (text.size() >= 2) {
            text.resize(text.size() - 2);
        }
        return {text, runs.back().colour};
    }

    const Edition& edition;
    Connection& conn = connection;
    int emptied = 0;
    bool sawEventLine = true;
};

TEST_P(ConnectionTest, StartSetsCaptionIntervalAndConnects) {
    struct Case {
        const char* delay;
        int interval;
    };
    for (const Case& c : {Case{"", 100}, Case{"abc", 100}, Case{"2500", 2500}, Case{"0", 0}}) {
        r.setInterval(Connection::kInitialInterval);
        settings.Delay = c.delay;
        conn.Start();
        EXPECT_EQ(r.interval(), c.interval) << "Delay=" << c.delay;
    }
    EXPECT_EQ(window.caption, "Varno 2.00 by Tamsel - Logged in as alice");
    EXPECT_EQ(link.opens.back(), "chat.example:6112");
    EXPECT_EQ(conn.state(), Connection::State::Connecting);
}

TEST_P(ConnectionTest, ConnectedSendsTheLoginBlockInOneWrite) {
    conn.Start();
    settings.Username = "bob";  // changed in the options dialog meanwhile
    connectNow();
    ASSERT_EQ(link.written.size(), 1u);
    EXPECT_EQ(link.written[0], std::string("\x03") + "bob\r\npw\r\n/join Lobby\r\n");
    EXPECT_EQ(window.caption, "Varno 2.00 by Tamsel - Logged in as bob");
    EXPECT_EQ(lastLine(), std::make_pair(std::string("Connected to Server"), kGreen));
    EXPECT_EQ(r.isEnabled(), edition.enableTimerOnConnect);
}

TEST_P(ConnectionTest, DropReconnectsAndLogsConnectionClosed) {
    conn.Start();
    connectNow();
    r.setEnabled(false);
    window.label = "Lobby";
    clock.ms += 5;  // even a connection that lasted moments
    link.dropNow();
    conn.sck_Close();
    EXPECT_EQ(window.label, "<Disconnected>");
    EXPECT_EQ(link.opens.size(), 2u) << "an established connection reconnects at once";
    EXPECT_TRUE(r.isEnabled());
    EXPECT_EQ(lastLine(), std::make_pair(std::string("Connection Closed"), kRed));
    EXPECT_EQ(emptied, 0) << "the user list stays";
}

TEST_P(ConnectionTest, ServerThatClosesBeforeLettingTheClientInIsRetriedAfterASecond) {
    conn.Start();
    connectNow();
    sawEventLine = false;  // say a refused login: plain text, then the close
    clock.ms += 5;
    link.dropNow();
    conn.sck_Close();
    EXPECT_EQ(link.opens.size(), 1u) << "no reconnect in a tight loop";
    EXPECT_EQ(retry.interval(), 995);
    EXPECT_TRUE(retry.isEnabled());
    EXPECT_EQ(lastLine(), std::make_pair(std::string("Connection Closed"), kRed));
}

TEST_P(ConnectionTest, RefusedAttemptRetriesNoSoonerThanASecondAfterItStarted) {
    conn.Start();
    clock.ms += 3;
    conn.sck_Error();  // refused within milliseconds
    EXPECT_EQ(link.opens.size(), 1u) << "no connect in a tight loop";
    EXPECT_TRUE(retry.isEnabled());
    EXPECT_EQ(retry.interval(), 997);
    EXPECT_EQ(lastLine(), std::make_pair(std::string("Connection Closed"), kRed));
    clock.ms += 997;
    conn.retry_timer();
    EXPECT_EQ(link.opens.size(), 2u);
    EXPECT_FALSE(retry.isEnabled());
}

TEST_P(ConnectionTest, TickLeavesAnAttemptUnderWayAloneForTenSeconds) {
    conn.Start();
    clock.ms += 9999;
    conn.r_timer();
    EXPECT_EQ(link.opens.size(), 1u);
    clock.ms += 1;
    conn.r_timer();
    EXPECT_EQ(link.opens.size(), 2u);
    EXPECT_EQ(link.closes, 1) << "start-up never closes; the tick closes before connecting";
    EXPECT_EQ(lastLine(), std::make_pair(std::string("Server Down.. Reconnecting.."), kRed));
}

TEST_P(ConnectionTest, TickWhileConnectedDisablesTheTimer) {
    conn.Start();
    connectNow();
    r.setEnabled(true);
    conn.r_timer();
    EXPECT_FALSE(r.isEnabled());
}

// Every path that asks for a new attempt after one that never got in: ticks of r every
// 100 ms, the error and close handlers, in any order. One attempt waits; it starts a second
// after the failed one did, and a tick's notice is written once, as it starts.
TEST_P(ConnectionTest, AttemptAfterOneThatNeverGotInWaitsForItsSecond) {
    struct Case {
        const char* name;
        const char* events;  // t: tick of r, e: error, c: close before any event line
        int firstAskMs;      // after the failed attempt started
        bool ticks;          // a tick of r asked too: its notice is written as the attempt starts
    };
    for (const Case& c : {Case{"refused, then ticks", "ettttttttt", 5, true},
                          Case{"ticks only (empty Server)", "tttttttttt", 90, true},
                          Case{"closed before any event line", "ctttt", 5, true},
                          Case{"refused, no tick", "e", 5, false}}) {
        SCOPED_TRACE(c.name);
        settings.Server = c.name[0] == 't' ? "" : "chat.example";
        clock.ms = 500000;
        link.opens.clear();
        writer.main().clear();
        conn.mnuDisconnect_Click();
        conn.Start();
        if (c.events[0] == 'c') {
            connectNow();
            sawEventLine = false;
        }
        for (const char* e = c.events; *e != '\0'; ++e) {
            clock.ms += *e == 't' ? 90 : 5;
            if (*e == 't') {
                conn.r_timer();
            } else {
                link.dropNow();
                *e == 'e' ? conn.sck_Error() : conn.sck_Close();
            }
        }
        sawEventLine = true;
        EXPECT_EQ(link.opens.size(), 1u) << "nothing starts within the second";
        EXPECT_EQ(CountOf("Server Down.. Reconnecting.."), 0u) << "no notice while it waits";
        ASSERT_TRUE(retry.isEnabled());
        EXPECT_EQ(retry.interval(), 1000 - c.firstAskMs) << "a second after the failed attempt";
        if (c.ticks) {
            clock.ms = 500999;
            conn.r_timer();
            EXPECT_EQ(link.opens.size(), 1u) << "one millisecond short";
        }
        clock.ms = 501000;
        conn.retry_timer();
        EXPECT_EQ(link.opens.size(), 2u);
        EXPECT_FALSE(retry.isEnabled());
        EXPECT_EQ(CountOf("Server Down.. Reconnecting.."), c.ticks ? 1u : 0u);
    }
}

TEST_P(ConnectionTest, NoticeOfAWaitingAttemptIsRedAndFollowsTheStart) {
    settings.Server = "";
    conn.Start();
    clock.ms += 100;
    conn.r_timer();
    clock.ms += 900;
    conn.retry_timer();
    EXPECT_EQ(lastLine(), std::make_pair(std::string("Server Down.. Reconnecting.."), kRed));
}

// The operator's commands, the trigger command and the drop of a connection that got in
// connect at once, however recent the last attempt, and drop a waiting attempt.
TEST_P(ConnectionTest, CommandsAndTheDropOfAConnectionThatGotInAreImmediate) {
    struct Case {
        const char* name;
        std::function<void(Connection&)> act;
        bool afterLogin;
    };
    for (const Case& c :
         {Case{"Connect", [](Connection& on) { on.mnuConnect_Click(); }, false},
          Case{"Reconnect", [](Connection& on) { on.mnuReconnect_Click(); }, false},
          Case{"reconnect trigger", [](Connection& on) { on.Reconnect(); }, false},
          Case{"drop after event lines", [](Connection& on) { on.sck_Close(); }, true}}) {
        SCOPED_TRACE(c.name);
        link.opens.clear();
        conn.Start();
        if (c.afterLogin) {
            connectNow();
            link.dropNow();
        } else {
            conn.sck_Error();
            ASSERT_TRUE(retry.isEnabled());
        }
        clock.ms += 5;
        c.act(conn);
        EXPECT_EQ(link.opens.size(), 2u);
        EXPECT_FALSE(retry.isEnabled()) << "nothing waits besides";
        clock.ms += 1000;
        conn.retry_timer();
        EXPECT_EQ(link.opens.size(), 2u);
    }
}

TEST_P(ConnectionTest, MenuCommands) {
    conn.Start();
    connectNow();
    const std::size_t opens = link.opens.size();

    conn.mnuConnect_Click();
    EXPECT_EQ(writer.main().runs()[writer.main().runs().size() - 1].text,
              std::string(edition.connectMenuText) + "\r\n");
    EXPECT_EQ(link.opens.size(), opens + 1);
    EXPECT_EQ(emptied, 0);

    connectNow();
    conn.mnuDisconnect_Click();
    EXPECT_EQ(lastLine(), std::make_pair(std::string("Socket Closed"), edition.disconnectColour));
    EXPECT_EQ(emptied, 1);
    EXPECT_EQ(window.label, "<Disconnected>");
    EXPECT_EQ(conn.state(), Connection::State::Down);
    EXPECT_EQ(link.opens.size(), opens + 1) << "Disconnect stays down";

    conn.mnuReconnect_Click();
    EXPECT_EQ(emptied, 2);
    EXPECT_EQ(link.opens.size(), opens + 2);
    const auto& runs = writer.main().runs();
    EXPECT_EQ(runs[runs.size() - 1], (varno::Run{edition.disconnectColour, "Reconnecting\r\n"}));
}

TEST_P(ConnectionTest, DisconnectCancelsAPendingRetry) {
    conn.Start();
    conn.sck_Error();
    ASSERT_TRUE(retry.isEnabled());
    conn.mnuDisconnect_Click();
    EXPECT_FALSE(retry.isEnabled());
}

TEST_P(ConnectionTest, SendChatOnlyWhileConnected) {
    conn.SendChat("dropped");
    conn.Start();
    connectNow();
    link.written.clear();
    conn.SendChat("hello");
    conn.SendLine("");
    EXPECT_EQ(link.written, (std::vector<std::string>{"hello\r\n", "\r\n"}));
}

TEST_P(ConnectionTest, EmptyServerFailsTheConnectStepWithoutAnEvent) {
    settings.Server = "";
    conn.Start();
    EXPECT_EQ(conn.state(), Connection::State::Down);
}

TEST_P(ConnectionTest, ABurstWaitsForTheSendTimerWhichRunsOnlyWhileLinesWait) {
    int changes = 0;
    conn.setWaitingChanged([&] { ++changes; });
    settings.SendWindow = "1000";  // lines count for 1025 ms
    conn.Start();
    connectNow();  // the channel line of the login counts: three units are left
    link.written.clear();
    conn.SendChat("a");
    conn.SendChat("b\r\n");
    EXPECT_FALSE(send.isEnabled());
    clock.ms += 25;
    conn.SendChat("c");
    conn.SendModeration("/ban x boo");
    EXPECT_EQ(link.allWritten(), "a\r\nb\r\n\r\n");
    EXPECT_EQ(conn.waitingLines(), 2u);
    EXPECT_TRUE(send.isEnabled());
    EXPECT_EQ(send.interval(), 1000);
    EXPECT_EQ(changes, 2);

    clock.ms += 1000;
    conn.send_timer();
    EXPECT_EQ(link.allWritten(), "a\r\nb\r\n\r\n/ban x boo\r\nc\r\n");
    EXPECT_FALSE(send.isEnabled()) << "nothing waits";
    EXPECT_EQ(conn.waitingLines(), 0u);
    EXPECT_EQ(changes, 3);
}

TEST_P(ConnectionTest, WaitingLinesGoWithTheConnection) {
    conn.Start();
    connectNow();
    for (int i = 0; i < 6; ++i) {
        conn.SendChat("line");
    }
    ASSERT_EQ(conn.waitingLines(), 3u);
    link.dropNow();
    conn.sck_Close();
    EXPECT_EQ(conn.waitingLines(), 0u);
    EXPECT_FALSE(send.isEnabled());
    conn.SendChat("while down");
    EXPECT_EQ(conn.waitingLines(), 0u) << "nothing is kept while down";

    link.written.clear();
    connectNow();
    conn.SendChat("new");
    EXPECT_EQ(link.written.back(), "new\r\n");

    for (int i = 0; i < 3; ++i) {
        conn.SendChat("line");
    }
    ASSERT_EQ(conn.waitingLines(), 1u);
    conn.mnuDisconnect_Click();
    EXPECT_EQ(conn.waitingLines(), 0u);
    EXPECT_FALSE(send.isEnabled());
}

TEST_P(ConnectionTest, TooLongAndQueueFullAreLoggedInRed) {
    conn.Start();
    connectNow();
    link.written.clear();
    conn.SendLine(std::string(201, 'x'));
    EXPECT_EQ(lastLine(), std::make_pair(std::string("Line too long to send (201 bytes)"), kRed));
    EXPECT_TRUE(link.written.empty());
    for (const char* line : {"a", "b", "c"}) {
        conn.SendChat(line);  // with the login's channel line, the window is full
    }
    conn.SendLine(std::string(200, 'y'));
    EXPECT_EQ(conn.waitingLines(), 1u) << "at 200 bytes a line waits";

    for (std::size_t i = 1; i < SendQueue::kMaxWaiting; ++i) {
        conn.SendChat("fill");
    }
    const std::size_t lines = writer.main().runs().size();
    conn.SendChat("dropped");
    EXPECT_EQ(lastLine(), std::make_pair(std::string("Send queue full: line dropped"), kRed));
    const std::size_t afterFirst = writer.main().runs().size();
    EXPECT_GT(afterFirst, lines);
    clock.ms += 999;
    conn.SendChat("dropped");
    conn.SendModeration("/ban pushes out a chat line");
    EXPECT_EQ(writer.main().runs().size(), afterFirst) << "once a second at most";
    clock.ms += 1;
    conn.SendChat("dropped");
    EXPECT_GT(writer.main().runs().size(), afterFirst);
    EXPECT_EQ(conn.waitingLines(), SendQueue::kMaxWaiting);

    settings.SendQuota = "0";  // pacing off: whatever waits goes at the next line
    conn.SendChat("now");
    EXPECT_EQ(conn.waitingLines(), 0u);
    EXPECT_EQ(link.written.back().substr(0, 29), "/ban pushes out a chat line\r\n");
    EXPECT_EQ(link.written.back().substr(29, 6), "fill\r\n") << "the oldest chat line made room";
}

INSTANTIATE_TEST_SUITE_P(Editions, ConnectionTest,
                         ::testing::Values(&Edition::v201(), &Edition::v200()),
                         [](const auto& info) {
                             return info.param->tray ? std::string("Tray") : std::string("Full");
                         });

}  // namespace
}  // namespace varno
