#include "moderation/pattern.h"

#include <cstddef>
#include <utility>
#include <vector>

#include "base/text_case.h"

namespace varno {
namespace {

constexpr char kUtf8Lead = '\xC2';
constexpr char kOpenPlaceholder = '\xA7';   // "§"
constexpr char kClosePlaceholder = '\xA8';  // "¨"

// Whether the bytes have the structure of UTF-8: every byte above 0x7F belongs to a lead
// byte C2..F4 followed by the right number of continuation bytes. A pattern of that shape is
// taken as saved in UTF-8, any other as saved in the Windows code page.
bool IsWellFormedUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t continuation = 0;
        if (lead >= 0xF0 && lead <= 0xF4) {
            continuation = 3;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            continuation = 2;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            continuation = 1;
        } else if (lead >= 0x80) {
            return false;
        }
        if (continuation >= bytes.size() - i) {
            return false;
        }
        for (std::size_t k = 1; k <= continuation; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += continuation + 1;
    }
    return true;
}

using Token = CompiledPattern::Token;

// Reads an escaped pattern, lower-cased: "*", "?", a bracket group holding one byte (that
// byte), the empty group "[]" (nothing), and any other byte (itself). A "[" without a
// closing "]" stands for itself.
std::vector<Token> Tokenize(std::string_view escaped) {
    std::vector<Token> tokens;
    tokens.reserve(escaped.size());
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        const char c = escaped[i];
        if (c == '*') {
            tokens.push_back({Token::Kind::kStar, c});
        } else if (c == '?') {
            tokens.push_back({Token::Kind::kAnyOne, c});
        } else if (c == '[' && i + 1 < escaped.size() && escaped[i + 1] == ']') {
            ++i;
        } else if (c == '[' && i + 2 < escaped.size() && escaped[i + 2] == ']') {
            tokens.push_back({Token::Kind::kByte, LowerAscii(escaped[i + 1])});
            i += 2;
        } else {
            tokens.push_back({Token::Kind::kByte, LowerAscii(c)});
        }
    }
    return tokens;
}

// Whole-text match with one remembered star: on a mismatch the last star takes one more
// byte and matching resumes after it. Each star position is retried at most once per text
// position, so the work is bounded by text length times pattern length.
bool MatchTokens(std::string_view text, const std::vector<Token>& tokens) {
    constexpr std::size_t kNoStar = static_cast<std::size_t>(-1);
    std::size_t t = 0;
    std::size_t p = 0;
    std::size_t starToken = kNoStar;
    std::size_t starText = 0;
    while (t < text.size()) {
        if (p < tokens.size() && tokens[p].kind == Token::Kind::kStar) {
            starToken = p++;
            starText = t;
        } else if (p < tokens.size() && (tokens[p].kind == Token::Kind::kAnyOne ||
                                         tokens[p].byte == LowerAscii(text[t]))) {
            ++p;
            ++t;
        } else if (starToken != kNoStar) {
            p = starToken + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < tokens.size() && tokens[p].kind == Token::Kind::kStar) {
        ++p;
    }
    return p == tokens.size();
}

}  // namespace

void EscapeLikePattern(std::string& pattern) {
    const bool utf8 = IsWellFormedUtf8(pattern);
    std::string escaped;
    escaped.reserve(pattern.size() * 3);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (utf8 && (c == kOpenPlaceholder || c == kClosePlaceholder)) {
            escaped += c;  // the second byte of some other character, such as "ç"
            continue;
        }
        if (utf8 && c == kUtf8Lead && i + 1 < pattern.size() &&
            (pattern[i + 1] == kOpenPlaceholder || pattern[i + 1] == kClosePlaceholder)) {
            c = pattern[++i];  // "§" or "¨" in UTF-8
        }
        if (c == '[' || c == kOpenPlaceholder) {
            escaped += "[[]";
        } else if (c == ']' || c == kClosePlaceholder) {
            escaped += "[]]";
        } else if (c == '#') {
            escaped += "[#]";
        } else if (c == '-') {
            escaped += "[-]";
        } else {
            escaped += c;
        }
    }
    pattern = std::move(escaped);
}

bool MatchesPattern(std::string_view text, std::string_view pattern) {
    return CompiledPattern(pattern).Matches(text);
}

ByteSet ByteSet::Of(std::string_view text) {
    ByteSet set;
    for (const char c : text) {
        set.add(c);
    }
    return set;
}

void ByteSet::add(char c) {
    const auto b = static_cast<unsigned char>(LowerAscii(c));
    bits_[b / 64] |= std::uint64_t{1} << (b % 64);
}

CompiledPattern::CompiledPattern(std::string_view pattern) {
    std::string escaped(pattern);
    EscapeLikePattern(escaped);
    tokens_ = Tokenize(escaped);
    for (const Token& token : tokens_) {
        if (token.kind == Token::Kind::kByte) {
            needed_.add(token.byte);
        }
    }
}

bool CompiledPattern::Matches(std::string_view text) const {
    return !text.empty() && MatchTokens(text, tokens_);
}

bool CompiledPattern::Matches(std::string_view text, const ByteSet& textBytes) const {
    return textBytes.containsAll(needed_) && Matches(text);
}

}  // namespace varno
