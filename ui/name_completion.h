#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varno {

// The input line's text with its cursor, as UTF-8 and a byte offset into it.
struct InputText {
    std::string text;
    std::size_t cursor = 0;

    friend bool operator==(const InputText&, const InputText&) = default;
};

// Tab in the input line: the word before the cursor is completed from the user list's names
// (a prefix match that folds ASCII letters; the name is inserted in its own letter case).
// Tab again, with nothing else typed in between, puts the next matching name in list order
// in its place, and after the last the first again.
class NameCompletion {
public:
    // names: the user list as it shows them, top first. Nothing when nothing changes: no
    // word before the cursor, or no name that starts with it.
    std::optional<InputText> Tab(const InputText& input, const std::vector<std::string>& names);
    // Any other key: the next Tab starts afresh.
    void Reset() { cycle_.reset(); }

private:
    struct Cycle {
        std::vector<std::string> matches;
        std::size_t at = 0;     // the match inserted last
        std::size_t start = 0;  // where the word begins
        InputText left;         // the input as the last Tab left it
    };
    std::optional<Cycle> cycle_;
};

}  // namespace varno
