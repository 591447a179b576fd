#include "base/text_case.h"

#include <gtest/gtest.h>

#include <string>

namespace varno {
namespace {

// The folding eight bytes at a time agrees with LowerAscii for every byte in every place,
// whatever stands beside it.
TEST(TextCase, EightBytesFoldAsEachByteDoes) {
    for (int c = 0; c < 256; ++c) {
        for (std::size_t place = 0; place < 8; ++place) {
            std::string bytes = "A\xC1zZ@[`{";
            bytes[place] = static_cast<char>(c);
            std::string folded(8, '\0');
            const std::uint64_t word = FoldedWord(bytes.data());
            std::memcpy(folded.data(), &word, 8);
            std::string expected = bytes;
            for (char& b : expected) {
                b = LowerAscii(b);
            }
            ASSERT_EQ(folded, expected) << c << " at " << place;
        }
    }
}

// Names equal but for ASCII letter case hash alike, at every length around the steps of
// eight; a letter beyond ASCII never folds.
TEST(TextCase, NamesEqualButForCaseHashAlike) {
    const std::string name = "Dark_Lord1234567XyZ";
    for (std::size_t n = 0; n <= name.size(); ++n) {
        const std::string a = name.substr(0, n);
        const std::string b = ToLowerAscii(a);
        EXPECT_TRUE(FoldedNameEqual{}(a, b)) << a;
        EXPECT_EQ(FoldedHash(a), FoldedHash(b)) << a;
        EXPECT_NE(FoldedHash(a), FoldedHash(a + "x")) << a;
    }
    EXPECT_FALSE(FoldedNameEqual{}("\xC1", "\xE1"));
    EXPECT_NE(FoldedHash("\xC1"), FoldedHash("\xE1"));
    EXPECT_NE(FoldedHash("ab"), FoldedHash(std::string("ab\0", 3)));
}

}  // namespace
}  // namespace varno
