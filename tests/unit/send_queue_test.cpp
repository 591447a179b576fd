#include "connection/send_queue.h"

#include <gtest/gtest.h>

namespace varno {
namespace {

using Kind = SendQueue::Kind;
using Added = SendQueue::Added;

// Window 1000 ms: a written line counts for 1025 ms.
constexpr SendQueue::Pace kPace{4, 1000};

SendQueue Paced(SendQueue::Pace pace = kPace) {
    SendQueue queue;
    queue.setPace(pace);
    return queue;
}

std::string Take(SendQueue& queue, std::int64_t nowMs) {
    std::string out;
    queue.TakeDue(nowMs, out);
    return out;
}

std::string Line(std::size_t bytes) {
    return std::string(bytes, 'x');
}

TEST(SendQueue, UnitsPerFortyBytesBegunAtLeastOne) {
    const std::pair<std::size_t, std::uint64_t> cases[] = {
        {0, 1}, {1, 1}, {40, 1}, {41, 2}, {80, 2}, {81, 3}, {160, 4}, {161, 5}, {200, 5}};
    for (const auto& [length, units] : cases) {
        EXPECT_EQ(SendQueue::Units(length), units) << length;
    }
}

TEST(SendQueue, PaceOfTheSettings) {
    struct Case {
        std::string quota, window;
        std::uint64_t wantQuota;
        std::int64_t wantWindow;
    };
    const Case cases[] = {
        {"", "", 4, 5000},
        {"0", "500", 0, 500},
        {"10", "0", 10, 0},
        {"four", " 500\t", 4, 500},
        {"-1", "5s", 4, 5000},
        {"99999999999", "99999999999", SendQueue::kMaxQuota, SendQueue::kMaxWindowMs},
    };
    for (const Case& c : cases) {
        const SendQueue::Pace pace = SendQueue::PaceOf(c.quota, c.window);
        EXPECT_EQ(pace.quota, c.wantQuota) << c.quota;
        EXPECT_EQ(pace.windowMs, c.wantWindow) << c.window;
    }
}

// Adds text as one line; text ending in CR LF as the operator's Enter gives it: the text
// before it and an empty line, together.
Added AddText(SendQueue& queue, const std::string& text, Kind kind) {
    if (text.ends_with("\r\n")) {
        return queue.Add({std::string_view(text).substr(0, text.size() - 2), ""}, kind);
    }
    return queue.Add(text, kind);
}

// Each step adds lines at a time, then takes what is due then.
struct Step {
    std::int64_t atMs;
    std::vector<std::pair<Kind, std::string>> add;
    std::string written;
    std::optional<std::int64_t> waitMs;
};

void RunSteps(SendQueue queue, const std::vector<Step>& steps, const std::string& name) {
    for (const Step& step : steps) {
        for (const auto& [kind, text] : step.add) {
            EXPECT_EQ(AddText(queue, text, kind), Added::Queued) << name << " at " << step.atMs;
        }
        EXPECT_EQ(Take(queue, step.atMs), step.written) << name << " at " << step.atMs;
        EXPECT_EQ(queue.WaitMs(step.atMs), step.waitMs) << name << " at " << step.atMs;
    }
}

TEST(SendQueue, PacingRule) {
    const auto chat = [](std::string text) { return std::pair{Kind::Chat, std::move(text)}; };
    const auto ban = [](std::string text) { return std::pair{Kind::Moderation, std::move(text)}; };
    const std::string s40 = Line(40), s41 = Line(41), s200 = Line(200);
    struct Scenario {
        std::string name;
        std::vector<Step> steps;
    };
    const Scenario scenarios[] = {
        {"a burst waits for the window",
         {{0,
           {chat("a"), chat("b"), chat("c"), chat("d"), chat("e")},
           "a\r\nb\r\nc\r\nd\r\n",
           1025},
          {1024, {}, "", 1},
          {1025, {}, "e\r\n", std::nullopt}}},
        {"the window slides line by line",
         {{0, {chat("a"), chat("b")}, "a\r\nb\r\n", std::nullopt},
          {500, {chat("c"), chat("d"), chat("e"), chat("f"), chat("g")}, "c\r\nd\r\n", 525},
          {1025, {}, "e\r\nf\r\n", 500},
          {1524, {}, "", 1},
          {1525, {}, "g\r\n", std::nullopt}}},
        {"a typed line is two lines, each counted",
         {{0, {chat("hi\r\n"), chat("there\r\n"), chat("x")}, "hi\r\n\r\nthere\r\n\r\n", 1025},
          {1025, {}, "x\r\n", std::nullopt}}},
        {"moderation lines go ahead of waiting chat, in their own order",
         {{0,
           {chat("c1"), chat("c2"), chat("c3"), chat("c4"), chat("c5"), chat("c6")},
           "c1\r\nc2\r\nc3\r\nc4\r\n",
           1025},
          {10, {ban("m1"), ban("m2")}, "", 1015},
          {20, {chat("c7"), ban("m3")}, "", 1005},
          {1025, {}, "m1\r\nm2\r\nm3\r\nc5\r\n", 1025},
          {2050, {}, "c6\r\nc7\r\n", std::nullopt}}},
        {"long lines cost more",
         {{0,
           {chat(s41), chat(s40), chat(s40), chat("y")},
           s41 + "\r\n" + s40 + "\r\n" + s40 + "\r\n",
           1025},
          {1025, {}, "y\r\n", std::nullopt}}},
        {"a line dearer than the quota waits for an empty window and goes alone",
         {{0, {chat("a"), chat(s200), chat("b")}, "a\r\n", 1025},
          {1025, {}, s200 + "\r\n", 1025},
          {2049, {}, "", 1},
          {2050, {}, "b\r\n", std::nullopt}}},
        {"an emote costs its line and its text: two take the window",
         {{0,
           {chat("/me waves"), chat("/EMOTE waves"), chat("/meow")},
           "/me waves\r\n/EMOTE waves\r\n",
           1025},
          {1025, {}, "/meow\r\n", std::nullopt}}},
        {"an emote of 41 bytes of text costs 2 + 2, of 40 bytes 2 + 1",
         {{0, {chat("/me " + s40), chat("x")}, "/me " + s40 + "\r\nx\r\n", std::nullopt},
          {1025, {chat("/me " + s41), chat("y")}, "/me " + s41 + "\r\n", 1025}}},
        {"pacing off: everything at once",
         {{0,
           {chat("a"), chat("b"), chat("c"), chat("d"), ban("e"), chat(Line(500))},
           "e\r\na\r\nb\r\nc\r\nd\r\n" + Line(500) + "\r\n",
           std::nullopt}}},
    };
    for (const Scenario& s : scenarios) {
        RunSteps(Paced(s.name.starts_with("pacing off") ? SendQueue::Pace{0, 1000} : kPace),
                 s.steps, s.name);
    }
}

TEST(SendQueue, ADropNoticeHoldsEveryLineAWholeWindow) {
    SendQueue queue = Paced();
    queue.Add("a", Kind::Chat);
    queue.Hold(100);
    queue.Add("/ban x", Kind::Moderation);
    EXPECT_EQ(Take(queue, 1099), "");
    EXPECT_EQ(queue.WaitMs(1099), 1);
    EXPECT_EQ(Take(queue, 1100), "/ban x\r\na\r\n");
    // A second notice while held holds a whole window from itself.
    queue.Add("g", Kind::Chat);
    queue.Hold(1200);
    queue.Hold(1700);
    EXPECT_EQ(Take(queue, 2699), "");
    EXPECT_EQ(Take(queue, 2700), "g\r\n");
    queue.Hold(2000);
    queue.Restart();
    queue.Add("b", Kind::Chat);
    EXPECT_EQ(Take(queue, 2001), "b\r\n") << "a new connection is not held";

    SendQueue off = Paced({0, 1000});
    off.Hold(0);
    off.Add("c", Kind::Chat);
    EXPECT_EQ(Take(off, 1), "c\r\n") << "nothing is held with pacing off";

    const std::pair<std::string, bool> notices[] = {
        {"Your message quota has been exceeded!", true},
        {"You are sending commands to Realm too quickly and risk being disconnected for "
         "flooding. Please slow down.",
         true},
        {"Your message quota has been exceeded", false},
        {"You are sending commands to Realm.", false},
        {"That user is not banned.", false},
    };
    for (const auto& [text, drop] : notices) {
        EXPECT_EQ(SendQueue::IsDropNotice(text), drop) << text;
    }
}

// Probes go ahead with the moderation lines, typed lines behind with the chat; each line
// keeps who gave it, and a discard gives back only the moderation lines.
TEST(SendQueue, LinesKeepWhoGaveThemAndDiscardGivesTheModerationLines) {
    SendQueue queue = Paced();
    for (const char* line : {"a", "b", "c", "d"}) {
        queue.Add(line, Kind::Chat);
    }
    Take(queue, 0);
    queue.Add("/ban x", Kind::Moderation);
    queue.Add("e", Kind::Chat);
    queue.Add("/whois me", Kind::Probe);
    queue.Add("/kick y", Kind::Moderation);
    EXPECT_EQ(queue.Discard(), (std::vector<std::string>{"/ban x", "/kick y"}));
    queue.Add("/w bob hi", Kind::Typed);
    queue.Add("f", Kind::Chat);
    queue.Add("/whois me", Kind::Probe);
    queue.Add("/ban z", Kind::Moderation);
    std::string out;
    std::vector<SendQueue::Line> lines;
    queue.TakeDue(1025, out, &lines);
    EXPECT_EQ(out, "/whois me\r\n/ban z\r\n/w bob hi\r\nf\r\n");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].kind, Kind::Probe);
    EXPECT_EQ(lines[1].kind, Kind::Moderation);
    EXPECT_EQ(lines[2].kind, Kind::Typed);
    EXPECT_EQ(lines[3].kind, Kind::Chat);
}

TEST(SendQueue, TheLoginsChannelLineCounts) {
    SendQueue queue = Paced();
    queue.Count(0, 11);
    for (const char* line : {"a", "b", "c", "d"}) {
        queue.Add(line, Kind::Chat);
    }
    EXPECT_EQ(Take(queue, 5), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(queue.WaitMs(5), 1020);

    queue.Restart();
    EXPECT_EQ(queue.waiting(), 0u);
    queue.Add("e", Kind::Chat);
    EXPECT_EQ(Take(queue, 6), "e\r\n") << "a new connection counts afresh";
}

TEST(SendQueue, DiscardDropsTheWaitingLinesButKeepsTheCount) {
    SendQueue queue = Paced();
    for (const char* line : {"a", "b", "c", "d", "e"}) {
        queue.Add(line, Kind::Chat);
    }
    EXPECT_EQ(Take(queue, 0), "a\r\nb\r\nc\r\nd\r\n");
    queue.Discard();
    EXPECT_EQ(queue.WaitMs(0), std::nullopt);
    queue.Add("f", Kind::Chat);
    EXPECT_EQ(Take(queue, 100), "");
    EXPECT_EQ(Take(queue, 1025), "f\r\n");
}

TEST(SendQueue, LinesOverTwoHundredBytesAreRefusedWhilePacing) {
    const struct {
        std::string text;
        Added added;
    } cases[] = {
        {Line(200), Added::Queued},
        {Line(201), Added::TooLong},
        {Line(200) + "\r\n", Added::Queued},
        {Line(201) + "\r\n", Added::TooLong},
    };
    for (const auto& c : cases) {
        SendQueue queue = Paced();
        EXPECT_EQ(AddText(queue, c.text, Kind::Chat), c.added) << c.text.size();
        EXPECT_EQ(queue.waiting(), c.added == Added::TooLong ? 0u : 1u + (c.text.size() > 201));
    }
    SendQueue off = Paced({0, 1000});
    EXPECT_EQ(off.Add(Line(201), Kind::Chat), Added::Queued) << "not while pacing is off";
}

// No line may hold a CR, LF or NUL, wherever it stands.
TEST(SendQueue, ALineBreaksOnACrAnLfOrANul) {
    const std::pair<std::string, bool> cases[] = {
        {"", false},
        {"plain text \t\x01\x7f\xff", false},
        {"a\r\nb", true},
        {"a\rb", true},
        {"a\nb", true},
        {"\r", true},
        {"end\n", true},
        {std::string("a\0b", 3), true},
        {std::string(1, '\0'), true},
    };
    for (const auto& [line, breaks] : cases) {
        EXPECT_EQ(SendQueue::BreaksLine(line), breaks) << line;
    }
}

TEST(SendQueue, AtMostTwoHundredLinesWait) {
    const auto filled = [](std::size_t chat, std::size_t moderation) {
        SendQueue queue = Paced();
        for (std::size_t i = 0; i < moderation; ++i) {
            queue.Add("m" + std::to_string(i), Kind::Moderation);
        }
        for (std::size_t i = 0; i < chat; ++i) {
            queue.Add("c" + std::to_string(i), Kind::Chat);
        }
        return queue;
    };
    const struct {
        std::string name;
        std::size_t chat, moderation;
        Kind kind;
        std::string text;
        Added added;
        std::string first;  // of what then goes first with a fresh window
    } cases[] = {
        {"199 waiting take a chat line", 199, 0, Kind::Chat, "new", Added::Queued, "c0"},
        {"200 waiting drop a chat line", 200, 0, Kind::Chat, "new", Added::Full, "c0"},
        {"199 waiting drop a typed line of two", 199, 0, Kind::Chat, "typed\r\n", Added::Full,
         "c0"},
        {"a ban pushes out the oldest chat line", 200, 0, Kind::Moderation, "/ban x",
         Added::QueuedPushingOutChat, "/ban x"},
        {"a ban with room pushes out nothing", 199, 0, Kind::Moderation, "/ban x", Added::Queued,
         "/ban x"},
        {"a ban among 200 bans is dropped", 0, 200, Kind::Moderation, "/ban x", Added::Full, "m0"},
    };
    for (const auto& c : cases) {
        SendQueue queue = filled(c.chat, c.moderation);
        EXPECT_EQ(AddText(queue, c.text, c.kind), c.added) << c.name;
        EXPECT_LE(queue.waiting(), SendQueue::kMaxWaiting) << c.name;
        std::string out;
        queue.TakeDue(0, out);
        EXPECT_EQ(out.substr(0, out.find("\r\n")), c.first) << c.name;
    }
    SendQueue pushed = filled(200, 0);
    pushed.Add("/ban x", Kind::Moderation);
    EXPECT_EQ(Take(pushed, 0), "/ban x\r\nc1\r\nc2\r\nc3\r\n") << "c0 made room";
}

TEST(SendQueue, WaitingLinesText) {
    EXPECT_EQ(WaitingLinesText(0), "");
    EXPECT_EQ(WaitingLinesText(1), "1 line waiting to be sent");
    EXPECT_EQ(WaitingLinesText(200), "200 lines waiting to be sent");
}

}  // namespace
}  // namespace varno
