#include "ui/name_completion.h"

#include <algorithm>

#include "base/text_case.h"

namespace varno {
namespace {

bool StartsWithIgnoreCase(std::string_view name, std::string_view prefix) {
    return name.size() >= prefix.size() && EqualsIgnoreCase(name.substr(0, prefix.size()), prefix);
}

InputText Replace(const InputText& input, std::size_t start, std::size_t end,
                  const std::string& name) {
    InputText out;
    out.text = input.text.substr(0, start) + name + input.text.substr(end);
    out.cursor = start + name.size();
    return out;
}

}  // namespace

std::optional<InputText> NameCompletion::Tab(const InputText& input,
                                             const std::vector<std::string>& names) {
    if (cycle_ && input == cycle_->left) {
        Cycle& c = *cycle_;
        const std::size_t end = c.start + c.matches[c.at].size();
        c.at = (c.at + 1) % c.matches.size();
        c.left = Replace(input, c.start, end, c.matches[c.at]);
        return c.left;
    }
    cycle_.reset();
    const std::size_t cursor = std::min(input.cursor, input.text.size());
    const std::string_view before = std::string_view(input.text).substr(0, cursor);
    const std::size_t blank = before.find_last_of(" \t");
    const std::size_t start = blank == std::string_view::npos ? 0 : blank + 1;
    const std::string_view word = before.substr(start);
    if (word.empty()) {
        return std::nullopt;
    }
    Cycle c;
    c.start = start;
    for (const std::string& name : names) {
        if (StartsWithIgnoreCase(name, word) &&
            std::find(c.matches.begin(), c.matches.end(), name) == c.matches.end()) {
            c.matches.push_back(name);
        }
    }
    if (c.matches.empty()) {
        return std::nullopt;
    }
    c.left = Replace(input, start, cursor, c.matches[0]);
    cycle_ = std::move(c);
    return cycle_->left;
}

}  // namespace varno
