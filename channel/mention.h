#pragma once

#include <string_view>

namespace varno {

// Whether text names `name` as a whole word, letter case ignored (ASCII letters fold). A
// word ends where a letter, digit or underscore meets anything else, so "Tamsel," and
// "@tamsel" name Tamsel but "Tamselbot" does not. An empty name is named nowhere.
bool NamesUser(std::string_view text, std::string_view name);

}  // namespace varno
