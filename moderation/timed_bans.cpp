#include "moderation/timed_bans.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

#include "base/text_case.h"
#include "base/whole_number.h"
#include "connection/ini_file.h"
#include "moderation/text_file.h"

namespace varno {

std::string TimeLeftText(std::int64_t seconds) {
    if (seconds <= 0) {
        return "due";
    }
    const auto part = [](std::int64_t n, const char* unit) { return std::to_string(n) + unit; };
    if (seconds < 60) {
        return part(seconds, " s");
    }
    if (seconds < 3600) {
        return part(seconds / 60, " min ") + part(seconds % 60, " s");
    }
    if (seconds < 86400) {
        return part(seconds / 3600, " h ") + part(seconds % 3600 / 60, " min");
    }
    return part(seconds / 86400, " d ") + part(seconds % 86400 / 3600, " h");
}

namespace {

bool IsName(std::string_view name) {
    return !name.empty() && name.find_first_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace

std::vector<TimedBans::Ban> TimedBans::Parse(std::string_view bytes, bool& damaged) {
    std::vector<Ban> bans;
    damaged = false;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        const std::size_t blank = line.rfind(' ');
        const auto endUnix =
            blank == std::string_view::npos
                ? std::nullopt
                : ParseWholeNumber(
                      line.substr(blank + 1),
                      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()));
        if (!endUnix || !IsName(line.substr(0, blank))) {
            damaged = true;
            continue;
        }
        bans.push_back({std::string(line.substr(0, blank)), static_cast<std::int64_t>(*endUnix)});
    }
    return bans;
}

std::string TimedBans::Format(const std::vector<Ban>& bans) {
    std::string bytes;
    for (const Ban& ban : bans) {
        bytes += ban.name;
        bytes += ' ';
        bytes += std::to_string(ban.endUnix);
        bytes += '\n';
    }
    return bytes;
}

TimedBans::LoadResult TimedBans::Load() {
    bans_.clear();
    std::error_code error;
    const bool exists = std::filesystem::exists(path_, error);
    const TextFile file = exists ? ReadTextFile(path_) : TextFile{{}, !error};
    // A file that can't be read whole may hold bans that were never read: writing the others
    // would lose them, so the bans stay off until it can be read.
    off_ = !file.complete;
    if (off_) {
        return LoadResult::Unreadable;
    }
    if (!exists) {
        return LoadResult::Missing;
    }
    bool damaged = false;
    for (Ban& ban : Parse(file.bytes, damaged)) {
        Add(ban.name, ban.endUnix);
    }
    return damaged ? LoadResult::Damaged : LoadResult::Read;
}

bool TimedBans::Save() const {
    return !off_ && ReplaceFile(path_, Format(bans_));
}

bool TimedBans::Add(std::string_view name, std::int64_t endUnix) {
    if (!IsName(name) || (off_ && Load() == LoadResult::Unreadable)) {
        return false;
    }
    Remove(name);
    bans_.push_back({std::string(name), endUnix});
    return true;
}

bool TimedBans::Remove(std::string_view name) {
    return std::erase_if(bans_, [&](const Ban& ban) { return EqualsIgnoreCase(ban.name, name); }) >
           0;
}

std::vector<std::string> TimedBans::TakeDue(std::int64_t nowUnix) {
    std::vector<std::string> due;
    if (std::none_of(bans_.begin(), bans_.end(),
                     [&](const Ban& ban) { return ban.endUnix <= nowUnix; })) {
        return due;
    }
    std::vector<Ban> pending;
    for (Ban& ban : bans_) {
        if (ban.endUnix <= nowUnix) {
            due.push_back(std::move(ban.name));
        } else {
            pending.push_back(std::move(ban));
        }
    }
    bans_ = std::move(pending);
    return due;
}

}  // namespace varno
