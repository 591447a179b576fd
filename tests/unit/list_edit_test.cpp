#include "moderation/list_edit.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "support/fakes.h"

namespace varno {
namespace {

using test::TempFolder;

std::optional<std::string> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ListEditTest, ChangesOneLineAndKeepsEveryOtherByteForByte) {
    struct Case {
        std::optional<std::string> before;  // nothing: no file
        bool add;
        std::string pattern;
        ListEdit result;
        std::optional<std::string> after;
    };
    const Case cases[] = {
        {std::nullopt, true, "spam*", ListEdit::Added, "spam*\r\n"},
        {"", true, "spam*", ListEdit::Added, "spam*\r\n"},
        {"a\r\nb\rc \r\n", true, "x y", ListEdit::Added, "a\r\nb\rc \r\nx y\r\n"},
        {"a\r\nb", true, "x", ListEdit::Added, "a\r\nb\r\nx\r\n"},
        {"a\r\nb\n", true, "x", ListEdit::Added, "a\r\nb\nx\r\n"},
        {"spam*\nbot*\n", true, "foo*", ListEdit::Added, "spam*\nbot*\nfoo*\n"},
        {"spam*\nbot*", true, "foo*", ListEdit::Added, "spam*\nbot*\nfoo*\n"},
        {"a\rb\r\n", true, "x", ListEdit::Added, "a\rb\r\nx\r"},
        {"spam*\nBot*\nx\r\n", false, "bot*", ListEdit::Removed, "spam*\nx\r\n"},
        {"spam*\nbot*\n", true, "BOT*", ListEdit::AlreadyThere, "spam*\nbot*\n"},
        {"a\r", true, "x", ListEdit::Added, "a\rx\r"},
        {"a\r\nSpam*\r\n", true, "spam*", ListEdit::AlreadyThere, "a\r\nSpam*\r\n"},
        {"a\r\nb\rc\r\n", false, "B", ListEdit::Removed, "a\r\nc\r\n"},
        {"x\r\na\r\nx\rx", false, "x", ListEdit::Removed, "a\r\n"},
        {"a\r\nb", false, "b", ListEdit::Removed, "a\r\n"},
        {"a\r\nb \r\n", false, "b", ListEdit::NotThere, "a\r\nb \r\n"},
        {std::nullopt, false, "b", ListEdit::NotThere, std::nullopt},
        {"a\r\n", true, "", ListEdit::NotAPattern, "a\r\n"},
        {"a\r\n", true, "x\ry", ListEdit::NotAPattern, "a\r\n"},
        {"a\r\n", false, "a\n", ListEdit::NotAPattern, "a\r\n"},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        const std::string path = folder.file("shitlist.txt");
        if (c.before) {
            folder.write("shitlist.txt", *c.before);
        }
        const ListEdit result =
            c.add ? AddListLine(path, c.pattern) : RemoveListLine(path, c.pattern);
        EXPECT_EQ(result, c.result) << c.before.value_or("(none)") << " " << c.pattern;
        EXPECT_EQ(ReadAll(path), c.after) << c.before.value_or("(none)") << " " << c.pattern;
    }
}

TEST(ListEditTest, NewFilesAreOwnerOnlyAndOldOnesKeepTheirMode) {
    TempFolder folder;
    const std::string fresh = folder.file("badwords.txt");
    ASSERT_EQ(AddListLine(fresh, "*word*"), ListEdit::Added);
    struct stat st {};
    ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600U);

    const std::string old = folder.write("shitlist.txt", "a\r\n");
    ::chmod(old.c_str(), 0644);
    ASSERT_EQ(AddListLine(old, "b"), ListEdit::Added);
    ASSERT_EQ(::stat(old.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644U);
}

TEST(ListEditTest, AFileThatCannotBeReplacedIsAFailure) {
    TempFolder folder;
    std::filesystem::create_directory(folder.file("shitlist.txt"));
    EXPECT_EQ(AddListLine(folder.file("shitlist.txt"), "x"), ListEdit::Failed);
    EXPECT_EQ(RemoveListLine(folder.file("shitlist.txt"), "x"), ListEdit::Failed);
    EXPECT_TRUE(std::filesystem::is_directory(folder.file("shitlist.txt")));
}

}  // namespace
}  // namespace varno
