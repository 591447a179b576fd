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
