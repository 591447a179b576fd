#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "base/text_case.h"

namespace varno {

// The deeds that the program asks for again by itself (the ban list's bans, the timed
// unbans) and that ended without the server's confirmation (refused, given up after their
// tries, or never sendable: each said in one red line, "Could not ban NAME: ..."): such a
// deed is not asked for again for that name for kHoldMs, nor, for the ban list, until its
// patterns change. So a server that drops the client for the line, refuses it or never
// answers sees it at most DeedBook::kMaxTries times in that while, however often the user
// comes back, the client connects and enters the channel again or the users present are
// checked. Names compare with ASCII case folded.
//
// The book knows no clock and no list: the caller brings the time and the generation of the
// patterns the deed follows from (see BanList::generation; any constant for none).
class GivenUpBans {
public:
    static constexpr std::int64_t kHoldMs = 10 * 60 * 1000;

    // The deed of name is asked for: it is the asker's until it ends.
    void Asked(std::string_view name);
    // The deed of name ended at nowMs, under the patterns of generation; givenUp: without the
    // server's confirmation. One that was asked for and given up is held from now on.
    void Ended(std::string_view name, bool givenUp, std::int64_t nowMs, std::uint64_t generation);
    // Whether the deed of name may be asked for at nowMs, under generation's patterns.
    bool Allows(std::string_view name, std::int64_t nowMs, std::uint64_t generation) const;
    // The operator asks for the deed of name: it is held no longer.
    void Release(std::string_view name) { held_.erase(ToLowerAscii(name)); }

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
