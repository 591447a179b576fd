#include "moderation/channel_guard.h"

#include <algorithm>
#include <iterator>

#include "base/text_case.h"
#include "moderation/trust.h"

namespace varno {
namespace {

// Whether something that happened at ms still lies in a window of windowMs ending now.
bool Within(std::int64_t ms, std::int64_t nowMs, std::int64_t windowMs) {
    return nowMs - ms < windowMs;
}

void DropOld(std::vector<std::int64_t>& times, std::int64_t nowMs,
             const std::optional<RateLimit>& rule) {
    if (!rule) {
        times.clear();
        return;
    }
    const auto kept = std::find_if(times.begin(), times.end(), [&](std::int64_t ms) {
        return Within(ms, nowMs, rule->windowMs());
    });
    times.erase(times.begin(), kept);
}

// A gate closed by a kick opens again once its window has passed.
void OpenGate(std::optional<std::int64_t>& gate, std::int64_t nowMs, std::int64_t windowMs) {
    if (gate && !Within(*gate, nowMs, windowMs)) {
        gate.reset();
    }
}

// Appends now and keeps only the last keep entries; true when more than count lie in the
// window, which holds all of them after DropOld.
bool CountIn(std::vector<std::int64_t>& times, std::int64_t nowMs, std::uint64_t count) {
    times.push_back(nowMs);
    if (times.size() > count + 1) {
        times.erase(times.begin());
    }
    return times.size() > count;
}

}  // namespace

bool IsProtected(std::string_view name, std::string_view flags, const Database& database,
                 std::string_view ownName) {
    return TrustedFlags(flags) || EqualsIgnoreCase(name, ownName) || database.IsInDatabase(name);
}

void ChannelGuard::setRules(const Rules& rules) {
    if (rules == rules_) {
        return;
    }
    rules_ = rules;
    users_.clear();
    nextSweepMs_ = 0;
}

std::int64_t ChannelGuard::LongestWindowMs() const {
    std::int64_t longest = kLanguageGapMs;
    for (const auto& rule : {rules_.flood, rules_.repeat, rules_.join}) {
        if (rule) {
            longest = std::max(longest, rule->windowMs());
        }
    }
    return longest;
}

ChannelGuard::User& ChannelGuard::UserOf(std::string_view name) {
    auto it = users_.find(name);
    if (it == users_.end()) {
        it = users_.emplace(std::string(name), User{}).first;
    }
    return it->second;
}

bool ChannelGuard::Prune(User& user, std::int64_t nowMs) const {
    DropOld(user.lines, nowMs, rules_.flood);
    DropOld(user.joins, nowMs, rules_.join);
    if (rules_.repeat) {
        const auto kept = std::find_if(user.texts.begin(), user.texts.end(), [&](const Said& s) {
            return Within(s.ms, nowMs, rules_.repeat->windowMs());
        });
        user.texts.erase(user.texts.begin(), kept);
    } else {
        user.texts.clear();
    }
    OpenGate(user.floodKick, nowMs, rules_.flood ? rules_.flood->windowMs() : 0);
    OpenGate(user.repeatKick, nowMs, rules_.repeat ? rules_.repeat->windowMs() : 0);
    OpenGate(user.joinBan, nowMs, rules_.join ? rules_.join->windowMs() : 0);
    OpenGate(user.languageKick, nowMs, kLanguageGapMs);
    return user.lines.empty() && user.texts.empty() && user.joins.empty() && !user.floodKick &&
           !user.repeatKick && !user.joinBan && !user.languageKick;
}

ChannelGuard::Verdict ChannelGuard::OnLine(std::string_view name, std::string_view text,
                                           bool bannedWord, std::int64_t nowMs) {
    if (!rules_.flood && !rules_.repeat && !bannedWord) {
        return Verdict::None;
    }
    User& user = UserOf(name);
    Prune(user, nowMs);
    Verdict verdict = Verdict::None;
    if (rules_.flood && CountIn(user.lines, nowMs, rules_.flood->count) && !user.floodKick) {
        user.floodKick = nowMs;
        verdict = Verdict::Flooding;
    }
    if (rules_.repeat) {
        // The same text, surrounding blanks and ASCII letter case aside.
        const std::size_t hash = FoldedHash(TrimBlanks(text));
        user.texts.push_back({nowMs, hash});
        if (user.texts.size() > std::max<std::size_t>(kRepeatMemory, rules_.repeat->count)) {
            user.texts.erase(user.texts.begin());
        }
        const auto same = std::count_if(user.texts.begin(), user.texts.end(),
                                        [&](const Said& s) { return s.hash == hash; });
        if (static_cast<std::uint64_t>(same) >= rules_.repeat->count && !user.repeatKick &&
            verdict == Verdict::None) {
            user.repeatKick = nowMs;
            verdict = Verdict::Repeating;
        }
    }
    if (bannedWord && !user.languageKick && verdict == Verdict::None) {
        user.languageKick = nowMs;
        verdict = Verdict::Language;
    }
    return verdict;
}

ChannelGuard::Verdict ChannelGuard::OnJoin(std::string_view name, std::int64_t nowMs) {
    if (!rules_.join) {
        return Verdict::None;
    }
    User& user = UserOf(name);
    Prune(user, nowMs);
    if (CountIn(user.joins, nowMs, rules_.join->count) && !user.joinBan) {
        user.joinBan = nowMs;
        return Verdict::JoinFlood;
    }
    return Verdict::None;
}

void ChannelGuard::Forget(std::int64_t nowMs) {
    if (nowMs < nextSweepMs_) {
        return;
    }
    for (auto it = users_.begin(); it != users_.end();) {
        it = Prune(it->second, nowMs) ? users_.erase(it) : std::next(it);
    }
    nextSweepMs_ = nowMs + LongestWindowMs();
}

}  // namespace varno
