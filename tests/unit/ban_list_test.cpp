#include "moderation/ban_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fakes.h"

namespace varno {
namespace {

using test::TempFolder;

using namespace std::string_literals;
using Lines = std::vector<std::string>;

TEST(BanList, SplitsLinesAtCrLfLfAndLoneCr) {
    struct Case {
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a\r\nb\rc", {"a", "b", "c"}},
        {"a\r\n", {"a"}},
        {"a\r", {"a"}},
        {"a\nb\r\n", {"a", "b"}},
        {"spam*\nbot*\n", {"spam*", "bot*"}},
        {"\n", {""}},
        {"a\n\rb\n\n", {"a", "", "b", ""}},
        {"\r\n\r\n", {"", ""}},
        {"a\r\r\nb", {"a", "", "b"}},
        {" a \r\n", {" a "}},
        {"x\0y\xFF\r\n\0"s, {"x\0y\xFF"s, "\0"s}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BanList::SplitLines(c.bytes), c.lines);
    }
}

TEST(BanList, LoadsEveryLineOfTheFileInOrder) {
    const TempFolder folder;
    BanList list;
    list.LoadBanList(folder.write("shitlist.txt", "[clan]*\r\n\r\nBob\rBob\r\na\nb\0c"s));
    EXPECT_EQ(list.patterns(), (Lines{"[clan]*", "", "Bob", "Bob", "a", "b\0c"s}));
}

TEST(BanList, LoadsLargeFilesWhole) {
    const TempFolder folder;
    std::string manyLines;
    for (int i = 0; i < 100000; ++i) {
        manyLines += "user" + std::to_string(i) + "\r\n";
    }
    BanList many;
    many.LoadBanList(folder.write("many.txt", manyLines));
    ASSERT_EQ(many.patterns().size(), 100000u);
    EXPECT_EQ(many.patterns().back(), "user99999");

    BanList longLine;
    longLine.LoadBanList(folder.write("long.txt", std::string(10 * 1024 * 1024, 'x')));
    ASSERT_EQ(longLine.patterns().size(), 1u);
    EXPECT_EQ(longLine.patterns()[0].size(), 10u * 1024 * 1024);
}

TEST(BanList, AFileThatCannotBeReadAddsNothing) {
    const TempFolder folder;
    BanList list;
    list.LoadBanList(folder.write("shitlist.txt", "Bob\r\n"));
    for (const std::string& path :
         {folder.file("missing.txt"), folder.file(""), "/proc/self/mem"s, "/dev/zero"s}) {
        list.LoadBanList(path);
        EXPECT_EQ(list.patterns(), Lines{"Bob"}) << path;
    }
}

TEST(BanList, BansEachJoinOncePerMatchingPatternInOrder) {
    const TempFolder folder;
    BanList list;
    list.LoadBanList(folder.write("shitlist.txt", "*bob*\r\nx\r\nB?b\r\n\r\nBob \r\n"));
    Lines sent;
    list.CheckBanList({"Bob", "", "alice", "x", "[x]"},
                      [&sent](std::string_view line) { sent.emplace_back(line); });
    EXPECT_EQ(sent, (Lines{"/ban Bob boo", "/ban Bob boo", "/ban x boo"}));
}

}  // namespace
}  // namespace varno
