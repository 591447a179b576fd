#include "base/split_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varno {
namespace {

TEST(SplitString, PiecesBetweenDelimitersWithoutEmptyOnes) {
    struct Case {
        std::string text;
        std::string delimiter;
        std::vector<std::string_view> pieces;
    };
    const Case cases[] = {
        {"", " ", {}},
        {" ", " ", {}},
        {"   ", " ", {}},
        {"a", " ", {"a"}},
        {"1005 K alice 0010", " ", {"1005", "K", "alice", "0010"}},
        {"  1005   K  alice ", " ", {"1005", "K", "alice"}},
        {"a\tb c", " ", {"a\tb", "c"}},
        {"one\r\ntwo\r\n", "\r\n", {"one", "two"}},
        {"\r\n\r\none\r\n\r\n\r\ntwo", "\r\n", {"one", "two"}},
        {"a\rb\nc\n\rd", "\r\n", {"a\rb\nc\n\rd"}},
        {"x\r\r\ny", "\r\n", {"x\r", "y"}},
        {"abcabc", "abc", {}},
        {"aabcb", "abc", {"a", "b"}},
        {"no delimiter", "", {"no delimiter"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string_view> list;
        EXPECT_EQ(SplitString(c.text, c.delimiter, list), c.pieces.size()) << c.text;
        EXPECT_EQ(list, c.pieces) << c.text;
    }
}

TEST(SplitString, ReplacesWhatTheListHeld) {
    std::vector<std::string_view> list = {"old", "pieces", "here"};
    EXPECT_EQ(SplitString("new", " ", list), 1u);
    EXPECT_EQ(list, std::vector<std::string_view>{"new"});
    EXPECT_EQ(SplitString("", " ", list), 0u);
    EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace varno
