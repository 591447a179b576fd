#include "moderation/deed_book.h"

#include <algorithm>

#include "base/text_case.h"

namespace varno {
namespace {

using Action = DeedBook::Action;

// The server's refusals. Most name no user, so they belong to the oldest written deed of
// their action (any action when none is given).
struct Refusal {
    std::string_view text;
    std::optional<Action> action;
    bool rights;  // this client is no channel operator: every deed will meet the same
};

constexpr Refusal kErrorRefusals[] = {
    {"You have to be at least a Channel Operator to use this command.", std::nullopt, true},
    {"You have to be at least a Channel Operator or tempOP to use this command.", std::nullopt,
     true},
    {"You are not a channel operator.", std::nullopt, true},
    {"You cannot ban operators.", Action::Ban, false},
    {"You cannot ban administrators.", Action::Ban, false},
    {"You cannot kick operators.", Action::Kick, false},
    {"That user is not logged in.", Action::Kick, false},
};
constexpr std::string_view kNoSuchAccount = "That account doesn't currently exist.";
constexpr std::string_view kNotBanned = "That user is not banned.";
constexpr std::string_view kUnableToBan = "Unable to ban ";
constexpr std::string_view kNoLongerBanned = " is no longer banned from this channel.";

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// The NAME of "NAME has been <done> by OWN", followed by " (reason)." or "." (or nothing,
// should the server cut it), when OWN is this client.
std::optional<std::string_view> DoneBy(std::string_view text, std::string_view done,
                                       std::string_view own) {
    const std::string marker = " has been " + std::string(done) + " by ";
    const std::size_t at = text.find(marker);
    if (at == std::string_view::npos || at == 0) {
        return std::nullopt;
    }
    const std::string_view by = text.substr(at + marker.size());
    if (!StartsWithIgnoreCase(by, own)) {
        return std::nullopt;
    }
    const std::string_view after = by.substr(own.size());
    if (!after.empty() && after.front() != '.' && after.front() != ' ') {
        return std::nullopt;
    }
    return text.substr(0, at);
}

}  // namespace

std::optional<std::pair<Action, std::string>> DeedBook::Parse(std::string_view line) {
    static constexpr std::pair<std::string_view, Action> kCommands[] = {
        {"/ban ", Action::Ban}, {"/kick ", Action::Kick}, {"/unban ", Action::Unban}};
    for (const auto& [command, action] : kCommands) {
        if (!StartsWithIgnoreCase(line, command)) {
            continue;
        }
        std::string_view rest = line.substr(command.size());
        const std::size_t first = rest.find_first_not_of(' ');
        if (first == std::string_view::npos) {
            return std::nullopt;
        }
        rest.remove_prefix(first);
        return std::pair{action, std::string(rest.substr(0, rest.find(' ')))};
    }
    return std::nullopt;
}

std::string_view DeedBook::Verb(Action action) {
    switch (action) {
        case Action::Ban:
            return "ban";
        case Action::Kick:
            return "kick";
        case Action::Unban:
            return "unban";
    }
    return "";
}

std::optional<std::size_t> DeedBook::Find(Action action, std::string_view name) const {
    for (std::size_t i = 0; i < deeds_.size(); ++i) {
        if (deeds_[i].action == action && EqualsIgnoreCase(deeds_[i].name, name)) {
            return i;
        }
    }
    return std::nullopt;
}

bool DeedBook::IsOpen(Action action, std::string_view name) const {
    return Find(action, name).has_value();
}

bool DeedBook::Open(Action action, std::string_view name, std::string_view line, std::string note) {
    if (name.empty() || IsOpen(action, name)) {
        return false;
    }
    Deed deed;
    deed.action = action;
    deed.name = name;
    deed.line = line;
    deed.note = std::move(note);
    deeds_.push_back(std::move(deed));
    return true;
}

std::vector<std::string> DeedBook::TakeDue(bool retries, std::size_t room) {
    std::vector<std::string> lines;
    for (Deed& deed : deeds_) {
        if (lines.size() >= room) {
            break;
        }
        if (deed.handed || deed.writtenMs || (deed.sent && !retries)) {
            continue;
        }
        deed.handed = true;
        deed.sent = true;
        ++deed.tries;
        lines.push_back(deed.line);
    }
    return lines;
}

void DeedBook::Written(std::string_view line, std::int64_t nowMs) {
    for (Deed& deed : deeds_) {
        if (deed.handed && deed.line == line) {
            deed.handed = false;
            deed.writtenMs = nowMs;
            deed.writtenSeq = ++writes_;
            return;
        }
    }
}

std::optional<DeedBook::Ended> DeedBook::Lost(std::string_view line, bool tried) {
    for (std::size_t i = 0; i < deeds_.size(); ++i) {
        if (deeds_[i].handed && deeds_[i].line == line) {
            deeds_[i].handed = false;
            if (!tried) {
                --deeds_[i].tries;
            }
            return Unanswered(i);
        }
    }
    return std::nullopt;
}

std::optional<DeedBook::Ended> DeedBook::Unanswered(std::size_t index) {
    Deed& deed = deeds_[index];
    deed.writtenMs.reset();
    deed.overtaken = false;
    deed.handed = false;
    if (deed.action == Action::Kick && deed.left) {
        return End(index, Outcome::Moot);
    }
    if (deed.tries >= kMaxTries) {
        return End(index, Outcome::NoAnswer);
    }
    return std::nullopt;
}

std::optional<DeedBook::Ended> DeedBook::End(std::size_t index, Outcome outcome, std::string text,
                                             bool rights) {
    if (deeds_[index].writtenMs) {
        for (Deed& deed : deeds_) {
            deed.overtaken =
                deed.overtaken || (deed.writtenMs && deed.writtenSeq < deeds_[index].writtenSeq);
        }
    }
    Ended ended{std::move(deeds_[index]), outcome, std::move(text), rights};
    deeds_.erase(deeds_.begin() + static_cast<std::ptrdiff_t>(index));
    return ended;
}

std::optional<std::size_t> DeedBook::OldestWritten(std::optional<Action> action) const {
    std::optional<std::size_t> oldest;
    for (std::size_t i = 0; i < deeds_.size(); ++i) {
        const Deed& deed = deeds_[i];
        if (!deed.writtenMs || (action && deed.action != *action)) {
            continue;
        }
        if (!oldest || deed.writtenSeq < deeds_[*oldest].writtenSeq) {
            oldest = i;
        }
    }
    return oldest;
}

std::optional<std::string_view> DeedBook::UnbannedName(std::string_view text) {
    if (text.size() <= kNoLongerBanned.size() || !text.ends_with(kNoLongerBanned)) {
        return std::nullopt;
    }
    return text.substr(0, text.size() - kNoLongerBanned.size());
}

std::optional<std::string_view> DeedBook::BannedName(std::string_view text, std::string_view own) {
    return DoneBy(text, "banned", own);
}

std::optional<DeedBook::Ended> DeedBook::OnInfo(std::string_view text, std::string_view own) {
    std::optional<std::size_t> index;
    if (const auto name = DoneBy(text, "banned", own)) {
        index = Find(Action::Ban, *name);
    } else if (const auto kicked = DoneBy(text, "kicked", own)) {
        index = Find(Action::Kick, *kicked);
    } else if (const auto unbanned = UnbannedName(text)) {
        index = Find(Action::Unban, *unbanned);
    } else if (text == kNoSuchAccount) {
        if (const auto oldest = OldestWritten(std::nullopt)) {
            return End(*oldest, Outcome::Refused, std::string(text));
        }
    }
    if (!index) {
        return std::nullopt;
    }
    return End(*index, Outcome::Confirmed);
}

std::optional<DeedBook::Ended> DeedBook::OnError(std::string_view text) {
    if (text == kNotBanned) {
        // Nothing was left to lift: the unban is done all the same.
        if (const auto oldest = OldestWritten(Action::Unban)) {
            return End(*oldest, Outcome::Confirmed);
        }
        return std::nullopt;
    }
    if (StartsWithIgnoreCase(text, kUnableToBan) && text.ends_with('.')) {
        const std::string_view name =
            text.substr(kUnableToBan.size(), text.size() - kUnableToBan.size() - 1);
        auto index = Find(Action::Ban, name);
        if (!index) {
            index = OldestWritten(Action::Ban);
        }
        if (index) {
            return End(*index, Outcome::Refused, std::string(text));
        }
        return std::nullopt;
    }
    for (const Refusal& refusal : kErrorRefusals) {
        if (text != refusal.text) {
            continue;
        }
        if (const auto oldest = OldestWritten(refusal.action)) {
            return End(*oldest, Outcome::Refused, std::string(text), refusal.rights);
        }
        return std::nullopt;
    }
    return std::nullopt;
}

void DeedBook::Left(std::string_view name) {
    if (const auto index = Find(Action::Kick, name)) {
        deeds_[*index].left = true;
    }
}

std::vector<DeedBook::Ended> DeedBook::Expire(std::int64_t nowMs, std::int64_t windowMs) {
    std::vector<Ended> ended;
    for (std::size_t i = 0; i < deeds_.size();) {
        const Deed& deed = deeds_[i];
        if (deed.writtenMs && (deed.overtaken || nowMs - *deed.writtenMs >= windowMs + kGraceMs)) {
            if (auto end = Unanswered(i)) {
                ended.push_back(std::move(*end));
                continue;
            }
        }
        ++i;
    }
    return ended;
}

std::vector<DeedBook::Ended> DeedBook::Reconnected() {
    std::vector<Ended> ended;
    for (std::size_t i = 0; i < deeds_.size();) {
        if (deeds_[i].handed || deeds_[i].writtenMs) {
            // Its line met the drop of the connection, not a server that stays silent.
            --deeds_[i].tries;
            if (auto end = Unanswered(i)) {
                ended.push_back(std::move(*end));
                continue;
            }
        }
        ++i;
    }
    return ended;
}

}  // namespace varno
