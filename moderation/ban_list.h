#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "moderation/pattern.h"

namespace varno {

inline constexpr std::string_view kBanListFile = "shitlist.txt";

// The ban patterns, in file order, loaded at start-up and again when the file changes. Duplicates
// and empty patterns stay in the list.
class BanList {
public:
    // Appends every line of the file at path. A missing or unreadable file, or something
    // other than a regular file, adds nothing; a read that fails part way keeps the lines
    // that were read whole before the failure.
    void LoadBanList(const std::string& path);
    // Replaces the list with the lines of the file at path, read as LoadBanList reads them:
    // the file changed on disk.
    void ReloadBanList(const std::string& path);

    // Whether any pattern matches the whole text (see MatchesPattern).
    bool MatchesAny(std::string_view text) const;

    const std::vector<std::string>& patterns() const { return patterns_; }
    // Counts the changes of the patterns: a load that added lines, a reload that read others.
    std::uint64_t generation() const { return generation_; }

    // Sends "/ban " + name + " boo" through sendChat for each joining name, in order, once
    // per pattern it matches, in pattern order. An empty name matches nothing.
    void CheckBanList(const std::vector<std::string>& joinNames,
                      const std::function<void(std::string_view)>& sendChat) const;

    // The lines of a ban list file: each ends at CR LF, LF or a lone CR, which is not part of
    // it. A last line without a terminator counts too. Nothing
    // is trimmed and empty lines are kept.
    static std::vector<std::string> SplitLines(std::string_view bytes);

private:
    std::vector<std::string> patterns_;
    std::vector<CompiledPattern> compiled_;  // patterns_, each read once at load
    std::uint64_t generation_ = 0;
};

}  // namespace varno
