#include "moderation/timed_bans.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/fakes.h"

namespace varno {
namespace {

using test::TempFolder;

using Ban = TimedBans::Ban;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(TimedBansTest, ParseKeepsWellFormedLinesAndTellsOfDamage) {
    struct Case {
        std::string bytes;
        std::vector<Ban> bans;
        bool damaged;
    };
    const Case cases[] = {
        {"", {}, false},
        {"bob 100\n", {{"bob", 100}}, false},
        {"bob 100\r\n[x]y 7\n\n", {{"bob", 100}, {"[x]y", 7}}, false},
        {"bob 100", {{"bob", 100}}, false},
        {"bob 100\nbroken\nann 5\n", {{"bob", 100}, {"ann", 5}}, true},
        {"bob -1\n", {}, true},
        {"bob 1x\n", {}, true},
        {" 100\n", {}, true},
        {"bob \n", {}, true},
        {"two names 5\n", {}, true},
        {std::string("b\0b 5\n", 6), {{std::string("b\0b", 3), 5}}, false},
        {"bob 99999999999999999999999\n", {{"bob", INT64_MAX}}, false},
    };
    for (const Case& c : cases) {
        bool damaged = false;
        EXPECT_EQ(TimedBans::Parse(c.bytes, damaged), c.bans) << c.bytes;
        EXPECT_EQ(damaged, c.damaged) << c.bytes;
    }
}

TEST(TimedBansTest, SavesOwnerOnlyAndLoadsWhatItSaved) {
    TempFolder folder;
    const std::string path = folder.file("bans.txt");
    TimedBans bans(path);
    EXPECT_EQ(bans.Load(), TimedBans::LoadResult::Missing);
    EXPECT_TRUE(bans.Add("bob", 200));
    EXPECT_TRUE(bans.Add("[Clan]Ann", 100));
    EXPECT_TRUE(bans.Add("BOB", 300)) << "a later ban of the same name replaces the first";
    EXPECT_FALSE(bans.Add("", 5));
    EXPECT_FALSE(bans.Add("a b", 5));
    EXPECT_FALSE(bans.Add("a\r\nb", 5));
    ASSERT_TRUE(bans.Save());
    EXPECT_EQ(ReadAll(path), "[Clan]Ann 100\nBOB 300\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600U);

    TimedBans again(path);
    EXPECT_EQ(again.Load(), TimedBans::LoadResult::Read);
    EXPECT_EQ(again.bans(), (std::vector<Ban>{{"[Clan]Ann", 100}, {"BOB", 300}}));
    EXPECT_TRUE(again.Remove("bob"));
    EXPECT_FALSE(again.Remove("bob"));
    EXPECT_EQ(again.bans(), (std::vector<Ban>{{"[Clan]Ann", 100}}));
}

TEST(TimedBansTest, TakesDueBansAtTheirEndTimeNotBefore) {
    TimedBans bans("unused");
    bans.Add("a", 100);
    bans.Add("b", 101);
    bans.Add("c", 50);
    EXPECT_TRUE(bans.TakeDue(49).empty());
    EXPECT_EQ(bans.TakeDue(100), (std::vector<std::string>{"a", "c"}));
    EXPECT_TRUE(bans.TakeDue(100).empty());
    EXPECT_EQ(bans.bans(), (std::vector<Ban>{{"b", 101}}));
    EXPECT_EQ(bans.TakeDue(1000), (std::vector<std::string>{"b"}));
    EXPECT_TRUE(bans.bans().empty());
}

TEST(TimedBansTest, DamagedOrUnreadableFilesAreReportedNotFatal) {
    TempFolder folder;
    const std::string path = folder.write("bans.txt", "bob 100\n\xff\xfe garbage\nann 7\n");
    TimedBans bans(path);
    EXPECT_EQ(bans.Load(), TimedBans::LoadResult::Damaged);
    EXPECT_EQ(bans.bans(), (std::vector<Ban>{{"bob", 100}, {"ann", 7}}));
    ASSERT_TRUE(bans.Save());
    EXPECT_EQ(ReadAll(path), "bob 100\nann 7\n");

    std::filesystem::create_directory(folder.file("dir"));
    TimedBans dir(folder.file("dir"));
    EXPECT_EQ(dir.Load(), TimedBans::LoadResult::Unreadable);
    EXPECT_TRUE(dir.bans().empty());
    EXPECT_FALSE(dir.Add("bob", 100)) << "no bans while the file can't be read";
    EXPECT_FALSE(dir.Save()) << "a folder in the file's place is left alone";
}

}  // namespace
}  // namespace varno
