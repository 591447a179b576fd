#include "moderation/database.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fakes.h"

namespace varno {
namespace {

using test::TempFolder;

using namespace std::string_literals;
using Entries = std::vector<std::string>;

TEST(Database, ReadsFieldsSeparatedByCommasAndLineEnds) {
    struct Case {
        std::string bytes;
        Entries entries;
    };
    const Case cases[] = {
        {"", {}},
        {"Bob\r\nalice", {"Bob", "alice"}},
        {"a\rb\nc\r\n", {"a", "b", "c"}},
        {"Bob,alice\r\n", {"Bob", "alice"}},
        {"Bob,admin\r\ncarol", {"Bob", "admin", "carol"}},
        {"  Bob  ,\talice\t\r\n", {"Bob", "alice"}},
        {"\"Bob\"", {"Bob"}},
        {"  \"a,b\" ,c", {"a,b", "c"}},
        {"\"a\"\"b\"", {"a\"b"}},
        {"\" Bob \"", {" Bob "}},
        {"\"a\r\nb\"\r\nc", {"a\r\nb", "c"}},
        {"\"Bob\"x y ,z", {"Bobx y", "z"}},
        {"\"unclosed,\r\nrest", {"unclosed,\r\nrest"}},
        {"\"\"", {}},
        {"Bo\"b", {"Bo\"b"}},
        {",, \r\n\r\n\n\r", {}},
        {"a\0b,\xFF"s, {"a\0b"s, "\xFF"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Database::ParseFields(c.bytes), c.entries) << c.bytes;
    }
}

TEST(Database, AdmitsWholeNamesIgnoringCase) {
    const TempFolder folder;
    Database database;
    database.LoadDatabase(folder.write("database.txt", "Bob\r\nalice\r\ncarol,\"dave\"\r\n"));
    for (const char* name : {"bob", "BOB", "Alice", "carol", "Dave"}) {
        EXPECT_TRUE(database.IsInDatabase(name)) << name;
    }
    for (const char* name : {"Bob2", "ali", "", "\"dave\"", "bob "}) {
        EXPECT_FALSE(database.IsInDatabase(name)) << name;
    }
}

TEST(Database, RefusesEveryoneBeforeLoadingAndWhenEmpty) {
    const TempFolder folder;
    Database database;
    EXPECT_FALSE(database.IsInDatabase("Bob"));
    database.LoadDatabase(folder.write("database.txt", ""));
    EXPECT_FALSE(database.IsInDatabase("Bob"));
    EXPECT_FALSE(database.IsInDatabase(""));
}

TEST(Database, EachLoadReplacesTheList) {
    const TempFolder folder;
    Database database;
    database.LoadDatabase(folder.write("first.txt", "Bob\r\n"));
    database.LoadDatabase(folder.write("second.txt", "alice\r\n"));
    EXPECT_FALSE(database.IsInDatabase("Bob"));
    EXPECT_TRUE(database.IsInDatabase("alice"));
    for (const std::string& unreadable : {folder.file("missing.txt"), folder.file("")}) {
        database.LoadDatabase(folder.write("second.txt", "alice\r\n"));
        database.LoadDatabase(unreadable);
        EXPECT_FALSE(database.IsInDatabase("alice")) << unreadable;
    }
}

}  // namespace
}  // namespace varno
