#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

namespace varno {

// Matching of a Lua 5.4 pattern (the reference manual's 6.4.1) against a subject, counting
// its work in steps and stopping when they pass an allowance, so that no pattern runs long
// unbounded: each subject byte tried, each pattern byte scanned (a set once for each subject
// byte it is tried on, and once more to find its end) and each level of matching is a step.
//
// It matches as Lua's string library does, erring where and as it does: a piece of the pattern
// is read only when matching reaches it ("y[" finds nothing in "x" and is malformed in "y"), at
// most kMaxCaptures captures, and past kMaxDepth nested levels of matching (a capture, a
// quantifier trying the rest of the pattern) the pattern is too complex. The nesting is that
// bound on the recursion, and nothing is allocated: an object lives on the stack, and has no
// destructor, so that a Lua error may unwind past it.
//
// The classes (%a, %d, ...) are those of ASCII, whatever the program's locale.
//
// The subject and the pattern must outlive the object; the pattern comes without the
// anchor '^' of find, match and gsub (gmatch has no anchor and matches '^' as itself).
class LuaPattern {
public:
    static constexpr int kMaxCaptures = 32;
    static constexpr int kMaxDepth = 200;
    static constexpr std::size_t kNoEnd = std::numeric_limits<std::size_t>::max();

    enum class Outcome { Match, NoMatch, OutOfSteps, Error };
    enum class Error {
        None,
        TooComplex,             // "pattern too complex"
        TooManyCaptures,        // "too many captures"
        InvalidPatternCapture,  // "invalid pattern capture": a ')' that closes nothing
        InvalidCaptureIndex,    // "invalid capture index %N": a back-reference to no capture
        EndsWithPercent,        // "malformed pattern (ends with '%')"
        MissingBracket,         // "malformed pattern (missing ']')"
        MissingBalanceArgs,     // "malformed pattern (missing arguments to '%b')"
        MissingFrontierSet,     // "missing '[' after '%f' in pattern"
    };
    // A capture of the last match: its start in the subject and its length, or kPosition for
    // a position capture "()", or kUnfinished for one that the pattern never closed.
    struct Capture {
        static constexpr std::ptrdiff_t kUnfinished = -1;
        static constexpr std::ptrdiff_t kPosition = -2;
        std::size_t start;
        std::ptrdiff_t length;
    };

    LuaPattern(std::string_view subject, std::string_view pattern, std::int64_t allowance)
        : subject_(subject), pattern_(pattern), allowance_(allowance) {}

    // Tries the pattern at each position from `from` on, up to the subject's end included (only
    // at `from` when anchored), and stops at the first match that does not end at `avoid`.
    Outcome Search(std::size_t from, bool anchored, std::size_t avoid = kNoEnd);

    // The last match: where it starts and ends, and its captures.
    std::size_t start() const { return start_; }
    std::size_t end() const { return end_; }
    int captures() const { return level_; }
    Capture capture(int i) const {
        return {static_cast<std::size_t>(captures_[i].start - subject_.data()),
                captures_[i].length};
    }

    // After Outcome::Error: which, and for InvalidCaptureIndex the index as written.
    Error error() const { return error_; }
    int errorIndex() const { return errorIndex_; }

    // The steps taken since the last Allow: one more than the allowance once it is passed
    // (OutOfSteps). The caller's own work may count against the same allowance.
    std::int64_t steps() const { return steps_; }
    void Count(std::int64_t steps);
    // Starts counting again from zero against a new allowance.
    void Allow(std::int64_t allowance) {
        steps_ = 0;
        allowance_ = allowance;
    }

    // Whether the pattern has none of the characters that make it more than plain text, so
    // that find may search it as plain text.
    static bool IsPlain(std::string_view pattern);

private:
    struct Open {
        const char* start;
        std::ptrdiff_t length;
    };

    const char* Match(const char* s, const char* p);
    const char* MatchItems(const char* s, const char* p);
    const char* StartCapture(const char* s, const char* p, std::ptrdiff_t what);
    const char* EndCapture(const char* s, const char* p);
    const char* BackReference(const char* s, char index);
    const char* Balance(const char* s, const char* p);
    const char* MaxExpand(const char* s, const char* p, const char* ep);
    const char* MinExpand(const char* s, const char* p, const char* ep);
    const char* ClassEnd(const char* p);
    bool SingleMatch(const char* s, const char* p, const char* ep);
    bool InSet(unsigned char c, const char* p, const char* ec);
    // Adds steps; false (the search stopped) when they pass the allowance.
    bool Spend(std::int64_t steps);
    const char* Fail(Error error, int index = 0);
    // The pattern's byte at p, '\0' past its end (as Lua's strings end).
    char PatternAt(const char* p) const { return p < patternEnd() ? *p : '\0'; }
    char SubjectAt(const char* s) const { return s < subjectEnd() ? *s : '\0'; }
    const char* patternEnd() const { return pattern_.data() + pattern_.size(); }
    const char* subjectEnd() const { return subject_.data() + subject_.size(); }

    std::string_view subject_;
    std::string_view pattern_;
    std::int64_t allowance_;
    std::int64_t steps_ = 0;
    Outcome stopped_ = Outcome::Match;  // OutOfSteps or Error once the search has stopped
    Error error_ = Error::None;
    int errorIndex_ = 0;
    int depth_ = 0;  // the levels of matching still allowed
    int level_ = 0;  // the captures open or closed
    std::size_t start_ = 0;
    std::size_t end_ = 0;
    Open captures_[kMaxCaptures];  // the first level_ are set
};

}  // namespace varno
