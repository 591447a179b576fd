#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

#include "base/text_case.h"
#include "moderation/database.h"

namespace varno {

// Whether a user's flags mark an administrator (0x01), an operator (0x02) or staff (0x08).
// The server sends flags as a bit set in hexadecimal digits ("0002", "000a"); anything else
// (empty, too long, other bytes) marks nobody.
bool TrustedFlags(std::string_view flags);

// The users present whose flags mark them trusted, as the channel's events last told: a join
// or listing, a flags change, a leave. Only trusted users are kept, so the set stays as small
// as the channel's staff. A user who left is forgotten at the next Settle, so that a join and
// a leave in one read are checked as the join was.
class TrustedUsers {
public:
    void Flags(std::string_view name, std::string_view flags);
    void Left(std::string_view name);
    void Settle();
    void Clear();
    bool Contains(std::string_view name) const;

    // Whether the ban list leaves name alone: this client itself always; unless
    // protectTrusted is off, also a name of the access database and a trusted user present.
    bool SparesFromBans(std::string_view name, std::string_view ownName, const Database& database,
                        bool protectTrusted) const;

private:
    // Found by a name in any letter case without a folded copy: a join, a flags change and
    // a leave of anyone cost no allocation.
    using NameSet = std::unordered_set<std::string, FoldedNameHash, FoldedNameEqual>;
    NameSet names_;
    NameSet leaving_;  // of names_, left since the last Settle
};

}  // namespace varno
