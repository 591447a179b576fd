#include "ui/rules_page.h"

#include <algorithm>
#include <stdexcept>

#include "base/text_case.h"
#include "base/whole_number.h"
#include "client/client.h"
#include "connection/ini_file.h"
#include "connection/send_queue.h"
#include "connection/settings.h"
#include "moderation/protection.h"
#include "moderation/rate_limit.h"

namespace varno {
namespace {

using Kind = RuleKey::Kind;

std::size_t IndexOf(std::string_view key) {
    const std::vector<RuleKey>& keys = RuleKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].key == key) {
            return i;
        }
    }
    throw std::invalid_argument("not a key of the Rules page: " + std::string(key));
}

// A number typed into a box, checked against its bounds; empty text when it is good.
std::string CheckNumber(std::string_view what, std::string_view text, std::uint64_t largest,
                        std::uint64_t& value) {
    const auto read = ParseWholeNumber(TrimBlanks(text), UINT64_MAX);
    if (!read || *read > largest) {
        return std::string(what) + " must be a whole number from 0 to " + std::to_string(largest);
    }
    value = *read;
    return "";
}

}  // namespace

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

std::vector<std::string> RulesPage::Load() {
    std::vector<std::string> told;
    values_.clear();
    for (const RuleKey& rule : RuleKeys()) {
        const std::string stored = ReadIniValue(kSettingsSection, rule.key, iniPath_);
        const std::string_view text = TrimBlanks(stored);
        const auto whole = [](std::string_view part) {
            return ParseWholeNumber(TrimBlanks(part), UINT64_MAX);
        };
        std::string shown = stored;
        bool exact = true;  // the value is shown as it is written
        switch (rule.kind) {
            case Kind::Rate: {
                const auto slash = text.find('/');
                const auto count = whole(text.substr(0, slash));
                const auto seconds =
                    slash == std::string_view::npos ? std::nullopt : whole(text.substr(slash + 1));
                const auto secondsMax = static_cast<std::uint64_t>(kRateSecondsMax);
                exact = text.empty() ||
                        (count && seconds && *count <= rule.largest && *seconds <= secondsMax);
                shown = std::to_string(std::min(count.value_or(0), rule.largest)) + "/" +
                        std::to_string(std::min(seconds.value_or(0), secondsMax));
                break;
            }
            case Kind::Number: {
                const auto number = whole(text);
                exact = text.empty() || (number && *number <= rule.largest);
                shown =
                    std::to_string(number ? std::min(*number, rule.largest) : rule.shownWhenEmpty);
                break;
            }
            case Kind::Switch:
                exact = text.empty() || whole(text).value_or(2) <= 1;
                shown = SwitchedOn(text) ? "1" : "0";
                break;
            case Kind::Folder:
                break;
        }
        if (!exact) {
            told.push_back(std::string(kSettingsFile) + ": " + std::string(rule.key) + " = '" +
                           stored + "' is read as " + shown);
        }
        values_.push_back(std::move(shown));
    }
    loaded_ = values_;
    return told;
}

const std::string& RulesPage::value(std::string_view key) const {
    return values_.at(IndexOf(key));
}

std::pair<std::uint64_t, std::uint64_t> RulesPage::rate(std::string_view key) const {
    const std::string& text = value(key);
    const auto slash = text.find('/');
    return {ParseWholeNumber(std::string_view(text).substr(0, slash), UINT64_MAX).value_or(0),
            ParseWholeNumber(std::string_view(text).substr(slash + 1), UINT64_MAX).value_or(0)};
}

std::uint64_t RulesPage::number(std::string_view key) const {
    return ParseWholeNumber(value(key), UINT64_MAX).value_or(0);
}

std::string RulesPage::Set(std::string_view key, std::string_view text) {
    const std::size_t i = IndexOf(key);
    const RuleKey& rule = RuleKeys()[i];
    if (rule.kind == Kind::Folder) {
        if (text.size() > rule.largest) {
            return std::string(key) + " may hold at most " + std::to_string(rule.largest) +
                   " bytes";
        }
        for (const char c : text) {
            if (static_cast<unsigned char>(c) < 32) {
                return std::string(key) + " may not hold a control character";
            }
        }
        values_[i] = TrimBlanks(text);
        return "";
    }
    std::uint64_t number = 0;
    std::string wrong = CheckNumber(key, text, rule.largest, number);
    if (wrong.empty()) {
        values_[i] = std::to_string(number);
    }
    return wrong;
}

std::string RulesPage::SetRate(std::string_view key, std::string_view count,
                               std::string_view seconds) {
    const std::size_t i = IndexOf(key);
    const RuleKey& rule = RuleKeys()[i];
    std::uint64_t n = 0;
    std::uint64_t s = 0;
    std::string wrong = CheckNumber(std::string(key) + " count", count, rule.largest, n);
    if (wrong.empty()) {
        wrong = CheckNumber(std::string(key) + " seconds", seconds,
                            static_cast<std::uint64_t>(kRateSecondsMax), s);
    }
    if (wrong.empty()) {
        values_[i] = std::to_string(n) + "/" + std::to_string(s);
    }
    return wrong;
}

std::vector<std::pair<std::string, std::string>> RulesPage::Changes() const {
    std::vector<std::pair<std::string, std::string>> changes;
    for (std::size_t i = 0; i < values_.size(); ++i) {
        if (values_[i] != loaded_[i]) {
            changes.emplace_back(RuleKeys()[i].key, values_[i]);
        }
    }
    return changes;
}

std::string RulesPage::Apply(Client& client) {
    const auto changes = Changes();
    if (changes.empty()) {
        return "Nothing changed";
    }
    std::vector<IniEntry> entries;
    std::string changed;
    for (const auto& [key, value] : changes) {
        entries.push_back({key, value});
        changed += (changed.empty() ? "" : ", ") + key + "=" + value;
    }
    if (!client.SaveSettings(entries)) {
        return "Could not save to " + client.iniPath();
    }
    client.logs().Line(LogTarget::Main, colour::kLightGrey,
                       "Rules saved from the Moderation window: " + changed);
    Load();
    return "Saved: " + changed;
}

}  // namespace varno
