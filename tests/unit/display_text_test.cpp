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

}  // namespace
}  // namespace varno
