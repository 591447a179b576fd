#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/input_history.h"
#include "ui/name_completion.h"

namespace varno {
namespace {

// Steps on a history: 'u' Up, 'd' Down; each gives what the input line shows afterwards.
std::vector<std::string> Walk(InputHistory& h, std::string shown, const char* keys) {
    std::vector<std::string> seen;
    for (const char* k = keys; *k != '\0'; ++k) {
        const auto next = *k == 'u' ? h.Up(shown) : h.Down();
        if (next) {
            shown = *next;
        }
        seen.push_back(shown);
    }
    return seen;
}

TEST(InputHistory, UpAndDownWalkTheSentLinesAndGiveBackTheTypedOne) {
    struct Case {
        std::vector<std::string> sent;
        const char* keys;
        std::vector<std::string> seen;
    };
    for (const Case& c : {
             Case{{}, "ud", {"typing", "typing"}},
             Case{{"one", "two"}, "uuu", {"two", "one", "one"}},
             Case{{"one", "two"}, "uudddd", {"two", "one", "two", "typing", "typing", "typing"}},
             Case{{"one", "", "two"}, "uu", {"two", "one"}},
             Case{{"same", "same"}, "uu", {"same", "same"}},
         }) {
        InputHistory h;
        for (const std::string& line : c.sent) {
            h.Sent(line);
        }
        EXPECT_EQ(Walk(h, "typing", c.keys), c.seen) << c.keys;
    }
}

TEST(InputHistory, KeepsTheLast100Lines) {
    for (const int sent : {100, 101}) {
        InputHistory h;
        for (int i = 1; i <= sent; ++i) {
            h.Sent("line " + std::to_string(i));
        }
        EXPECT_EQ(h.size(), 100u);
        std::string oldest;
        for (int i = 0; i < 100; ++i) {
            oldest = *h.Up("");
        }
        EXPECT_EQ(oldest, "line " + std::to_string(sent - 99));
        EXPECT_FALSE(h.Up(oldest).has_value()) << "no further than the oldest kept";
    }
}

TEST(InputHistory, SendingOrClearingStartsAgainFromTheTypedLine) {
    InputHistory h;
    h.Sent("one");
    h.Sent("two");
    h.Up("draft");
    h.Up("two");
    h.Sent("one");  // a recalled line sent again is the newest
    EXPECT_EQ(Walk(h, "", "uud"), (std::vector<std::string>{"one", "two", "one"}));
    h.Reset();
    EXPECT_EQ(h.Down(), std::nullopt);
    EXPECT_EQ(h.Up("new"), "one");
    EXPECT_EQ(h.Down(), "new");
}

// The names as the list shows them, top first.
const std::vector<std::string> kNames = {"Bob", "alice", "Alfred", "bob", "Al", "\xC3\x89mile"};

TEST(NameCompletion, FirstTabCompletesTheWordBeforeTheCursor) {
    struct Case {
        const char* text;
        std::size_t cursor;
        const char* completed;  // nothing: no match
        std::size_t completedCursor;
    };
    const Case cases[] = {
        {"al", 2, "alice", 5},         {"hi AL", 5, "hi alice", 8},
        {"hi alf", 6, "hi Alfred", 9}, {"BO and more", 2, "Bob and more", 3},
        {"x bo", 4, "x Bob", 5},       {"\xC3\x89m", 3, "\xC3\x89mile", 6},
        {"\xC3\xA9m", 3, nullptr, 0},  // only ASCII letters fold
        {"zed", 3, nullptr, 0},        {"hi ", 3, nullptr, 0},
        {"", 0, nullptr, 0},           {"al", 0, nullptr, 0},
    };
    for (const Case& c : cases) {
        NameCompletion n;
        const std::optional<InputText> expected =
            c.completed ? std::optional<InputText>(InputText{c.completed, c.completedCursor})
                        : std::nullopt;
        EXPECT_EQ(n.Tab(InputText{c.text, c.cursor}, kNames), expected) << c.text;
    }
}

TEST(NameCompletion, FurtherTabsCycleThroughTheMatchesInListOrder) {
    NameCompletion n;
    InputText input{"to al, hi", 5};
    std::vector<std::string> seen;
    for (int i = 0; i < 4; ++i) {
        input = *n.Tab(input, kNames);
        seen.push_back(input.text.substr(0, input.cursor));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"to alice", "to Alfred", "to Al", "to alice"}));
    EXPECT_EQ(input.text, "to alice, hi");

    // Anything typed in between starts afresh from the word as it then stands.
    n.Reset();
    EXPECT_EQ(n.Tab({"bob", 3}, kNames), (InputText{"Bob", 3}));
    EXPECT_EQ(n.Tab({"Bob", 3}, kNames), (InputText{"bob", 3}));
    EXPECT_EQ(n.Tab({"Bob ", 4}, kNames), std::nullopt) << "the text changed: a new start";
}

}  // namespace
}  // namespace varno
