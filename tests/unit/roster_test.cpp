#include "channel/roster.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varno {
namespace {

std::vector<std::string> Names(const Roster& roster) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < roster.size(); ++i) {
        names.push_back(roster.at(i).text);
    }
    return names;
}

// Records each call with the roster's size at that moment.
class RecordingListener : public RosterListener {
public:
    explicit RecordingListener(const Roster& roster) : roster_(roster) {}
    void onAboutToInsert(std::size_t pos) override { log("about-insert", pos); }
    void onInserted(std::size_t pos) override { log("inserted", pos); }
    void onAboutToRemove(std::size_t pos) override { log("about-remove", pos); }
    void onRemoved(std::size_t pos) override { log("removed", pos); }
    void onAboutToClear() override { log("about-clear", 0); }
    void onCleared() override { log("cleared", 0); }
    void onHeaderChanged() override { log("header " + roster_.header(), 0); }

    std::vector<std::string> calls;

private:
    void log(const std::string& what, std::size_t pos) {
        calls.push_back(what + " " + std::to_string(pos) + " size " +
                        std::to_string(roster_.size()));
    }
    const Roster& roster_;
};

TEST(Roster, InsertKeepsOrderAndAllowsDuplicates) {
    Roster roster;
    roster.append({"Bob", 6});
    roster.append({"Ann", 2});
    roster.insert(0, {"Cy", 0});
    roster.insert(2, {"Bob", 1});
    roster.insert(4, {"Dee", 3});
    roster.insert(99, {"Eve", 4});
    EXPECT_EQ(Names(roster), (std::vector<std::string>{"Cy", "Bob", "Bob", "Ann", "Dee", "Eve"}));
    EXPECT_EQ(roster.at(1).icon, 6);
    EXPECT_EQ(roster.at(2).icon, 1);

    roster.removeAt(1);
    roster.removeAt(42);
    EXPECT_EQ(Names(roster), (std::vector<std::string>{"Cy", "Bob", "Ann", "Dee", "Eve"}));
    roster.clear();
    EXPECT_EQ(roster.size(), 0u);
}

TEST(Roster, LookupsFindTheFirstMatchFromTheTop) {
    Roster roster;
    for (const char* name : {"", "alice", "Bob", "BOB", "b\xC3\xB6"}) {
        roster.append({name, 0});
    }
    struct Case {
        std::string name;
        std::optional<std::size_t> folded;
        std::optional<std::size_t> exact;
    };
    const Case cases[] = {
        {"bob", 2, std::nullopt},
        {"BOB", 2, 3},
        {"Alice", 1, std::nullopt},
        {"alice", 1, 1},
        {"", 0, std::nullopt},           // an empty name never matches exactly
        {"B\xC3\xB6", 4, std::nullopt},  // only ASCII letters fold
        {"b\xC3\x96", std::nullopt, std::nullopt},
        {"bo", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(roster.findCaseInsensitive(c.name), c.folded) << c.name;
        EXPECT_EQ(roster.findExact(c.name), c.exact) << c.name;
    }
}

TEST(Roster, ListenerBracketsEveryChange) {
    Roster roster;
    RecordingListener listener(roster);
    roster.setListener(&listener);
    roster.append({"a", 0});
    roster.insert(0, {"b", 0});
    roster.removeAt(1);
    roster.removeAt(5);
    roster.setHeader("Lobby");
    roster.clear();
    roster.setListener(nullptr);
    EXPECT_EQ(listener.calls,
              (std::vector<std::string>{
                  "about-insert 0 size 0", "inserted 0 size 1", "about-insert 0 size 1",
                  "inserted 0 size 2", "about-remove 1 size 2", "removed 1 size 1",
                  "header Lobby 0 size 1", "about-clear 0 size 1", "cleared 0 size 0"}));
}

// The typed text is UTF-8; the name is decoded on its own and appended without a space.
TEST(Roster, AppendSelectedNameDecodesTheNameAlone) {
    struct Case {
        const char* input;
        const char* name;
        const char* result;
    };
    for (const Case& c : {
             Case{"", "Bob", "Bob"},
             Case{"hi ", "Bob", "hi Bob"},
             Case{"\xC3\xA9t\xC3\xA9 ", "Bj\xF6rn", "\xC3\xA9t\xC3\xA9 Bj\xC3\xB6rn"},
             Case{"\xC3\xA9 ", "Bj\xC3\xB6rn", "\xC3\xA9 Bj\xC3\xB6rn"},
             Case{"x", "\x80\x9F", "x\xE2\x82\xAC\xC5\xB8"},
         }) {
        EXPECT_EQ(AppendSelectedName(c.input, c.name), c.result) << c.name;
    }
}

}  // namespace
}  // namespace varno
