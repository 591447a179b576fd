#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varno {

// One key of the settings file that sets a protection rule or the pace, as the Rules page of
// the Moderation window and the control socket set it.
struct RuleKey {
    enum class Kind {
        Rate,    // "N/S": a count and seconds, each 0 to its largest; 0 turns the rule off
        Number,  // a whole number from 0 to largest
        Switch,  // on (1) or off (0)
        Folder,  // a folder's path, relative to the settings folder or absolute
    };
    std::string_view key;
    Kind kind;
    std::uint64_t largest;         // Rate: the count's; its seconds go to kRateSecondsMax
    std::uint64_t shownWhenEmpty;  // what the program does without the key
    std::string_view explanation;  // one line under the box
    std::string_view unit;         // after a number: " min", " ms"
};

// The keys in the order the Rules page shows them.
const std::vector<RuleKey>& RuleKeys();
// The key of that name (letter case counts, as in the file); nothing for any other name.
const RuleKey* FindRuleKey(std::string_view key);

// A value as the file holds it, read as the program reads it: shown is what it does ("6/5",
// "60", "1", "logs"); exact is false when that differs from what is written ("abc", a number
// past its largest), which is then worth saying.
struct RuleValue {
    std::string shown;
    bool exact = true;
};
RuleValue ReadRuleValue(const RuleKey& rule, std::string_view stored);

// Checks a value given for the key: a number takes decimal digits only, blanks around them
// aside; a rate is two of them; a folder no control character. Returns what is wrong with
// it, or empty text and the value as the file is to hold it in value.
std::string CheckRuleNumber(std::string_view what, std::string_view text, std::uint64_t largest,
                            std::uint64_t& value);
std::string CheckRuleRate(const RuleKey& rule, std::string_view count, std::string_view seconds,
                          std::string& value);
// Any kind, a rate written "N/S".
std::string CheckRuleValue(const RuleKey& rule, std::string_view text, std::string& value);

}  // namespace varno
