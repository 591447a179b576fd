#include "moderation/deed_book.h"

#include <algorithm>

#include "base/text_case.h"

namespace varno {
namespace {

using Action = DeedBook::Action;

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// Whether a line of this kind, action and name can draw the reply.
bool Draws(const ServerReply& reply, DeedBook::Line line, std::optional<Action> action,
           std::string_view name) {
    using Kind = ServerReply::Kind;
    switch (reply.kind) {
        case Kind::Confirmed:
            return action == reply.action && EqualsIgnoreCase(name, reply.name);
        case Kind::NotBanned:
            return action == Action::Unban;
        case Kind::Refused:
            return action && (!reply.action || action == reply.action) &&
                   (reply.name.empty() || EqualsIgnoreCase(name, reply.name));
        case Kind::Unknown:
            return true;
        case Kind::Other:
            // Info lines come unasked too (news, notices of the channel); the probe goes only
            // after a long silence, so one that follows it is its answer.
            return line == DeedBook::Line::Probe;
        case Kind::DropNotice:
            return false;
    }
    return false;
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

std::uint64_t DeedBook::Written(std::string_view line, Line what, std::int64_t nowMs) {
    if (what == Line::Deed) {
        for (Deed& deed : deeds_) {
            if (deed.handed && deed.line == line) {
                deed.handed = false;
                deed.writtenMs = nowMs;
                deed.writtenSeq = ++writes_;
                deed.writtenRead = reads_;
                return writes_;
            }
        }
        what = Line::Loose;
    }
    Pending pending{what, std::nullopt, "", nowMs, ++writes_, reads_};
    if (what == Line::Loose) {
        if (const auto parsed = Parse(line)) {
            pending.action = parsed->first;
            pending.name = parsed->second;
        } else {
            pending.what = Line::Command;
        }
    }
    pending_.push_back(std::move(pending));
    return writes_;
}

bool DeedBook::Awaits(std::uint64_t written) const {
    return std::any_of(pending_.begin(), pending_.end(),
                       [&](const Pending& line) { return line.seq == written; });
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

std::optional<DeedBook::Ended> DeedBook::Unsendable(std::string_view line, std::string_view why) {
    for (std::size_t i = 0; i < deeds_.size(); ++i) {
        if (deeds_[i].handed && deeds_[i].line == line) {
            deeds_[i].handed = false;
            return End(i, Outcome::Unsendable, std::string(why));
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
        return End(index, deed.drops >= deed.tries ? Outcome::Dropped : Outcome::NoAnswer);
    }
    return std::nullopt;
}

std::optional<DeedBook::Ended> DeedBook::End(std::size_t index, Outcome outcome, std::string text,
                                             bool rights) {
    if (deeds_[index].writtenMs) {
        const std::uint64_t seq = deeds_[index].writtenSeq;
        for (Deed& deed : deeds_) {
            deed.overtaken = deed.overtaken || (deed.writtenMs && deed.writtenSeq < seq);
        }
        ForgetBefore(seq);
    }
    Ended ended{std::move(deeds_[index]), outcome, std::move(text), rights};
    deeds_.erase(deeds_.begin() + static_cast<std::ptrdiff_t>(index));
    return ended;
}

void DeedBook::ForgetBefore(std::uint64_t seq) {
    while (!pending_.empty() && pending_.front().seq < seq) {
        pending_.pop_front();
    }
}

std::optional<DeedBook::Drawer> DeedBook::Oldest(const ServerReply& reply) const {
    std::optional<Drawer> oldest;
    std::uint64_t oldestSeq = 0;
    const auto consider = [&](Drawer drawer, std::uint64_t seq) {
        if (!oldest || seq < oldestSeq) {
            oldest = drawer;
            oldestSeq = seq;
        }
    };
    for (std::size_t i = 0; i < deeds_.size(); ++i) {
        const Deed& deed = deeds_[i];
        if (deed.writtenMs && deed.writtenRead < reads_ &&
            Draws(reply, Line::Deed, deed.action, deed.name)) {
            consider({true, i}, deed.writtenSeq);
        }
    }
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        const Pending& line = pending_[i];
        if (line.read < reads_ && Draws(reply, line.what, line.action, line.name)) {
            consider({false, i}, line.seq);
        }
    }
    return oldest;
}

std::optional<DeedBook::Answer> DeedBook::OnReply(const ServerReply& reply, std::string_view text) {
    auto drawer = Oldest(reply);
    if (!drawer && reply.kind == ServerReply::Kind::Refused && !reply.name.empty()) {
        // "Unable to ban NAME." names the user as the server spelt it, which may not be
        // how the line did.
        ServerReply nameless = reply;
        nameless.name = {};
        drawer = Oldest(nameless);
    }
    if (!drawer) {
        return std::nullopt;
    }
    if (!drawer->deed) {
        const Pending& answered = pending_[drawer->index];
        const Answer answer{answered.what, std::nullopt, answered.seq};
        ForgetBefore(answered.seq + 1);
        return answer;
    }
    using Kind = ServerReply::Kind;
    const Deed& deed = deeds_[drawer->index];
    if (reply.kind == Kind::Confirmed || reply.kind == Kind::NotBanned) {
        return Answer{Line::Deed, End(drawer->index, Outcome::Confirmed)};
    }
    if (deed.action == Action::Kick && deed.left) {
        return Answer{Line::Deed, End(drawer->index, Outcome::Moot)};
    }
    return Answer{Line::Deed,
                  End(drawer->index, Outcome::Refused, std::string(text), reply.rights)};
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
    std::erase_if(pending_, [&](const Pending& line) {
        return nowMs - line.writtenMs >= windowMs + kGraceMs;
    });
    return ended;
}

std::vector<DeedBook::Ended> DeedBook::Dropped(std::int64_t nowMs, std::int64_t windowMs) {
    pending_.clear();
    std::vector<Ended> ended;
    for (std::size_t i = 0; i < deeds_.size();) {
        Deed& deed = deeds_[i];
        if (deed.writtenMs) {
            // A drop once the answer is overdue is the network's doing, not the line's (the
            // tick counts an unanswered line by then); before, it may be the line's.
            if (nowMs - *deed.writtenMs <= windowMs + kGraceMs) {
                ++deed.drops;
            } else {
                --deed.tries;
            }
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
