#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varno {

// Turns a ban pattern as the operator writes it into a pattern for the Like-style matcher,
// in which only "*" and "?" remain wildcards. The result is that of six replacements done in
// order over the whole string: "[" by the placeholder "§", "]" by the placeholder "¨", "§" by
// "[[]", "¨" by "[]]", "#" by "[#]" and "-" by "[-]". A "§" or "¨" the operator wrote is
// rewritten like a placeholder. Files may be saved in UTF-8 or in the Windows code page: in a
// pattern that is well-formed UTF-8 the placeholders are C2 A7 and C2 A8 (so "ç", C3 A7, stays
// itself); in any other they are the single bytes A7 and A8.
void EscapeLikePattern(std::string& pattern);

// Whether the whole text matches the ban pattern, ignoring the case of ASCII letters. "*"
// matches any run of bytes, "?" exactly one byte; "§" matches "[" and "¨" matches "]" (and
// neither matches itself); every other byte matches only itself. An empty text never matches.
// Takes at most time proportional to the text's length times the pattern's.
bool MatchesPattern(std::string_view text, std::string_view pattern);

// The byte values a text holds, ASCII letters folded to lower case.
class ByteSet {
public:
    static ByteSet Of(std::string_view text);
    void add(char c);
    bool containsAll(const ByteSet& other) const {
        for (std::size_t i = 0; i < bits_.size(); ++i) {
            if ((other.bits_[i] & ~bits_[i]) != 0) {
                return false;
            }
        }
        return true;
    }

private:
    std::array<std::uint64_t, 4> bits_{};
};

// A ban pattern read once, for matching many texts: MatchesPattern without escaping and
// reading the pattern again for every text.
class CompiledPattern {
public:
    explicit CompiledPattern(std::string_view pattern);
    bool Matches(std::string_view text) const;
    // The same for a text whose bytes are textBytes: a pattern that needs a byte the text
    // lacks is ruled out without matching.
    bool Matches(std::string_view text, const ByteSet& textBytes) const;

    // One element of an escaped pattern: a run of any bytes, any one byte, or one byte.
    struct Token {
        enum class Kind { kStar, kAnyOne, kByte } kind;
        char byte;
    };

private:
    std::vector<Token> tokens_;
    ByteSet needed_;  // the bytes the pattern matches only literally
};

}  // namespace varno
