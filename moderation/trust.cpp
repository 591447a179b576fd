#include "moderation/trust.h"

#include <cstdint>

#include "base/text_case.h"

namespace varno {

bool TrustedFlags(std::string_view flags) {
    constexpr std::uint32_t kAdmin = 0x01;
    constexpr std::uint32_t kOperator = 0x02;
    constexpr std::uint32_t kStaff = 0x08;
    if (flags.empty() || flags.size() > 8) {
        return false;
    }
    std::uint32_t bits = 0;
    for (const char c : flags) {
        const char lower = static_cast<char>(c | 0x20);
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint32_t>(c - '0');
        } else if (lower >= 'a' && lower <= 'f') {
            digit = static_cast<std::uint32_t>(lower - 'a' + 10);
        } else {
            return false;
        }
        bits = bits << 4 | digit;
    }
    return (bits & (kAdmin | kOperator | kStaff)) != 0;
}

void TrustedUsers::Flags(std::string_view name, std::string_view flags) {
    if (!leaving_.empty()) {
        if (const auto left = leaving_.find(name); left != leaving_.end()) {
            leaving_.erase(left);
        }
    }
    const bool trusted = TrustedFlags(flags);
    if (!trusted && names_.empty()) {
        return;  // most users: no staff kept, none to forget
    }
    const auto kept = names_.find(name);
    if (!trusted) {
        if (kept != names_.end()) {
            names_.erase(kept);
        }
    } else if (kept == names_.end()) {
        names_.emplace(name);
    }
}

void TrustedUsers::Left(std::string_view name) {
    if (const auto kept = names_.find(name); kept != names_.end()) {
        leaving_.insert(*kept);
    }
}

void TrustedUsers::Settle() {
    for (const std::string& name : leaving_) {
        if (const auto kept = names_.find(name); kept != names_.end()) {
            names_.erase(kept);
        }
    }
    leaving_.clear();
}

void TrustedUsers::Clear() {
    names_.clear();
    leaving_.clear();
}

bool TrustedUsers::Contains(std::string_view name) const {
    return !names_.empty() && names_.contains(name);
}

bool TrustedUsers::SparesFromBans(std::string_view name, std::string_view ownName,
                                  const Database& database, bool protectTrusted) const {
    if (EqualsIgnoreCase(name, ownName)) {
        return true;
    }
    return protectTrusted && (database.IsInDatabase(name) || Contains(name));
}

}  // namespace varno
