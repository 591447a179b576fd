#include "moderation/channel_guard.h"
#include "moderation/trust.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fakes.h"

namespace varno {
namespace {

using test::TempFolder;

using Verdict = ChannelGuard::Verdict;

constexpr Verdict N = Verdict::None;
constexpr Verdict F = Verdict::Flooding;
constexpr Verdict R = Verdict::Repeating;
constexpr Verdict L = Verdict::Language;
constexpr Verdict J = Verdict::JoinFlood;

// One event of a user at a time: a line (with whether it holds a banned word) or a join.
struct Step {
    std::int64_t ms;
    std::string name;
    std::string text;  // "JOIN" for a join
    bool bannedWord;
    Verdict expected;
};

struct Case {
    const char* what;
    ChannelGuard::Rules rules;
    std::vector<Step> steps;
};

void RunCase(const Case& c) {
    ChannelGuard guard;
    guard.setRules(c.rules);
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        const Step& s = c.steps[i];
        const Verdict got = s.text == "JOIN" ? guard.OnJoin(s.name, s.ms)
                                             : guard.OnLine(s.name, s.text, s.bannedWord, s.ms);
        EXPECT_EQ(got, s.expected) << c.what << ", step " << i;
    }
}

const RateLimit k3in5{3, 5};
const RateLimit k3in10{3, 10};
const RateLimit k2in20{2, 20};

TEST(ChannelGuardTest, FloodIsMoreThanNLinesInSSecondsAndKicksOncePerWindow) {
    const std::vector<Case> cases = {
        {"the fourth line just inside the window",
         {k3in5, {}, {}},
         {{0, "bob", "a", false, N},
          {1000, "bob", "b", false, N},
          {2000, "bob", "c", false, N},
          {4999, "bob", "d", false, F}}},
        {"the fourth line as the first leaves the window",
         {k3in5, {}, {}},
         {{0, "bob", "a", false, N},
          {1000, "bob", "b", false, N},
          {2000, "bob", "c", false, N},
          {5000, "bob", "d", false, N}}},
        {"one kick per window, the next once the window has passed",
         {k3in5, {}, {}},
         {{0, "bob", "a", false, N},
          {1, "bob", "a", false, N},
          {2, "bob", "a", false, N},
          {3, "bob", "a", false, F},
          {4, "bob", "a", false, N},
          {5, "bob", "a", false, N},
          {5003, "bob", "a", false, N},
          {5003, "bob", "a", false, F}}},
        {"users count apart, names without regard to case",
         {k3in5, {}, {}},
         {{0, "bob", "a", false, N},
          {1, "ann", "a", false, N},
          {2, "BOB", "a", false, N},
          {3, "ann", "a", false, N},
          {4, "Bob", "a", false, N},
          {5, "bOb", "a", false, F}}},
        {"off: nothing counts",
         {{}, {}, {}},
         {{0, "bob", "a", false, N},
          {0, "bob", "a", false, N},
          {0, "bob", "a", false, N},
          {0, "bob", "a", false, N}}},
    };
    for (const Case& c : cases) {
        RunCase(c);
    }
}

TEST(ChannelGuardTest, RepeatIsTheSameTextNTimesInSSecondsIgnoringCaseAndBlanks) {
    const std::vector<Case> cases = {
        {"the third time just inside the window",
         {{}, k3in10, {}},
         {{0, "bob", "hi", false, N},
          {1, "bob", " HI\t", false, N},
          {9999, "bob", "Hi", false, R}}},
        {"the third time as the first leaves the window",
         {{}, k3in10, {}},
         {{0, "bob", "hi", false, N}, {1, "bob", "hi", false, N}, {10000, "bob", "hi", false, N}}},
        {"other lines in between still count the same text",
         {{}, k3in10, {}},
         {{0, "bob", "a", false, N},
          {1, "bob", "b", false, N},
          {2, "bob", "a", false, N},
          {3, "bob", "b", false, N},
          {4, "bob", "a", false, R},
          {5, "bob", "b", false, N}}},
        {"inner blanks count",
         {{}, k3in10, {}},
         {{0, "bob", "a b", false, N}, {1, "bob", "ab", false, N}, {2, "bob", "a  b", false, N}}},
        {"another user's same text is not a repeat",
         {{}, k3in10, {}},
         {{0, "bob", "x", false, N}, {1, "ann", "x", false, N}, {2, "bob", "x", false, N}}},
    };
    for (const Case& c : cases) {
        RunCase(c);
    }
}

TEST(ChannelGuardTest, BannedWordsKickOncePerGapAndJoinFloodsBan) {
    const std::vector<Case> cases = {
        {"a banned word kicks, again only after the gap",
         {{}, {}, {}},
         {{0, "bob", "x", true, L},
          {9999, "bob", "x", true, N},
          {10000, "bob", "x", true, L},
          {10001, "ann", "x", true, L},
          {10002, "eve", "x", false, N}}},
        {"a flood kick comes first; the word kicks on a later line",
         {RateLimit{1, 5}, {}, {}},
         {{0, "bob", "x", false, N}, {1, "bob", "x", true, F}, {2, "bob", "x", true, L}}},
        {"more than N joins in S seconds, at the bound and one past it",
         {{}, {}, k2in20},
         {{0, "eve", "JOIN", false, N},
          {1, "Eve", "JOIN", false, N},
          {19999, "EVE", "JOIN", false, J},
          {20000, "zed", "JOIN", false, N},
          {20001, "zed", "JOIN", false, N},
          {40000, "zed", "JOIN", false, N}}},
        {"the first join flood bans once per window",
         {{}, {}, k2in20},
         {{0, "eve", "JOIN", false, N},
          {1, "eve", "JOIN", false, N},
          {2, "eve", "JOIN", false, J},
          {3, "eve", "JOIN", false, N},
          {20001, "eve", "JOIN", false, N},
          {20002, "eve", "JOIN", false, J}}},
        {"joins are not lines",
         {RateLimit{1, 5}, {}, k2in20},
         {{0, "eve", "JOIN", false, N}, {1, "eve", "a", false, N}, {2, "eve", "JOIN", false, N}}},
    };
    for (const Case& c : cases) {
        RunCase(c);
    }
}

TEST(ChannelGuardTest, ForgetsUsersWhoseWindowsEmptiedAndStaysSmallWithManyUsers) {
    ChannelGuard guard;
    guard.setRules({k3in5, k3in10, k2in20});
    EXPECT_EQ(guard.OnLine("nobody", "x", false, 0), N);
    guard.setRules({{}, {}, {}});
    EXPECT_EQ(guard.tracked(), 0U) << "new rules start afresh";
    guard.OnLine("bob", "x", false, 0);
    EXPECT_EQ(guard.tracked(), 0U) << "nothing kept while every rule is off";

    guard.setRules({k3in5, k3in10, k2in20});
    for (int i = 0; i < 10000; ++i) {
        guard.OnLine("user" + std::to_string(i), "hello", false, i);
    }
    guard.OnJoin("eve", 10000);
    EXPECT_EQ(guard.tracked(), 10001U);
    guard.Forget(10000);  // the first sweep: only user0's line has left every window
    EXPECT_EQ(guard.tracked(), 10000U);
    guard.Forget(29999);  // within the longest window (20 s) since that sweep: no walk
    EXPECT_EQ(guard.tracked(), 10000U);
    guard.Forget(30000);  // every window has passed, eve's join last
    EXPECT_EQ(guard.tracked(), 0U);

    guard.OnLine("bob", "x", true, 45000);  // a language kick keeps bob for its gap
    guard.Forget(50000);
    EXPECT_EQ(guard.tracked(), 1U);
    guard.Forget(70000);
    EXPECT_EQ(guard.tracked(), 0U);
}

TEST(ChannelGuardTest, ProtectedAreListedNamesStaffOperatorsAdminsAndTheClient) {
    TempFolder folder;
    Database database;
    database.LoadDatabase(folder.write("database.txt", "Boss\r\n"));
    struct Case {
        const char* name;
        const char* flags;
        bool isProtected;
    };
    const Case cases[] = {
        {"bob", "0001", true},     {"bob", "0002", true},       {"bob", "0008", true},
        {"bob", "0012", true},     {"bob", "0010", false},      {"bob", "0000", false},
        {"bob", "0004", false},    {"bob", "0020", false},      {"bob", "002", true},
        {"bob", "000a", true},     {"bob", "000A", true},       {"bob", "0003", true},
        {"bob", "0014", false},    {"bob", "0030", false},      {"bob", "0100", false},
        {"bob", "00000002", true}, {"bob", "000000002", false}, {"bob", "0x02", false},
        {"bob", "00g2", false},    {"bob", " 0002", false},     {"bob", "", false},
        {"boss", "0010", true},    {"BOSS", "", true},          {"Boss2", "", false},
        {"Alice", "0010", true},   {"alice2", "0010", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsProtected(c.name, c.flags, database, "alice"), c.isProtected)
            << c.name << " " << c.flags;
    }
}

TEST(ChannelGuardTest, TrustedUsersFollowTheirLatestFlags) {
    TrustedUsers users;
    struct Step {
        const char* name;
        const char* flags;  // nullptr: the user left
        bool bobTrusted;
    };
    const Step steps[] = {
        {"Bob", "0010", false},     {"Bob", "0002", true},     {"ann", "0008", true},
        {"BOB", "0010", false},     {"bob", "0001", true},     {"bob", nullptr, true},
        {"bob", "", false},         {"bob", "0001", true},     {"bob", nullptr, true},
        {"bob", "0002", true},      {"settle", nullptr, true}, {"bob", nullptr, true},
        {"settle", nullptr, false},
    };
    for (const Step& s : steps) {
        if (s.flags) {
            users.Flags(s.name, s.flags);
        } else if (std::string_view(s.name) == "settle") {
            users.Settle();
        } else {
            users.Left(s.name);  // known until the next Settle
        }
        EXPECT_EQ(users.Contains("bob"), s.bobTrusted) << s.name << " " << (s.flags ? s.flags : "");
    }
    EXPECT_TRUE(users.Contains("ANN"));
    users.Clear();
    EXPECT_FALSE(users.Contains("ann"));
}

}  // namespace
}  // namespace varno
