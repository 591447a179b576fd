#include "connection/line_framer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varno {
namespace {

class LineFramerTest : public ::testing::Test {
protected:
    void feed(std::string_view bytes) {
        framer.feed(bytes, [this](std::string_view line) { lines.emplace_back(line); });
    }

    LineFramer framer;
    std::vector<std::string> lines;
};

using Lines = std::vector<std::string>;

TEST_F(LineFramerTest, LinesOfOneReadInOrderWithoutEmptyOnes) {
    feed("1002 JOIN bob 0010 [CHAT]\r\n\r\n1005 TALK bob 0010 \"hi\"\r\n1003 LEAVE bob 0010\r\n");
    EXPECT_EQ(lines, (Lines{"1002 JOIN bob 0010 [CHAT]", "1005 TALK bob 0010 \"hi\"",
                            "1003 LEAVE bob 0010"}));
}

TEST_F(LineFramerTest, LinesInsideTheReadAreViewsIntoIt) {
    const std::string block = "first\r\nsecond\r\n";
    std::vector<const char*> starts;
    framer.feed(block, [&](std::string_view line) { starts.push_back(line.data()); });
    EXPECT_EQ(starts, (std::vector<const char*>{block.data(), block.data() + 7}));
}

TEST_F(LineFramerTest, StreamCutAnywhereInThreeReadsGivesTheSameLines) {
    const std::string stream = "1005 K a 0010 \"x\"\r\nc\rd\n\r\r\n\r\nlast\r\n";
    const Lines expected = {"1005 K a 0010 \"x\"", "c\rd\n\r", "last"};
    for (std::size_t i = 0; i <= stream.size(); ++i) {
        for (std::size_t j = i; j <= stream.size(); ++j) {
            lines.clear();
            framer.reset();
            feed(stream.substr(0, i));
            feed(stream.substr(i, j - i));
            feed(stream.substr(j));
            EXPECT_EQ(lines, expected) << "cut at " << i << " and " << j;
        }
    }
}

TEST_F(LineFramerTest, LineWaitsForItsLineEnd) {
    feed("Username: ");
    EXPECT_TRUE(lines.empty());
    feed("alice\r");
    EXPECT_TRUE(lines.empty());
    feed("\nPassword: ");
    EXPECT_EQ(lines, Lines{"Username: alice"});
}

TEST_F(LineFramerTest, ResetForgetsTheCarry) {
    feed("1005 K old 0010 \"cut");
    framer.reset();
    feed("1018 INFO \"new\"\r\n");
    EXPECT_EQ(lines, Lines{"1018 INFO \"new\""});

    lines.clear();
    feed("half\r");
    framer.reset();
    feed("\nnext\r\n");
    EXPECT_EQ(lines, Lines{"\nnext"});
}

TEST_F(LineFramerTest, ResetFromTheHandlerDropsTheRestOfTheRead) {
    feed("carried ");
    framer.feed("line\r\nsecond\r\ncarry", [this](std::string_view line) {
        lines.emplace_back(line);
        framer.reset();
    });
    feed("fresh\r\n");
    EXPECT_EQ(lines, (Lines{"carried line", "fresh"}));
}

TEST_F(LineFramerTest, LongestLineIsKeptWhole) {
    const std::string longest(LineFramer::kMaxLine, 'x');
    feed(longest + "\r\n");
    feed(longest.substr(0, 1000));
    feed(longest.substr(1000) + "\r");
    feed("\n");
    EXPECT_EQ(lines, (Lines{longest, longest}));
}

TEST_F(LineFramerTest, OverlongLineIsDroppedUpToItsLineEnd) {
    const std::string overlong(LineFramer::kMaxLine + 1, 'x');
    struct Case {
        const char* name;
        std::vector<std::string> reads;
    };
    const Case cases[] = {
        {"one read", {"a\r\n" + overlong + "\r\nb\r\n"}},
        {"rest of a read", {"a\r\n" + overlong, "\r\nb\r\n"}},
        {"grown by a carry", {"a\r\n" + overlong.substr(0, 10), overlong.substr(10) + "\r\nb\r\n"}},
        {"many reads", {"a\r\nxx", overlong, overlong, "yy\r", "\nb\r\n"}},
        {"line end split", {"a\r\n" + overlong + "\r", "\nb\r\n"}},
        {"dropped CR is not a line end", {"a\r\n" + overlong + "\r", "x\r", "x\r\nb\r\n"}},
        {"CR LF after a carried CR", {"a\r\n" + overlong.substr(1) + "\r", "\r\nb\r\n"}},
    };
    for (const Case& c : cases) {
        lines.clear();
        framer.reset();
        for (const std::string& read : c.reads) {
            feed(read);
        }
        EXPECT_EQ(lines, (Lines{"a", "b"})) << c.name;
    }
}

}  // namespace
}  // namespace varno
