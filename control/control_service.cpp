#include "control/control_service.h"

#include <algorithm>
#include <span>
#include <utility>

#include "base/text_case.h"
#include "base/whole_number.h"
#include "connection/ini_file.h"
#include "connection/send_queue.h"
#include "connection/settings.h"
#include "moderation/rule_keys.h"
#include "moderation/timed_bans.h"

namespace varno {
namespace {

// The asker that orange lines and answers name for what the control socket asked.
constexpr std::string_view kAsker = "varnoctl";

std::string_view ConnectionName(Connection::State state) {
    switch (state) {
        case Connection::State::Down:
            return "down";
        case Connection::State::Connecting:
            return "connecting";
        case Connection::State::Connected:
            break;
    }
    return "connected";
}

std::string Done(std::string_view id) {
    return AnswerLine(id, [](json::Writer&) {});
}

// An answer whose result is one text member.
std::string Said(std::string_view id, std::string_view key, std::string_view text) {
    return AnswerLine(id, [&](json::Writer& out) {
        WriteKey(out, key);
        WriteString(out, text);
    });
}

}  // namespace

ControlService::ControlService(Client& client, Backlog& backlog, Hello hello, Ports ports)
    : client_(client), backlog_(backlog), hello_(std::move(hello)), ports_(std::move(ports)) {
    hello_.protocol = kProtocolVersion;
    backlog_.setFollower(
        [this](std::string_view event) { ToSubscribers(Topic::Log, event, true); });
    const auto users = [this](std::string_view change, const User& user) {
        if (Subscribed(Topic::Users)) {
            ToSubscribers(Topic::Users, UserEventLine(change, user));
        }
    };
    client_.setWatch({
        .userHere =
            [users](const ScriptUser& u, bool joined) {
                users(joined ? "joined" : "present", {u.name, u.flags, u.product});
            },
        .userLeft =
            [users](std::string_view name) {
                users("left", {std::string(name), "", ""});
            },
        .flagsChanged =
            [users](std::string_view name, std::string_view flags) {
                users("flags", {std::string(name), std::string(flags), ""});
            },
        .usersCleared = [users] { users("cleared", {}); },
        .deedEnded = [this](std::string_view origin, DeedBook::Action action, std::string_view name,
                            bool done,
                            std::string_view text) { DeedEnded(origin, action, name, done, text); },
    });
    told_ = Status();
}

ControlService::~ControlService() {
    client_.setWatch({});
    backlog_.setFollower({});
}

std::optional<int> ControlService::Open(std::string& refusal) {
    // A client whose input ended only waits for its answers (a deed's may take long, or
    // never come while the server is away): it takes no place of the ones that ask, once it
    // has taken what waited for it. One that does not read holds its place, so that clients
    // that send and never read cannot hold more than kMaxClients times what may wait.
    const auto asking = std::count_if(sessions_.begin(), sessions_.end(), [](const auto& s) {
        const ControlSession& session = s.second.session;
        return (!session.inputEnded() || !session.waiting().empty()) && !s.second.dropped;
    });
    if (static_cast<std::size_t>(asking) >= kMaxClients) {
        refusal = ErrorLine("", "busy",
                            std::to_string(kMaxClients) +
                                " clients are connected already; try again once one has gone");
        return std::nullopt;
    }
    const int id = nextId_++;
    sessions_[id];
    Queue(id, HelloLine(hello_));
    return id;
}

void ControlService::Read(int id, std::string_view bytes) {
    const auto found = sessions_.find(id);
    if (found == sessions_.end() || found->second.dropped) {
        return;
    }
    const bool whole =
        found->second.session.Read(bytes, [this, id](std::string_view line) { Handle(id, line); });
    if (!whole) {
        Queue(id, ErrorLine("", "line-too-long",
                            "a request line holds at most " + std::to_string(kMaxRequestBytes) +
                                " bytes; closing the connection"));
        Drop(id, "");
    }
    TellDrops();
}

void ControlService::ReadEnd(int id) {
    const auto found = sessions_.find(id);
    if (found != sessions_.end() && !found->second.dropped) {
        found->second.session.ReadEnd([this, id](std::string_view line) { Handle(id, line); });
        found->second.session.topics = 0;  // a client that sends no more follows nothing
    }
    TellDrops();
}

void ControlService::Closed(int id) {
    sessions_.erase(id);
    std::erase_if(deeds_, [id](const WaitingDeed& d) { return d.session == id; });
}

std::string_view ControlService::waiting(int id) const {
    const auto found = sessions_.find(id);
    return found == sessions_.end() ? std::string_view() : found->second.session.waiting();
}

void ControlService::Wrote(int id, std::size_t n) {
    if (const auto found = sessions_.find(id); found != sessions_.end()) {
        found->second.session.Wrote(n);
    }
}

std::vector<int> ControlService::closing() const {
    std::vector<int> ids;
    for (const auto& [client, entry] : sessions_) {
        const int id = client;
        const bool answered = std::none_of(deeds_.begin(), deeds_.end(),
                                           [id](const WaitingDeed& d) { return d.session == id; });
        if (entry.dropped ||
            (entry.session.inputEnded() && entry.session.waiting().empty() && answered)) {
            ids.push_back(id);
        }
    }
    return ids;
}

void ControlService::Queue(int id, std::string_view line, bool addLineEnd) {
    const auto found = sessions_.find(id);
    if (found == sessions_.end() || found->second.dropped) {
        return;
    }
    ControlSession& session = found->second.session;
    if (!(addLineEnd ? session.QueueLine(line) : session.Queue(line))) {
        Drop(id, "it did not read what waited for it (" + std::to_string(kMaxWaitingBytes / 1024) +
                     " KiB)");
    }
    if (wake_) {
        wake_();
    }
}

void ControlService::Drop(int id, std::string_view why) {
    Entry& entry = sessions_.at(id);
    entry.dropped = true;
    entry.session.topics = 0;
    if (!why.empty()) {
        drops_.emplace_back(why);
    }
}

void ControlService::TellDrops() {
    for (const std::string& why : std::exchange(drops_, {})) {
        client_.logs().Line(LogTarget::Main, colour::kRed,
                            "Control socket: a client was dropped: " + why);
    }
}

void ControlService::ToSubscribers(Topic topic, std::string_view line, bool addLineEnd) {
    for (auto& [id, entry] : sessions_) {
        if ((entry.session.topics & static_cast<unsigned>(topic)) != 0) {
            Queue(id, line, addLineEnd);
        }
    }
}

bool ControlService::Subscribed(Topic topic) const {
    return std::any_of(sessions_.begin(), sessions_.end(), [topic](const auto& s) {
        return (s.second.session.topics & static_cast<unsigned>(topic)) != 0;
    });
}

void ControlService::Tick() {
    TellDrops();
    StatusReport now = Status();
    if (!(now == told_)) {
        told_ = std::move(now);
        ToSubscribers(Topic::Status, StatusEventLine(told_));
    }
}

StatusReport ControlService::Status() const {
    Connection& connection = client_.connection();
    StatusReport s;
    s.status = ports_.statusLine ? ports_.statusLine() : "";
    s.connection = ConnectionName(connection.state());
    s.letIn = connection.letIn();
    s.server = client_.settings().Server;
    s.channel = s.letIn ? client_.roster().header() : "";
    s.name = client_.ownName();
    s.users = client_.roster().size();
    s.bansToday = ports_.bansToday ? ports_.bansToday() : 0;
    s.deedsOpen = client_.protection().deeds().open();
    s.queued = connection.waitingLines();
    for (const ScriptHost::Status& script : client_.scripts().status()) {
        ++(script.running ? s.scriptsRunning : s.scriptsOff);
    }
    return s;
}

void ControlService::Handle(int id, std::string_view line) {
    if (TrimBlanks(line).empty()) {
        return;  // an empty line asks nothing
    }
    const ParsedRequest parsed = ParseRequest(line);
    if (!parsed.request) {
        const RequestError& e = parsed.error;
        Queue(id, ErrorLine(e.id, e.code, e.message));
        return;
    }
    if (std::string answer = Answer(id, *parsed.request); !answer.empty()) {
        Queue(id, answer);
    }
}

std::string ControlService::Answer(int id, const Request& r) {
    switch (r.command) {
        case Command::Status:
            return AnswerLine(r.id, [this](json::Writer& out) {
                WriteKey(out, "status");
                WriteStatus(out, Status());
            });
        case Command::Users:
            return AnswerLine(r.id, [this](json::Writer& out) {
                WriteKey(out, "users");
                out.StartArray();
                for (const ScriptUser& u : client_.presentUsers()) {
                    WriteUser(out, {u.name, u.flags, u.product});
                }
                out.EndArray();
            });
        case Command::Say:
        case Command::Emote:
        case Command::Whisper:
            return Send(r);
        case Command::Ban:
        case Command::Kick:
        case Command::Unban:
            return Moderate(id, r);
        case Command::List:
            return AnswerLine(r.id, [this, &r](json::Writer& out) {
                const std::vector<std::string>& items =
                    r.list == "shitlist"   ? client_.banList().patterns()
                    : r.list == "badwords" ? client_.protection().badWords().patterns()
                                           : client_.database().entries();
                WriteKey(out, "patterns");
                out.StartArray();
                for (const std::string& item : items) {
                    WriteString(out, item);
                }
                out.EndArray();
            });
        case Command::Add:
        case Command::Del:
            return EditList(r);
        case Command::Bans:
            return AnswerLine(r.id, [this](json::Writer& out) {
                const Protection& protection = client_.protection();
                const std::int64_t now = client_.clock().unixSeconds();
                WriteKey(out, "timed");
                out.Bool(ParseWholeNumber(client_.settings().BanMinutes, 1).value_or(0) > 0);
                WriteKey(out, "bans");
                out.StartArray();
                for (const TimedBans::Ban& ban : protection.timedBans().bans()) {
                    WriteTimedBan(out,
                                  {ban.name, ban.endUnix, ban.endUnix - now,
                                   protection.deeds().IsOpen(DeedBook::Action::Unban, ban.name)});
                }
                out.EndArray();
            });
        case Command::Lift:
            return Lift(r);
        case Command::Rules:
            return AnswerLine(r.id, [this](json::Writer& out) {
                WriteKey(out, "rules");
                out.StartArray();
                for (const RuleKey& rule : RuleKeys()) {
                    const std::string stored =
                        ReadIniValue(kSettingsSection, rule.key, client_.iniPath());
                    const RuleValue read = ReadRuleValue(rule, stored);
                    WriteRule(out,
                              {std::string(rule.key), read.shown, std::string(rule.explanation),
                               read.exact ? "" : "'" + stored + "' is read as " + read.shown});
                }
                out.EndArray();
            });
        case Command::Set:
            return SetRules(r);
        case Command::Scripts:
            return AnswerLine(r.id, [this](json::Writer& out) {
                WriteKey(out, "folder");
                WriteString(out, client_.scriptsFolder());
                WriteKey(out, "scripts");
                out.StartArray();
                for (const ScriptHost::Status& s : client_.scripts().status()) {
                    WriteScript(out, {s.name, s.running, s.error});
                }
                out.EndArray();
            });
        case Command::Reload:
            if (ports_.reload) {
                ports_.reload();
            }
            return Done(r.id);
        case Command::Reconnect:
            client_.mnuReconnect_Click();
            return Done(r.id);
        case Command::Log:
            return LogLines(id, r, r.count);
        case Command::Subscribe:
            sessions_.at(id).session.topics = r.topics;
            return LogLines(id, r, r.count);
    }
    return ErrorLine(r.id, "unknown-command", "no such command");
}

std::string ControlService::LogLines(int id, const Request& r, std::size_t n) {
    const std::vector<std::string_view> lines = backlog_.Last(n, r.textForm);
    const auto answer = [&r](std::span<const std::string_view> kept, bool cut) {
        return AnswerLine(r.id, [&r, kept, cut](json::Writer& out) {
            WriteKey(out, "lines");
            out.StartArray();
            for (const std::string_view line : kept) {
                out.RawValue(line.data(), line.size(),
                             r.textForm ? rapidjson::kStringType : rapidjson::kObjectType);
            }
            out.EndArray();
            if (cut) {
                WriteKey(out, "cut");
                out.Bool(true);
            }
        });
    };
    // The newest lines that fit in what may wait for the client: a long backlog is cut rather
    // than the client dropped for the bot's own answer. A subscriber's backlog takes half of
    // it at most, so that the events after it do not drop a client that reads as they come.
    // Each line after the first adds a comma.
    const std::size_t room = (kMaxWaitingBytes - std::min(kMaxWaitingBytes, waiting(id).size())) /
                             (r.command == Command::Subscribe ? 2 : 1);
    const auto fitting = [&](bool cut) {
        std::size_t bytes = answer({}, cut).size();
        std::size_t kept = 0;
        for (; kept < lines.size(); ++kept) {
            bytes += lines[lines.size() - 1 - kept].size() + (kept > 0 ? 1 : 0);
            if (bytes > room) {
                break;
            }
        }
        return kept;
    };
    if (fitting(false) == lines.size()) {
        return answer(lines, false);
    }
    return answer(std::span(lines).last(fitting(true)), true);
}

std::string ControlService::Send(const Request& r) {
    if (r.command == Command::Say && r.text.starts_with('/')) {
        return ErrorLine(r.id, "bad-argument",
                         "say: the text starts with '/', which the server reads as a command; "
                         "use emote, whisper, ban, kick or unban");
    }
    if (client_.connection().state() != Connection::State::Connected) {
        return ErrorLine(r.id, "not-connected", "not connected to the server");
    }
    const std::string line = r.command == Command::Say     ? r.text
                             : r.command == Command::Emote ? "/me " + r.text
                                                           : "/w " + r.name + " " + r.text;
    if (client_.connection().paced() && line.size() > SendQueue::kMaxLineBytes) {
        return ErrorLine(r.id, "too-long",
                         "the line is too long to send (" + std::to_string(line.size()) +
                             " bytes; at most " + std::to_string(SendQueue::kMaxLineBytes) + ")");
    }
    if (client_.connection().waitingLines() >= SendQueue::kMaxWaiting) {
        return ErrorLine(r.id, "queue-full", "the send queue is full");
    }
    client_.txtSend_Enter(line);
    return AnswerLine(r.id, [](json::Writer& out) {
        WriteKey(out, "queued");
        out.Bool(true);
    });
}

std::string ControlService::Moderate(int id, const Request& r) {
    const DeedBook::Action action = r.command == Command::Ban    ? DeedBook::Action::Ban
                                    : r.command == Command::Kick ? DeedBook::Action::Kick
                                                                 : DeedBook::Action::Unban;
    // Waiting before it is asked for: with pacing off, its end may be told at once.
    deeds_.push_back({id, r.id, action, r.name});
    const std::string why = client_.ControlModeration(DeedBook::Verb(action), r.name, r.reason);
    if (!why.empty()) {
        deeds_.pop_back();
        return ErrorLine(
            r.id, "refused",
            "not sent: " + std::string(DeedBook::Verb(action)) + " " + r.name + ": " + why);
    }
    return "";
}

void ControlService::DeedEnded(std::string_view origin, DeedBook::Action action,
                               std::string_view name, bool done, std::string_view text) {
    const bool ours = origin == kControlOrigin;
    const DeedReport deed{std::string(DeedBook::Verb(action)), std::string(name), done,
                          std::string(text), ours ? "" : std::string(origin)};
    ToSubscribers(Topic::Deeds, DeedEventLine(deed));
    if (!ours) {
        return;
    }
    std::vector<WaitingDeed> answered;
    std::erase_if(deeds_, [&](const WaitingDeed& d) {
        if (d.action != action || !EqualsIgnoreCase(d.name, name)) {
            return false;
        }
        answered.push_back(d);
        return true;
    });
    for (const WaitingDeed& d : answered) {
        Queue(d.session, AnswerLine(d.id, [&deed](json::Writer& out) {
                  WriteKey(out, "deed");
                  WriteDeed(out, deed);
              }));
    }
}

std::string ControlService::EditList(const Request& r) {
    if (r.list == "database") {
        return ErrorLine(r.id, "read-only",
                         "database.txt is never written by the program: edit it, and the bot "
                         "reads it again within two seconds");
    }
    std::string answer;
    const bool changed =
        client_.EditListFor(kAsker, r.list == "shitlist" ? ListKind::Ban : ListKind::Words,
                            r.command == Command::Add, TrimBlanks(r.pattern), answer);
    return changed ? Said(r.id, "answer", answer) : ErrorLine(r.id, "unchanged", answer);
}

std::string ControlService::SetRules(const Request& r) {
    std::vector<std::pair<std::string, std::string>> changes;  // what the entries name
    std::string changed;
    for (const auto& [key, text] : r.values) {
        const RuleKey* rule = FindRuleKey(key);
        if (!rule) {
            std::string keys;
            for (const RuleKey& k : RuleKeys()) {
                keys += (keys.empty() ? "" : ", ") + std::string(k.key);
            }
            return ErrorLine(r.id, "bad-argument", "set: no rule key '" + key + "' (" + keys + ")");
        }
        std::string value;
        if (std::string wrong = CheckRuleValue(*rule, text, value); !wrong.empty()) {
            return ErrorLine(r.id, "bad-argument", "set: " + wrong);
        }
        const std::string stored = ReadIniValue(kSettingsSection, rule->key, client_.iniPath());
        if (ReadRuleValue(*rule, stored).shown == value) {
            continue;
        }
        changed += (changed.empty() ? "" : ", ") + key + "=" + value;
        changes.emplace_back(key, std::move(value));
    }
    if (changes.empty()) {
        return Said(r.id, "saved", "Nothing changed");
    }
    std::vector<IniEntry> entries;
    for (const auto& [key, value] : changes) {
        entries.push_back({key, value});
    }
    if (!client_.SaveSettings(entries)) {
        return ErrorLine(r.id, "not-saved", "Could not save to " + client_.iniPath());
    }
    client_.logs().Line(LogTarget::Main, colour::kLightGrey,
                        "Rules saved through " + std::string(kAsker) + ": " + changed);
    return Said(r.id, "saved", "Saved: " + changed);
}

std::string ControlService::Lift(const Request& r) {
    if (client_.connection().state() != Connection::State::Connected) {
        return ErrorLine(
            r.id, "not-connected",
            "not connected: " + r.name + " is unbanned once connected and the time is over");
    }
    const auto who = client_.LiftBan(r.name);
    if (!who) {
        return ErrorLine(r.id, "no-ban", r.name + " has no pending ban");
    }
    return Said(r.id, "answer",
                client_.connection().paced()
                    ? "Unban of " + *who + " sent; it leaves the list once the server confirms it"
                    : "Unbanned " + *who);
}

}  // namespace varno
