#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace varno {

// The bans of the ban list that ended without the server's confirmation (refused, given up
// after their tries, or never sendable: each said in one red line, "Could not ban NAME: ..."):
// the ban list does not ask for a ban of that name again for kHoldMs, nor until its
// patterns change. So a server that drops the client for the line, refuses it or never
// answers sees it at most DeedBook::kMaxTries times in that while, however often the user
// comes back, the client enters the channel again or the users present are checked. Names
// compare with ASCII case folded.
//
// The book knows no clock and no list: the caller brings the time and the generation of the
// ban list's patterns (see BanList::generation).
class GivenUpBans {
public:
    static constexpr std::int64_t kHoldMs = 10 * 60 * 1000;

    // The ban list asks for a ban of name: it is the list's until it ends.
    void Asked(std::string_view name);
    // The ban of name ended at nowMs, under the patterns of generation; givenUp: without the
    // server's confirmation. One the list asked for and gave up is held from now on.
    void Ended(std::string_view name, bool givenUp, std::int64_t nowMs, std::uint64_t generation);
    // Whether the ban list may ask for a ban of name at nowMs, under generation's patterns.
    bool Allows(std::string_view name, std::int64_t nowMs, std::uint64_t generation) const;

    std::size_t held() const { return held_.size(); }

private:
    struct Held {
        std::int64_t sinceMs = 0;
        std::uint64_t generation = 0;
    };
    bool Holds(const Held& held, std::int64_t nowMs, std::uint64_t generation) const;

    std::unordered_set<std::string> asked_;
    std::unordered_map<std::string, Held> held_;
};

}  // namespace varno
