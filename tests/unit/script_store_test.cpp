#include "script/script_store.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <random>

#include "support/fakes.h"

namespace varno {
namespace {

using test::TempFolder;
using Value = ScriptStore::Value;

std::string AllBytes() {
    std::string bytes;
    for (int c = 0; c < 256; ++c) {
        bytes.push_back(static_cast<char>(c));
    }
    return bytes;
}

TEST(ScriptStoreTest, KeepsAnyBytesAndEveryTypeAcrossAFile) {
    const ScriptStore::Values values = {
        {AllBytes().substr(0, 128), Value(AllBytes())},
        {AllBytes().substr(128), Value(AllBytes().substr(100))},
        {"\\t\\n\t\r\n\\", Value(std::string("\r\n\\\\n\t", 6))},
        {std::string("\0", 1), Value(std::string())},
        {"min", Value(std::numeric_limits<std::int64_t>::min())},
        {"max", Value(std::numeric_limits<std::int64_t>::max())},
        {"tenth", Value(0.1)},
        {"huge", Value(-1.7976931348623157e308)},
        {"infinite", Value(std::numeric_limits<double>::infinity())},
        {"whole float", Value(3.0)},
        {"yes", Value(true)},
        {"no", Value(false)},
    };
    TempFolder folder;
    const std::string path = folder.file("t.store");
    {
        ScriptStore store(path);
        for (const auto& [key, value] : values) {
            ASSERT_TRUE(store.Set(key, value));
        }
        store.Save();
    }
    ScriptStore again(path);
    EXPECT_EQ(again.values(), values);
    EXPECT_FALSE(again.changed());
    std::size_t counted = 0;
    EXPECT_EQ(ScriptStore::Parse(ScriptStore::Format(values), counted), values);
    EXPECT_EQ(counted, again.bytes());
}

TEST(ScriptStoreTest, HoldsExactly64KiBOfKeysAndValues) {
    ScriptStore store("unused");
    const std::size_t room = ScriptStore::kMaxBytes;
    EXPECT_FALSE(store.Set("k", Value(std::string(room, 'x'))));
    EXPECT_TRUE(store.values().empty());
    EXPECT_TRUE(store.Set("k", Value(std::string(room - 1, 'x'))));
    EXPECT_EQ(store.bytes(), room);
    EXPECT_FALSE(store.Set("n", Value(std::int64_t{1})));
    EXPECT_TRUE(store.Set("k", Value(std::string(room - 2 - ScriptStore::kNumberBytes, 'y'))))
        << "a value replaced counts only once";
    EXPECT_TRUE(store.Set("n", Value(std::int64_t{1})));
    EXPECT_EQ(store.bytes(), room);
    store.Erase("k");
    EXPECT_EQ(store.bytes(), 1 + ScriptStore::kNumberBytes);
}

TEST(ScriptStoreTest, ReadsWhatADamagedFileStillHolds) {
    struct Case {
        std::string bytes;
        ScriptStore::Values values;
    };
    const std::string tooLong(ScriptStore::kMaxKeyBytes + 1, 'k');
    const Case cases[] = {
        {"a\tsx\nb\ti7\n", {{"a", Value(std::string("x"))}, {"b", Value(std::int64_t{7})}}},
        {"a\tsx\r\nb\tb1", {{"a", Value(std::string("x"))}, {"b", Value(true)}}},
        {"no tab\na\tsx\n", {{"a", Value(std::string("x"))}}},
        {"a\tq1\nb\ti1x\nc\tf\nd\tb2\ne\ti\n", {}},
        {"a\\x\tsx\nb\ts\\\nc\ts\\q\nd\tsa\tb\ne\tsa\rb\n", {}},
        {"\tsx\n" + tooLong + "\tsx\n", {}},
        {"a\ti99999999999999999999\n", {}},
        {"a\tsold\na\tsnew\n", {{"a", Value(std::string("new"))}}},
        {"k\ts" + std::string(ScriptStore::kMaxBytes, 'x') + "\nj\tsy\n",
         {{"j", Value(std::string("y"))}}},
        {std::string("\0\ti0\n\xff\t\xff", 8), {{std::string("\0", 1), Value(std::int64_t{0})}}},
    };
    for (const Case& c : cases) {
        std::size_t counted = 0;
        EXPECT_EQ(ScriptStore::Parse(c.bytes, counted), c.values) << c.bytes;
    }
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 300, '\0');
        for (char& c : bytes) {
            c = "\t\n\r\\sifb0a"[random() % 10];
        }
        std::size_t counted = 0;
        for (const auto& [key, value] : ScriptStore::Parse(bytes, counted)) {
            EXPECT_FALSE(key.empty());
            EXPECT_LE(key.size(), ScriptStore::kMaxKeyBytes);
        }
        EXPECT_LE(counted, ScriptStore::kMaxBytes);
    }
}

TEST(ScriptStoreTest, WritesOnlyAChangeAndReplacesTheFileWhole) {
    TempFolder folder;
    const std::string path = folder.file("t.store");
    ScriptStore store(path);
    store.Save();
    EXPECT_FALSE(std::filesystem::exists(path)) << "nothing changed, nothing written";
    ASSERT_TRUE(store.Set("a", Value(std::string("1"))));
    EXPECT_TRUE(store.changed());
    store.Save();
    EXPECT_FALSE(store.changed());
    EXPECT_EQ(folder.read("t.store"), "a\ts1\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600U);

    // A link made to the old file keeps the old bytes: the new ones came in a new file.
    const std::string link = folder.file("old.store");
    std::filesystem::create_hard_link(path, link);
    ASSERT_TRUE(store.Set("a", Value(std::string("1"))));
    EXPECT_FALSE(store.changed()) << "the same value again is no change";
    ASSERT_TRUE(store.Set("a", Value(std::int64_t{1})));
    store.Save();
    EXPECT_EQ(folder.read("t.store"), "a\ti1\n");
    EXPECT_EQ(folder.read("old.store"), "a\ts1\n");
    store.Erase("a");
    store.Save();
    EXPECT_EQ(folder.read("t.store"), "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2)
        << "no temporary file is left";
}

}  // namespace
}  // namespace varno
