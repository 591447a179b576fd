#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "moderation/rule_keys.h"

namespace varno {

class Client;

// The Rules page: the values of its keys as the boxes show them, checked as they are set,
// and the keys whose value changed, to be written as Ok of the options dialog writes.
class RulesPage {
public:
    explicit RulesPage(std::string iniPath) : iniPath_(std::move(iniPath)) {}

    // Reads the keys from the settings file. A value that can't be shown as it is (not a
    // number, or past its largest) is shown as the program reads it, with one line saying so.
    std::vector<std::string> Load();

    // The value as the file would hold it: "6/5", "60", "1", "logs".
    const std::string& value(std::string_view key) const;
    // The count and the seconds of a rate.
    std::pair<std::uint64_t, std::uint64_t> rate(std::string_view key) const;
    std::uint64_t number(std::string_view key) const;

    // Takes a value from a box; returns what is wrong with it (and keeps the old value), or
    // empty text. A number takes decimal digits only, blanks around them aside.
    std::string Set(std::string_view key, std::string_view text);
    std::string SetRate(std::string_view key, std::string_view count, std::string_view seconds);

    // The keys whose value differs from what Load showed, with their new values, in page order.
    std::vector<std::pair<std::string, std::string>> Changes() const;
    // Writes the changes through the client, which uses them at once, says what changed in
    // its log, and loads the page again; returns what the page says about it.
    std::string Apply(Client& client);

private:
    std::string iniPath_;
    std::vector<std::string> values_;  // in the order of RuleKeys()
    std::vector<std::string> loaded_;
};

}  // namespace varno
