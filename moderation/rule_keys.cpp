#include "moderation/rule_keys.h"

#include <algorithm>

#include "base/text_case.h"
#include "base/whole_number.h"
#include "connection/ini_file.h"
#include "connection/send_queue.h"
#include "connection/settings.h"
#include "moderation/protection.h"
#include "moderation/rate_limit.h"

namespace varno {

using Kind = RuleKey::Kind;

const std::vector<RuleKey>& RuleKeys() {
    const SendQueue::Pace pace;  // the pace without the keys
    static const std::vector<RuleKey> keys = {
        {"FloodLines", Kind::Rate, kRateCountMax, 0,
         "More than this many lines from one user in these seconds: kicked for flooding.", ""},
        {"RepeatLines", Kind::Rate, kRateCountMax, 0,
         "The same text this many times in these seconds: kicked for repeating.", ""},
        {"JoinFlood", Kind::Rate, kRateCountMax, 0,
         "More than this many joins of one user in these seconds: banned for a join flood.", ""},
        {"BanMinutes", Kind::Number, kBanMinutesMax, 0,
         "The bans the program sends are lifted after this many minutes; 0 keeps them.", " min"},
        {"BanOnEntry", Kind::Switch, 1, 1,
         "On entering a channel, everyone there is checked against the ban list.", ""},
        {"SendQuota", Kind::Number, SendQueue::kMaxQuota, pace.quota,
         "Units of sending a window may hold, one per 40 bytes begun; 0 sends unpaced.", " units"},
        {"SendWindow", Kind::Number, static_cast<std::uint64_t>(SendQueue::kMaxWindowMs),
         static_cast<std::uint64_t>(pace.windowMs), "The window of the quota.", " ms"},
        {"LogFolder", Kind::Folder, kIniValueMax, 0,
         "The chat log on disk, one file a day, in this folder; empty keeps no log.", ""},
    };
    return keys;
}

const RuleKey* FindRuleKey(std::string_view key) {
    const std::vector<RuleKey>& keys = RuleKeys();
    const auto found =
        std::find_if(keys.begin(), keys.end(), [key](const RuleKey& r) { return r.key == key; });
    return found == keys.end() ? nullptr : &*found;
}

RuleValue ReadRuleValue(const RuleKey& rule, std::string_view stored) {
    const std::string_view text = TrimBlanks(stored);
    const auto whole = [](std::string_view part) {
        return ParseWholeNumber(TrimBlanks(part), UINT64_MAX);
    };
    switch (rule.kind) {
        case Kind::Rate: {
            const auto slash = text.find('/');
            const auto count = whole(text.substr(0, slash));
            const auto seconds =
                slash == std::string_view::npos ? std::nullopt : whole(text.substr(slash + 1));
            const auto secondsMax = static_cast<std::uint64_t>(kRateSecondsMax);
            RuleValue read;
            read.exact = text.empty() ||
                         (count && seconds && *count <= rule.largest && *seconds <= secondsMax);
            read.shown = std::to_string(std::min(count.value_or(0), rule.largest)) + "/" +
                         std::to_string(std::min(seconds.value_or(0), secondsMax));
            return read;
        }
        case Kind::Number: {
            const auto number = whole(text);
            return {std::to_string(number ? std::min(*number, rule.largest) : rule.shownWhenEmpty),
                    text.empty() || (number && *number <= rule.largest)};
        }
        case Kind::Switch:
            return {SwitchedOn(text) ? "1" : "0", text.empty() || whole(text).value_or(2) <= 1};
        case Kind::Folder:
            break;
    }
    return {std::string(stored), true};
}

std::string CheckRuleNumber(std::string_view what, std::string_view text, std::uint64_t largest,
                            std::uint64_t& value) {
    const auto read = ParseWholeNumber(TrimBlanks(text), UINT64_MAX);
    if (!read || *read > largest) {
        return std::string(what) + " must be a whole number from 0 to " + std::to_string(largest);
    }
    value = *read;
    return "";
}

std::string CheckRuleRate(const RuleKey& rule, std::string_view count, std::string_view seconds,
                          std::string& value) {
    std::uint64_t n = 0;
    std::uint64_t s = 0;
    std::string wrong = CheckRuleNumber(std::string(rule.key) + " count", count, rule.largest, n);
    if (wrong.empty()) {
        wrong = CheckRuleNumber(std::string(rule.key) + " seconds", seconds,
                                static_cast<std::uint64_t>(kRateSecondsMax), s);
    }
    if (wrong.empty()) {
        value = std::to_string(n) + "/" + std::to_string(s);
    }
    return wrong;
}

std::string CheckRuleValue(const RuleKey& rule, std::string_view text, std::string& value) {
    switch (rule.kind) {
        case Kind::Rate: {
            const std::size_t slash = text.find('/');
            if (slash == std::string_view::npos) {
                return std::string(rule.key) + " must be a count and seconds, as 6/5";
            }
            return CheckRuleRate(rule, text.substr(0, slash), text.substr(slash + 1), value);
        }
        case Kind::Folder:
            if (text.size() > rule.largest) {
                return std::string(rule.key) + " may hold at most " + std::to_string(rule.largest) +
                       " bytes";
            }
            if (std::any_of(text.begin(), text.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 32; })) {
                return std::string(rule.key) + " may not hold a control character";
            }
            value = TrimBlanks(text);
            return "";
        case Kind::Number:
        case Kind::Switch:
            break;
    }
    std::uint64_t number = 0;
    std::string wrong = CheckRuleNumber(rule.key, text, rule.largest, number);
    if (wrong.empty()) {
        value = std::to_string(number);
    }
    return wrong;
}

}  // namespace varno
