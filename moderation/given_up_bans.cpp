#include "moderation/given_up_bans.h"

namespace varno {

void GivenUpBans::Asked(std::string_view name) {
    asked_.insert(ToLowerAscii(name));
}

bool GivenUpBans::Holds(const Held& held, std::int64_t nowMs, std::uint64_t generation) const {
    // A clock that went back holds nothing for ever.
    return held.generation == generation && nowMs >= held.sinceMs && nowMs - held.sinceMs < kHoldMs;
}

void GivenUpBans::Ended(std::string_view name, bool givenUp, std::int64_t nowMs,
                        std::uint64_t generation) {
    const std::string folded = ToLowerAscii(name);
    if (asked_.erase(folded) == 0 || !givenUp) {
        return;
    }
    // Those no longer held go first, so that the book keeps only what it holds.
    std::erase_if(held_,
                  [&](const auto& entry) { return !Holds(entry.second, nowMs, generation); });
    held_[folded] = {nowMs, generation};
}

bool GivenUpBans::Allows(std::string_view name, std::int64_t nowMs,
                         std::uint64_t generation) const {
    const auto held = held_.find(ToLowerAscii(name));
    return held == held_.end() || !Holds(held->second, nowMs, generation);
}

}  // namespace varno
