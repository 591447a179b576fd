#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/text_case.h"
#include "moderation/database.h"
#include "moderation/rate_limit.h"

namespace varno {

// Whether the rules leave this user alone: a name in the access database, flags that mark
// staff, an operator or an administrator (see TrustedFlags), or this client itself.
bool IsProtected(std::string_view name, std::string_view flags, const Database& database,
                 std::string_view ownName);

// The counting rules of the channel: too many lines (flood), the same line again and again
// (repeat), a banned word (language), and a name joining again and again (join flood). Each
// call says what the user has earned; each rule fires at most once per user per its window,
// so one flood gives one kick. Times are monotonic milliseconds.
//
// Memory stays bounded: per user it keeps at most the last count + 1 line and join times and
// a few hundred texts (as hashes), and a user whose windows have all emptied is forgotten.
class ChannelGuard {
public:
    enum class Verdict { None, Flooding, Repeating, Language, JoinFlood };

    struct Rules {
        std::optional<RateLimit> flood;
        std::optional<RateLimit> repeat;
        std::optional<RateLimit> join;

        friend bool operator==(const Rules&, const Rules&) = default;
    };

    // A language kick for the same user goes out at most once in this long.
    static constexpr std::int64_t kLanguageGapMs = 10000;
    // The fewest texts kept per user for the repeat rule.
    static constexpr std::size_t kRepeatMemory = 256;

    // New rules forget everything counted under the old ones.
    void setRules(const Rules& rules);
    const Rules& rules() const { return rules_; }

    // A talk or emote line of name; bannedWord tells whether the text matched the word list.
    Verdict OnLine(std::string_view name, std::string_view text, bool bannedWord,
                   std::int64_t nowMs);
    // A join of name.
    Verdict OnJoin(std::string_view name, std::int64_t nowMs);

    // Forgets the users whose windows have emptied. Walks all users at most once per
    // longest window, so calling it every second costs next to nothing.
    void Forget(std::int64_t nowMs);

    std::size_t tracked() const { return users_.size(); }

private:
    struct Said {
        std::int64_t ms;
        std::size_t hash;
    };
    struct User {
        std::vector<std::int64_t> lines;
        std::vector<Said> texts;
        std::vector<std::int64_t> joins;
        std::optional<std::int64_t> floodKick;
        std::optional<std::int64_t> repeatKick;
        std::optional<std::int64_t> languageKick;
        std::optional<std::int64_t> joinBan;
    };

    // Finds name's user, or starts one; a lookup by the name as received allocates nothing.
    User& UserOf(std::string_view name);
    // Drops what lies outside the windows; true when nothing is left.
    bool Prune(User& user, std::int64_t nowMs) const;
    std::int64_t LongestWindowMs() const;

    Rules rules_;
    // Keyed by the name as first seen; found by any letter case without a folded copy.
    std::unordered_map<std::string, User, FoldedNameHash, FoldedNameEqual> users_;
    std::int64_t nextSweepMs_ = 0;
};

}  // namespace varno
