#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "moderation/pattern.h"

namespace varno {
namespace {

// One pattern, read once, asked about text after text: nothing of one answer carries into
// the next, and the answers are the ban list's.
TEST(CompiledPattern, AnswersTextAfterTextFromOneReading) {
    struct Case {
        std::string pattern;
        std::vector<std::pair<std::string, bool>> texts;
    };
    const Case cases[] = {
        {"*bob*", {{"xbobx", true}, {"bo", false}, {"BOB", true}, {"", false}, {"bob", true}}},
        {"[clan]?", {{"[clan]1", true}, {"[clan]", false}, {"clan1", false}, {"[CLAN]x", true}}},
        {"a#b-*", {{"a#b-", true}, {"a1b-x", false}, {"a#b-xyz", true}, {"a#bx", false}}},
        {"*a*a*b",
         {{std::string(300, 'a'), false}, {"aab", true}, {std::string(300, 'a') + "b", true}}},
        {"?", {{"x", true}, {"xy", false}, {"", false}, {"?", true}}},
        {"", {{"", false}, {"x", false}}},
    };
    for (const Case& c : cases) {
        const CompiledPattern compiled(c.pattern);
        for (const auto& [text, banned] : c.texts) {
            EXPECT_EQ(compiled.Matches(text), banned) << c.pattern << " / " << text;
        }
    }
}

}  // namespace
}  // namespace varno

namespace varno {
namespace {

// The byte prefilter never changes an answer: every pattern against every text, with the
// text's bytes given, answers as the plain match does.
TEST(CompiledPatternPrefilterTest, AgreesWithThePlainMatchEverywhere) {
    const char* const patterns[] = {"[clan]*",
                                    "a#b",
                                    "x-y",
                                    "Bob",
                                    "Bob?",
                                    "?",
                                    "a\xA7"
                                    "b",
                                    "a\xA8"
                                    "b",
                                    "*DARN*",
                                    "*d?rn*",
                                    "*",
                                    "",
                                    "\xC3\xA7*",
                                    "a b",
                                    "*[]*"};
    const char* const texts[] = {"[Clan]Bob",
                                 "[CLAN]",
                                 "lanBob",
                                 "a#b",
                                 "a1b",
                                 "x-y",
                                 "xay",
                                 "bob",
                                 "Bob2",
                                 "a[b",
                                 "a]b",
                                 "oh darn it",
                                 "OH DURN",
                                 "",
                                 "\xC3\xA7"
                                 "a",
                                 "a b",
                                 "[]"};
    for (const char* pattern : patterns) {
        const CompiledPattern compiled(pattern);
        for (const char* text : texts) {
            EXPECT_EQ(compiled.Matches(text, ByteSet::Of(text)), compiled.Matches(text))
                << pattern << " / " << text;
        }
    }
}

}  // namespace
}  // namespace varno
