#include "script/lua_pattern.h"

#include <array>
#include <cstring>
#include <type_traits>

namespace varno {
namespace {

static_assert(std::is_trivially_destructible_v<LuaPattern>,
              "a Lua error unwinds past the matcher without running a destructor");

constexpr char kEscape = '%';

enum ClassBit : std::uint16_t {
    kAlpha = 1 << 0,
    kControl = 1 << 1,
    kDigit = 1 << 2,
    kGraph = 1 << 3,
    kLower = 1 << 4,
    kPunct = 1 << 5,
    kSpace = 1 << 6,
    kUpper = 1 << 7,
    kHex = 1 << 8,
    kZero = 1 << 9,
};

// The classes of each byte, as the C locale has them.
constexpr std::array<std::uint16_t, 256> kClasses = [] {
    std::array<std::uint16_t, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        std::uint16_t bits = 0;
        const bool upper = c >= 'A' && c <= 'Z';
        const bool lower = c >= 'a' && c <= 'z';
        const bool digit = c >= '0' && c <= '9';
        const bool graph = c > ' ' && c < 0x7F;
        bits |= upper ? kUpper | kAlpha : 0;
        bits |= lower ? kLower | kAlpha : 0;
        bits |= digit ? kDigit : 0;
        bits |= graph ? kGraph : 0;
        bits |= graph && !upper && !lower && !digit ? kPunct : 0;
        bits |= c < ' ' || c == 0x7F ? kControl : 0;
        bits |= c == ' ' || (c >= '\t' && c <= '\r') ? kSpace : 0;
        bits |= digit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') ? kHex : 0;
        bits |= c == 0 ? kZero : 0;
        classes[static_cast<std::size_t>(c)] = static_cast<std::uint16_t>(bits);
    }
    return classes;
}();

// The classes that each letter after a '%' names, by its lower case.
constexpr std::array<std::uint16_t, 128> kLetterClasses = [] {
    std::array<std::uint16_t, 128> letters{};
    letters['a'] = kAlpha;
    letters['c'] = kControl;
    letters['d'] = kDigit;
    letters['g'] = kGraph;
    letters['l'] = kLower;
    letters['p'] = kPunct;
    letters['s'] = kSpace;
    letters['u'] = kUpper;
    letters['w'] = kAlpha | kDigit;
    letters['x'] = kHex;
    letters['z'] = kZero;
    return letters;
}();

// Whether c is of the class that the letter after a '%' names; an upper-case letter is the
// complement of its class, and any other character stands for itself. %z, the byte 0, is
// gone from the manual but still in the library.
bool InClass(unsigned char c, unsigned char letter) {
    const bool upper = letter >= 'A' && letter <= 'Z';
    const unsigned char lower = upper ? static_cast<unsigned char>(letter + ('a' - 'A')) : letter;
    const std::uint16_t bits = lower < kLetterClasses.size() ? kLetterClasses[lower] : 0;
    if (bits == 0) {
        return letter == c;
    }
    return ((kClasses[c] & bits) != 0) != upper;
}

}  // namespace

bool LuaPattern::IsPlain(std::string_view pattern) {
    return pattern.find_first_of("^$*+?.([%-") == std::string_view::npos;
}

LuaPattern::Outcome LuaPattern::Search(std::size_t from, bool anchored, std::size_t avoid) {
    stopped_ = Outcome::Match;
    for (std::size_t s = from; s <= subject_.size(); ++s) {
        level_ = 0;
        depth_ = kMaxDepth;
        const char* e = Match(subject_.data() + s, pattern_.data());
        if (stopped_ != Outcome::Match) {
            return stopped_;
        }
        if (e && static_cast<std::size_t>(e - subject_.data()) != avoid) {
            start_ = s;
            end_ = static_cast<std::size_t>(e - subject_.data());
            return Outcome::Match;
        }
        if (anchored) {
            break;
        }
    }
    return Outcome::NoMatch;
}

bool LuaPattern::Spend(std::int64_t steps) {
    if (steps > allowance_ - steps_) {
        steps_ = allowance_ + 1;
        stopped_ = Outcome::OutOfSteps;
        return false;
    }
    steps_ += steps;
    return true;
}

void LuaPattern::Count(std::int64_t steps) {
    steps_ = steps > allowance_ - steps_ ? allowance_ + 1 : steps_ + steps;
}

const char* LuaPattern::Fail(Error error, int index) {
    stopped_ = Outcome::Error;
    error_ = error;
    errorIndex_ = index;
    return nullptr;
}

// One level of matching. Every caller checks stopped_ after it: a search that stopped
// returns nullptr all the way up.
const char* LuaPattern::Match(const char* s, const char* p) {
    if (depth_-- == 0) {
        return Fail(Error::TooComplex);
    }
    s = MatchItems(s, p);
    ++depth_;
    return s;
}

// Matches the items of the pattern from p on, one after another, going a level deeper only
// where the rest of the pattern must be tried from more than one place.
const char* LuaPattern::MatchItems(const char* s, const char* p) {
    while (Spend(1)) {
        if (p == patternEnd()) {
            return s;
        }
        switch (*p) {
            case '(':
                if (PatternAt(p + 1) == ')') {
                    return StartCapture(s, p + 2, Capture::kPosition);
                }
                return StartCapture(s, p + 1, Capture::kUnfinished);
            case ')':
                return EndCapture(s, p + 1);
            case '$':
                if (p + 1 == patternEnd()) {
                    return s == subjectEnd() ? s : nullptr;
                }
                break;
            case kEscape:
                switch (PatternAt(p + 1)) {
                    case 'b':
                        s = Balance(s, p + 2);
                        if (!s) {
                            return nullptr;
                        }
                        p += 4;
                        continue;
                    case 'f': {
                        p += 2;
                        if (PatternAt(p) != '[') {
                            return Fail(Error::MissingFrontierSet);
                        }
                        const char* ep = ClassEnd(p);
                        if (!ep) {
                            return nullptr;
                        }
                        const auto previous =
                            static_cast<unsigned char>(s == subject_.data() ? '\0' : *(s - 1));
                        const auto current = static_cast<unsigned char>(SubjectAt(s));
                        if (!Spend(2 * (ep - p)) || InSet(previous, p, ep - 1) ||
                            !InSet(current, p, ep - 1)) {
                            return nullptr;
                        }
                        p = ep;
                        continue;
                    }
                    default:
                        if (PatternAt(p + 1) < '0' || PatternAt(p + 1) > '9') {
                            break;
                        }
                        s = BackReference(s, p[1]);
                        if (!s) {
                            return nullptr;
                        }
                        p += 2;
                        continue;
                }
                break;
            default:
                break;
        }
        // A single character class, perhaps with a quantifier.
        const char* ep = *p == kEscape || *p == '[' ? ClassEnd(p) : p + 1;
        if (!ep) {
            return nullptr;
        }
        const char quantifier = PatternAt(ep);
        if (!SingleMatch(s, p, ep)) {
            if (stopped_ != Outcome::Match) {
                return nullptr;
            }
            if (quantifier != '*' && quantifier != '?' && quantifier != '-') {
                return nullptr;
            }
            p = ep + 1;
            continue;
        }
        switch (quantifier) {
            case '?': {
                const char* res = Match(s + 1, ep + 1);
                if (res || stopped_ != Outcome::Match) {
                    return res;
                }
                p = ep + 1;
                continue;
            }
            case '+':
                return MaxExpand(s + 1, p, ep);
            case '*':
                return MaxExpand(s, p, ep);
            case '-':
                return MinExpand(s, p, ep);
            default:
                ++s;
                p = ep;
                continue;
        }
    }
    return nullptr;
}

const char* LuaPattern::StartCapture(const char* s, const char* p, std::ptrdiff_t what) {
    if (level_ >= kMaxCaptures) {
        return Fail(Error::TooManyCaptures);
    }
    captures_[level_] = {s, what};
    ++level_;
    const char* res = Match(s, p);
    if (!res) {
        --level_;
    }
    return res;
}

const char* LuaPattern::EndCapture(const char* s, const char* p) {
    int open = level_ - 1;
    while (open >= 0 && captures_[open].length != Capture::kUnfinished) {
        --open;
    }
    if (!Spend(level_ - open)) {
        return nullptr;
    }
    if (open < 0) {
        return Fail(Error::InvalidPatternCapture);
    }
    captures_[open].length = s - captures_[open].start;
    const char* res = Match(s, p);
    if (!res) {
        captures_[open].length = Capture::kUnfinished;
    }
    return res;
}

// %1 to %9 match the text of a capture closed before; a position capture matches nothing.
const char* LuaPattern::BackReference(const char* s, char index) {
    const int i = index - '1';
    if (i < 0 || i >= level_ || captures_[i].length == Capture::kUnfinished) {
        return Fail(Error::InvalidCaptureIndex, i + 1);
    }
    const std::ptrdiff_t length = captures_[i].length;
    if (length < 0 || subjectEnd() - s < length || !Spend(length)) {
        return nullptr;
    }
    return std::memcmp(captures_[i].start, s, static_cast<std::size_t>(length)) == 0 ? s + length
                                                                                     : nullptr;
}

// %bxy: from an x to the y that balances it.
const char* LuaPattern::Balance(const char* s, const char* p) {
    if (p >= patternEnd() - 1) {
        return Fail(Error::MissingBalanceArgs);
    }
    if (SubjectAt(s) != *p || s == subjectEnd()) {
        return nullptr;
    }
    const char open = p[0];
    const char close = p[1];
    int depth = 1;
    while (++s < subjectEnd()) {
        if (!Spend(1)) {
            return nullptr;
        }
        if (*s == close) {
            if (--depth == 0) {
                return s + 1;
            }
        } else if (*s == open) {
            ++depth;
        }
    }
    return nullptr;
}

// As many as match, then fewer and fewer until the rest of the pattern matches.
const char* LuaPattern::MaxExpand(const char* s, const char* p, const char* ep) {
    std::ptrdiff_t i = 0;
    while (SingleMatch(s + i, p, ep)) {
        ++i;
    }
    for (; i >= 0 && stopped_ == Outcome::Match; --i) {
        if (const char* res = Match(s + i, ep + 1)) {
            return res;
        }
    }
    return nullptr;
}

// As few as let the rest of the pattern match.
const char* LuaPattern::MinExpand(const char* s, const char* p, const char* ep) {
    for (;;) {
        const char* res = Match(s, ep + 1);
        if (res || stopped_ != Outcome::Match || !SingleMatch(s, p, ep)) {
            return res;
        }
        ++s;
    }
}

// The end of the single character class at p: past a %x, past a set's ']', or past the one
// character.
const char* LuaPattern::ClassEnd(const char* p) {
    const char c = *p++;
    if (c == kEscape) {
        if (p == patternEnd()) {
            return Fail(Error::EndsWithPercent);
        }
        return Spend(2) ? p + 1 : nullptr;
    }
    if (c == '[') {
        if (PatternAt(p) == '^') {
            ++p;
        }
        // The first character is in the set even when it is ']'.
        do {
            if (p == patternEnd()) {
                return Fail(Error::MissingBracket);
            }
            if (!Spend(1)) {
                return nullptr;
            }
            if (*p++ == kEscape && p < patternEnd()) {
                ++p;
            }
        } while (PatternAt(p) != ']');
        return p + 1;
    }
    return p;
}

bool LuaPattern::SingleMatch(const char* s, const char* p, const char* ep) {
    if (!Spend(1) || s >= subjectEnd()) {
        return false;
    }
    const auto c = static_cast<unsigned char>(*s);
    switch (*p) {
        case '.':
            return true;
        case kEscape:
            return InClass(c, static_cast<unsigned char>(p[1]));
        case '[':
            return Spend(ep - p) && InSet(c, p, ep - 1);
        default:
            return static_cast<unsigned char>(*p) == c;
    }
}

// Whether c is in the set from p, its '[', to ec, its ']'.
bool LuaPattern::InSet(unsigned char c, const char* p, const char* ec) {
    bool in = true;
    if (p[1] == '^') {
        in = false;
        ++p;
    }
    while (++p < ec) {
        if (*p == kEscape) {
            ++p;
            if (InClass(c, static_cast<unsigned char>(*p))) {
                return in;
            }
        } else if (p[1] == '-' && p + 2 < ec) {
            p += 2;
            if (static_cast<unsigned char>(*(p - 2)) <= c && c <= static_cast<unsigned char>(*p)) {
                return in;
            }
        } else if (static_cast<unsigned char>(*p) == c) {
            return in;
        }
    }
    return !in;
}

}  // namespace varno
