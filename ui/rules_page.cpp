#include "ui/rules_page.h"

#include <algorithm>
#include <stdexcept>

#include "base/whole_number.h"
#include "client/client.h"
#include "connection/ini_file.h"
#include "connection/settings.h"

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

}  // namespace

std::vector<std::string> RulesPage::Load() {
    std::vector<std::string> told;
    values_.clear();
    for (const RuleKey& rule : RuleKeys()) {
        const std::string stored = ReadIniValue(kSettingsSection, rule.key, iniPath_);
        RuleValue read = ReadRuleValue(rule, stored);
        if (!read.exact) {
            told.push_back(std::string(kSettingsFile) + ": " + std::string(rule.key) + " = '" +
                           stored + "' is read as " + read.shown);
        }
        values_.push_back(std::move(read.shown));
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
        return CheckRuleValue(rule, text, values_[i]);
    }
    std::uint64_t number = 0;
    std::string wrong = CheckRuleNumber(key, text, rule.largest, number);
    if (wrong.empty()) {
        values_[i] = std::to_string(number);
    }
    return wrong;
}

std::string RulesPage::SetRate(std::string_view key, std::string_view count,
                               std::string_view seconds) {
    const std::size_t i = IndexOf(key);
    return CheckRuleRate(RuleKeys()[i], count, seconds, values_[i]);
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
