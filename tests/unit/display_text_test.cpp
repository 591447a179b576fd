#include "log/display_text.h"

#include <gtest/gtest.h>

namespace varno {
namespace {

// What the user list and the logs show of a name or a message.
TEST(DisplayText, VisibleTextShowsControlCharactersAsTheirSymbols) {
    struct Case {
        std::string bytes;
        const char* shown;
    };
    for (const Case& c : {
             Case{"Bob", "Bob"},
             Case{std::string("a\0b", 3),
                  "a\xE2\x90\x80"
                  "b"},
             Case{"\x01\x1F", "\xE2\x90\x81\xE2\x90\x9F"},
             Case{"tab\there", "tab\xE2\x90\x89here"},
             Case{"cr\rlf\n", "cr\xE2\x90\x8Dlf\xE2\x90\x8A"},
             Case{"del\x7F", "del\xE2\x90\xA1"},
             Case{" ~", " ~"},
             Case{"Bj\xF6rn\x07", "Bj\xC3\xB6rn\xE2\x90\x87"},
             Case{"\xC3\xA9\x1B", "\xC3\xA9\xE2\x90\x9B"},
         }) {
        EXPECT_EQ(VisibleText(c.bytes), c.shown) << c.bytes;
    }
}

// The check reads ASCII eight bytes at a time: each sequence at every place around those
// words, and cut short by the end of the text.
TEST(DisplayText, Utf8IsCheckedWhereverASequenceFallsInTheText) {
    struct Case {
        std::string sequence;
        bool valid;
    } const cases[] = {
        {"\xC3\xA9", true},
        {"\xE2\x90\x80", true},
        {"\xF0\x9F\x98\x80", true},
        {"\xFF", false},
        {"\x80", false},
        {"\xC0\xAF", false},
        {"\xED\xA0\x80", false},
        {"\xF4\x90\x80\x80", false},
        {"\xE2\x90", false},
        {std::string("\0", 1), true},
    };
    for (const Case& c : cases) {
        for (std::size_t at = 0; at <= 17; ++at) {
            std::string text = std::string(at, 'a') + c.sequence + std::string(17 - at, 'b');
            EXPECT_EQ(IsValidUtf8(text), c.valid) << at << " " << c.sequence;
            text = std::string(at, 'a') + c.sequence;
            EXPECT_EQ(IsValidUtf8(text), c.valid) << at << " at the end " << c.sequence;
            if (c.sequence.size() > 1) {
                text.pop_back();
                EXPECT_FALSE(IsValidUtf8(text)) << at << " cut " << c.sequence;
            }
        }
    }
}

}  // namespace
}  // namespace varno
