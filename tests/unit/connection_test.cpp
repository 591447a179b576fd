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
        conn.setOnLost([this] { ++lost; });
    }

    // Back to a fresh start: down, nothing logged, nothing opened.
    void restart() {
        conn.mnuDisconnect_Click();
        writer.main().clear();
        link.opens.clear();
        link.written.clear();
        lost = 0;
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
    int lost = 0;
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

// A connection that got in and dropped within a minute of being made waits before the next
// attempt, Delay (at least a second) at first, doubling with each such session in a row up to
// five minutes; a session of ten minutes ends the row, one between the two reconnects at once
// and keeps it. Backoff=0 reconnects at once after any session.
TEST_P(ConnectionTest, ShortSessionsInARowWaitLongerAndLonger) {
    struct Case {
        const char* backoff;
        const char* delay;
        std::vector<std::int64_t> lastedMs;
        std::vector<std::int64_t> waitMs;  // 0: at once
    };
    const Case cases[] = {
        {"",
         "5000",
         {5, 5, 5, 5, 5, 5, 5, 5},
         {5000, 10000, 20000, 40000, 80000, 160000, 300000, 300000}},
        {"",
         "",
         {59999, 60000, 59999, 599999, 59999, 600000, 59999},
         {1000, 0, 2000, 0, 4000, 0, 1000}},
        {"0", "5000", {5, 5}, {0, 0}},
    };
    for (const Case& c : cases) {
        restart();
        settings.Backoff = c.backoff;
        settings.Delay = c.delay;
        conn.Start();
        for (std::size_t i = 0; i < c.lastedMs.size(); ++i) {
            SCOPED_TRACE(std::string(c.delay) + " session " + std::to_string(i));
            connectNow();
            window.label = "Lobby";
            clock.ms += c.lastedMs[i];
            link.dropNow();
            conn.sck_Close();
            EXPECT_EQ(window.label, "<Disconnected>");
            EXPECT_TRUE(r.isEnabled());
            EXPECT_EQ(lost, static_cast<int>(i) + 1);
            const std::size_t opens = link.opens.size();
            if (c.waitMs[i] == 0) {
                EXPECT_EQ(lastLine(), std::make_pair(std::string("Connection Closed"), kRed));
                EXPECT_FALSE(retry.isEnabled());
                continue;
            }
            EXPECT_EQ(lastLine(),
                      std::make_pair("Reconnecting in " + std::to_string(c.waitMs[i] / 1000) + " s",
                                     kYellow));
            ASSERT_TRUE(retry.isEnabled());
            EXPECT_EQ(retry.interval(), c.waitMs[i]);
            clock.ms += c.waitMs[i] - 1;
            conn.r_timer();
            EXPECT_EQ(link.opens.size(), opens) << "a tick does not cut the wait short";
            clock.ms += 1;
            conn.retry_timer();
            EXPECT_EQ(link.opens.size(), opens + 1);
        }
        EXPECT_EQ(CountOf("Connection Closed"), c.lastedMs.size());
        EXPECT_EQ(emptied, 1) << "the user list stays (emptied once, by the restart)";
        emptied = 0;
    }
}

// Attempts that never get in wait longer each time, from Delay up to 30 s, until a login.
TEST_P(ConnectionTest, FailedAttemptsInARowWaitLongerUntilALogin) {
    for (const char* backoff : {"", "0"}) {
        restart();
        settings.Backoff = backoff;
        settings.Delay = "1000";
        conn.Start();
        const std::vector<std::int64_t> gaps =
            backoff[0] == '0'
                ? std::vector<std::int64_t>{1000, 1000, 1000}
                : std::vector<std::int64_t>{1000, 2000, 4000, 8000, 16000, 30000, 30000};
        for (const std::int64_t gap : gaps) {
            clock.ms += 3;
            conn.sck_Error();  // refused within milliseconds
            ASSERT_TRUE(retry.isEnabled());
            EXPECT_EQ(retry.interval(), gap - 3) << gap;
            clock.ms += gap - 3;
            conn.retry_timer();
        }
        EXPECT_EQ(link.opens.size(), gaps.size() + 1);
        EXPECT_EQ(CountOf("Connection Closed"), gaps.size()) << "each attempt still says so";
        EXPECT_EQ(lost, 0) << "no connection was made";
        connectNow();
        conn.LoggedIn("alice");
        clock.ms += Connection::kShortSessionMs;
        conn.sck_Close();
        clock.ms += 3;
        conn.sck_Error();
        EXPECT_EQ(retry.interval(), 997) << "the login started the row afresh";
    }
}

// A connection that has not reached the server's name line LoginTimeout seconds after it was
// made is given up and tried again; 0 waits for ever.
TEST_P(ConnectionTest, ALoginWithoutTheNameLineIsGivenUp) {
    struct Case {
        const char* key;
        std::int64_t limitMs;  // 0: never
        bool named;
    };
    for (const Case& c : {Case{"", 30000, false}, Case{" 5 ", 5000, false}, Case{"0", 0, false},
                          Case{"", 0, true}}) {
        SCOPED_TRACE(c.key);
        restart();
        settings.LoginTimeout = c.key;
        settings.SilenceTimeout = c.named ? "0" : "";  // only the login's time is looked at
        conn.Start();
        connectNow();
        if (c.named) {
            conn.LoggedIn("alice");
            conn.Arrived();
        }
        clock.ms += c.limitMs > 0 ? c.limitMs - 1 : 100000000;
        conn.Tick();
        EXPECT_EQ(link.opens.size(), 1u);
        EXPECT_EQ(conn.state(), Connection::State::Connected);
        if (c.limitMs == 0) {
            continue;
        }
        clock.ms += 1;
        window.label = "Lobby";
        conn.Tick();
        EXPECT_EQ(link.opens.size(), 2u);
        EXPECT_EQ(lost, 1);
        EXPECT_EQ(window.label, "<Disconnected>");
        EXPECT_EQ(CountOf("Login timed out"), 1u);
        EXPECT_EQ(lastLine(), std::make_pair(std::string("Server Down.. Reconnecting.."), kRed));
    }
}

// Nothing from a logged-in connection for two thirds of SilenceTimeout (210 s): one probe, a
// whois of the client's own name; nothing for the whole of it: the connection is replaced.
// Whatever arrives (the gateway's line each 120 s, the probe's answer) starts the count again.
TEST_P(ConnectionTest, ASilentConnectionIsProbedOnceThenReplaced) {
    for (const char* key : {"", "0"}) {
        SCOPED_TRACE(key);
        restart();
        settings.SilenceTimeout = key;
        conn.Start();
        connectNow();
        conn.LoggedIn("alice");
        link.written.clear();
        if (key[0] == '0') {
            clock.ms += 100000000;
            conn.Tick();
            EXPECT_TRUE(link.written.empty());
            EXPECT_EQ(conn.state(), Connection::State::Connected);
            continue;
        }
        clock.ms += 120000;
        conn.Arrived();
        clock.ms += 139999;
        conn.Tick();
        EXPECT_TRUE(link.written.empty());
        clock.ms += 1;
        conn.Tick();
        clock.ms += 1000;
        conn.Tick();
        EXPECT_EQ(link.written, std::vector<std::string>{"/whois alice\r\n"}) << "once";
        conn.Arrived();
        clock.ms += 140000;
        conn.Tick();
        EXPECT_EQ(link.written.size(), 2u) << "a new silence, a new probe";
        clock.ms += 69999;
        conn.Tick();
        EXPECT_EQ(conn.state(), Connection::State::Connected);
        EXPECT_EQ(link.opens.size(), 1u);
        clock.ms += 1;
        conn.Tick();
        EXPECT_EQ(link.opens.size(), 2u);
        EXPECT_EQ(lost, 1);
        EXPECT_EQ(CountOf("Nothing from the server for 210 s"), 1u);
        EXPECT_EQ(lastLine(), std::make_pair(std::string("Server Down.. Reconnecting.."), kRed));

        // A tick late past the whole silence (a stalled loop) probes first; the probe gets
        // its third of the silence to be answered.
        connectNow();
        conn.LoggedIn("alice");
        link.written.clear();
        clock.ms += 500000;
        conn.Tick();
        EXPECT_EQ(link.written, std::vector<std::string>{"/whois alice\r\n"});
        clock.ms += 69999;
        conn.Tick();
        EXPECT_EQ(lost, 1);
        clock.ms += 1;
        conn.Tick();
        EXPECT_EQ(lost, 2);
    }
}

// What the send path tells of the lines the server may answer: every command written (the
// login's channel line included), and each moderation line it could not write, with why.
TEST_P(ConnectionTest, TheSendPathTellsWhatBecameOfEachCommand) {
    using Kind = SendQueue::Kind;
    std::vector<std::string> told;
    conn.setLineFate(
        [&](std::string_view line, Kind kind, Connection::Fate fate, std::string_view why) {
            const char* kinds[] = {"chat", "typed", "moderation", "probe"};
            const char* fates[] = {"written", "dropped", "discarded", "unsendable"};
            told.push_back(std::string(kinds[static_cast<int>(kind)]) + " " +
                           fates[static_cast<int>(fate)] + " " + std::string(line) +
                           (why.empty() ? "" : " (" + std::string(why) + ")"));
        });
    settings.SendQuota = "100";
    conn.Start();
    connectNow();
    const std::string longName(200, 'x');
    conn.SendChat("hello");
    conn.SendTyped("hi all");
    conn.SendChat("/me waves");
    conn.SendTyped("/w bob hi");
    conn.SendModeration("/ban spam boo");
    conn.SendModeration("/ban " + longName + " boo");
    conn.SendModeration("/ban a\nb boo");
    conn.SendTyped(std::string(201, 't'));
    link.dropNow();
    conn.SendModeration("/ban late");
    EXPECT_EQ(told, (std::vector<std::string>{
                        "typed written /join Lobby",
                        "chat written /me waves",
                        "typed written /w bob hi",
                        "moderation written /ban spam boo",
                        "moderation unsendable /ban " + longName +
                            " boo (the line is too long to send (209 bytes))",
                        "moderation unsendable /ban a\nb boo (the line holds a line end)",
                        "moderation discarded /ban late",
                    }));
    EXPECT_EQ(CountOf("Line too long"), 1u) << "the typed line only; a deed tells its own";
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

// The operator's commands and the trigger command connect at once, however recent the last
// attempt, and drop a waiting attempt.
TEST_P(ConnectionTest, CommandsConnectAtOnce) {
    struct Case {
        const char* name;
        std::function<void(Connection&)> act;
        bool afterLogin;
    };
    for (const Case& c : {Case{"Connect", [](Connection& on) { on.mnuConnect_Click(); }, false},
                          Case{"Reconnect", [](Connection& on) { on.mnuReconnect_Click(); }, false},
                          Case{"reconnect trigger", [](Connection& on) { on.Reconnect(); }, false},
                          Case{"Connect in a session's wait",
                               [](Connection& on) { on.mnuConnect_Click(); }, true}}) {
        SCOPED_TRACE(c.name);
        link.opens.clear();
        conn.Start();
        if (c.afterLogin) {
            connectNow();
            link.dropNow();
            conn.sck_Close();
        } else {
            conn.sck_Error();
        }
        ASSERT_TRUE(retry.isEnabled());
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
    conn.SendEntered("b");
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
