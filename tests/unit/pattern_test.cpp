#include "moderation/pattern.h"

#include <gtest/gtest.h>

#include <string>

namespace varno {
namespace {

TEST(Pattern, MatchesAsTheBanListLanguageSays) {
    struct Case {
        std::string pattern;
        std::string name;
        bool banned;
    };
    const Case cases[] = {
        {"[clan]*", "[Clan]Bob", true},
        {"[clan]*", "[CLAN]", true},
        {"[clan]*", "lanBob", false},
        {"a#b", "a#b", true},
        {"a#b", "a1b", false},
        {"x-y", "x-y", true},
        {"x-y", "xay", false},
        {"Bob", "bob", true},
        {"Bob", "Bob2", false},
        {"Bob?", "Bob2", true},
        {"?", "Bob", false},
        // The placeholders, saved in the Windows code page and in UTF-8.
        {"a\xA7"
         "b",
         "a[b", true},
        {"a\xA7"
         "b",
         "a\xA7"
         "b",
         false},
        {"a\xA8"
         "b",
         "a]b", true},
        {"a\xA8"
         "b",
         "a\xA8"
         "b",
         false},
        {"a\xC2\xA7"
         "b",
         "a[b", true},
        {"a\xC2\xA7"
         "b",
         "a\xC2\xA7"
         "b",
         false},
        {"a\xC2\xA8"
         "b",
         "a]b", true},
        // Only in a UTF-8 pattern is C2 A7 one character; elsewhere C2 is a letter of its own.
        {"\xC2\xA7\xFF", "\xC2[\xFF", true},
        // A UTF-8 character whose second byte is A7 or A8 is itself, not a placeholder.
        {"\xC3\xA7"
         "a",
         "\xC3\xA7"
         "a",
         true},
        {"\xC3\xA8"
         "a",
         "\xC3]a", false},
        {"*", "x", true},
        {"*", "", false},
        {"", "Bob", false},
        {"Bob ", "Bob", false},
        {"]", "]", true},
        {"!*", "!x", true},
        {"*?*", "", false},
        {"A*b*C", "aXbYc", true},
        {"a*b", "a*b", true},
        // Only ASCII letters fold: E9 and C9 are two letters in the Windows code page.
        {"\xC9", "\xE9", false},
        {std::string("a\0b", 3), std::string("a\0b", 3), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.banned)
            << "pattern \"" << c.pattern << "\" name \"" << c.name << "\"";
    }
}

TEST(Pattern, EscapeKeepsOnlyStarAndQuestionMarkAsWildcards) {
    struct Case {
        std::string pattern;
        std::string escaped;
    };
    const Case cases[] = {
        {"[a]#-", "[[]a[]][#][-]"},
        {"*?!", "*?!"},
        {"\xA7\xA8", "[[][]]"},
        {"\xC3\xA7", "\xC3\xA7"},
    };
    for (const Case& c : cases) {
        std::string pattern = c.pattern;
        EscapeLikePattern(pattern);
        EXPECT_EQ(pattern, c.escaped) << c.pattern;
    }
}

TEST(Pattern, ManyStarsAgainstALongNameFinish) {
    const std::string name(10000, 'a');
    EXPECT_FALSE(MatchesPattern(name, "*a*a*a*a*a*b"));
    EXPECT_TRUE(MatchesPattern(name + "b", "*a*a*a*a*a*b"));
}

}  // namespace
}  // namespace varno
