#include "headless/service_status.h"

#include <gtest/gtest.h>

#include "headless/terminal_sink.h"

namespace varno {
namespace {

using State = Connection::State;

BotFacts Out(State link) {
    return {link, false, "chat.example", "", "varnobot", 0, 0};
}

// The messages a run of facts brings, one per Update, in order.
TEST(ServiceStatus, ReadyOnceLetInAndAStatusWhenItsTextChangesWithCountsEachSecond) {
    const auto in = [](std::string_view channel, std::size_t users, std::size_t bans) {
        return BotFacts{State::Connected, true, "chat.example", channel, "varnobot", users, bans};
    };
    // second: the once-a-second call; the others come with a log line.
    const struct {
        BotFacts facts;
        bool second;
        std::string message;
    } steps[] = {
        {Out(State::Connecting), true, "STATUS=Connecting to chat.example"},
        {Out(State::Connecting), true, ""},
        {Out(State::Connected), false, "STATUS=Logging in"},
        {in("", 0, 0), false, "READY=1\nSTATUS=Logged in as varnobot; 0 users; 0 bans today"},
        {in("OpRoom", 1, 1), false, ""},
        {in("OpRoom", 3, 2), false, ""},
        {in("OpRoom", 3, 2), true, "STATUS=In OpRoom as varnobot; 3 users; 2 bans today"},
        {in("OpRoom", 1, 1), true, "STATUS=In OpRoom as varnobot; 1 user; 1 ban today"},
        {Out(State::Down), false, "STATUS=Server down, reconnecting"},
        {Out(State::Connecting), true, ""},
        {Out(State::Connected), false, "STATUS=Logging in"},
        {in("OpRoom", 3, 2), false, "STATUS=In OpRoom as varnobot; 3 users; 2 bans today"},
    };
    ServiceStatus status;
    EXPECT_EQ(status.Reloading(), "") << "not ready: a reload is part of the start";
    for (const auto& step : steps) {
        EXPECT_EQ(status.Update(step.facts, step.second), step.message) << step.message;
    }
    EXPECT_EQ(status.Reloading(), "RELOADING=1");
    EXPECT_EQ(status.Reloaded(), "READY=1");
    EXPECT_EQ(status.Stopping(), "STOPPING=1\nSTATUS=Stopping");
    // Nothing follows STOPPING=1: a second stop, the last lines logged on the way out, or a
    // SIGHUP handled after SIGTERM (both read from the signal pipe in one go).
    const struct {
        const char* what;
        std::string message;
    } after[] = {
        {"Stopping", status.Stopping()},
        {"Update", status.Update(Out(State::Down), true)},
        {"Reloading", status.Reloading()},
        {"Reloaded", status.Reloaded()},
    };
    for (const auto& said : after) {
        EXPECT_EQ(said.message, "") << said.what << " after stopping";
    }
}

TEST(ServiceStatus, AFirstAttemptThatFailsIsAReconnectFromThenOn) {
    ServiceStatus status;
    EXPECT_EQ(status.Update(Out(State::Down), true), "STATUS=Server down, reconnecting");
    EXPECT_EQ(status.Update(Out(State::Connecting), true), "");
}

TEST(BanTally, CountsTheConfirmationsOfEachDay) {
    const Date monday{2026, 12, 7};
    const Date tuesday{2026, 12, 8};
    BanTally tally;
    tally.Seen(2, monday);  // confirmed before the first look
    tally.Seen(2, monday);
    tally.Seen(5, monday);
    EXPECT_EQ(tally.Today(monday), 5u);
    EXPECT_EQ(tally.Today(tuesday), 0u);
    tally.Seen(6, tuesday);
    EXPECT_EQ(tally.Today(tuesday), 1u);
    EXPECT_EQ(tally.Today(monday), 0u) << "yesterday's count is gone";
}

TEST(NamesStream, OnlyTheSameDeviceAndInodeInDecimal) {
    const struct {
        std::string_view text;
        bool names;
    } cases[] = {
        {"64769:1234", true},    {"64769:1235", false},
        {"64768:1234", false},   {"64769:1234x", false},
        {":1234", false},        {"64769:", false},
        {"64769", false},        {"", false},
        {"-1:1234", false},      {"+64769:1234", false},
        {"64769:1234:0", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NamesStream(c.text, 64769, 1234), c.names) << c.text;
    }
}

TEST(TerminalSink, PrioritiesMarkRedLinesAsErrorsAndOnlyWithoutColour) {
    const Runs red = {{colour::kWhite, "[01:02:03] "}, {colour::kRed, "Connection Closed"}};
    const Runs grey = {{colour::kWhite, "[01:02:03] "}, {colour::kLightGrey, "Reloaded x"}};
    EXPECT_EQ(TerminalSink(stdout, false, true).Render(red, false),
              "<3>[01:02:03] Connection Closed\n");
    EXPECT_EQ(TerminalSink(stdout, false, true).Render(grey, true),
              "<6>[01:02:03] (whisper) Reloaded x\n");
    EXPECT_EQ(TerminalSink(stdout, true, true).Render(red, false).substr(0, 2), "\x1b[");
}

}  // namespace
}  // namespace varno
