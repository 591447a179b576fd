#include "moderation/protection.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "base/text_case.h"
#include "base/whole_number.h"

namespace varno {
namespace {

// The name a moderation line names: the word after command (matched without regard to
// case), skipping blanks before it.
std::optional<std::string_view> Target(std::string_view line, std::string_view command) {
    if (line.size() < command.size() ||
        !EqualsIgnoreCase(line.substr(0, command.size()), command)) {
        return std::nullopt;
    }
    line.remove_prefix(command.size());
    const auto first = line.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    line.remove_prefix(first);
    return line.substr(0, line.find(' '));
}

std::string_view ListName(ListKind list) {
    return list == ListKind::Ban ? "the ban list" : "the word list";
}

// A pattern or name as an answer echoes it: the first kEchoMax bytes and "..." when longer,
// so the answer stays within what one chat line may hold. A cut never splits a UTF-8
// character.
constexpr std::size_t kEchoMax = 60;

std::string Echo(std::string_view text) {
    if (text.size() <= kEchoMax) {
        return std::string(text);
    }
    std::size_t cut = kEchoMax;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return std::string(text.substr(0, cut)) + "...";
}

// The first of this client's name and the database's names that a new ban pattern would
// match, if any.
std::optional<std::string> TrustedMatch(std::string_view pattern, std::string_view ownName,
                                        const Database& database) {
    const CompiledPattern compiled(pattern);
    if (compiled.Matches(ownName)) {
        return std::string(ownName);
    }
    for (const std::string& name : database.entries()) {
        if (compiled.Matches(name)) {
            return name;
        }
    }
    return std::nullopt;
}

// Whether a word pattern is too wide to name a word: it matches every single letter, as
// "*", "?" and "*?" do, so it would kick for any short line or, as "*", for every line.
bool MatchesEveryLine(std::string_view pattern) {
    const CompiledPattern compiled(pattern);
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        if (!compiled.Matches(std::string_view(&letter, 1))) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsModerationLine(std::string_view line) {
    return Target(line, "/ban ") || Target(line, "/kick ") || Target(line, "/unban ");
}

Protection::Protection(const Settings& settings, const Database& database, BanList& banList,
                       LogWriter& writer, Clock& clock, Connection& connection, Files files,
                       Hooks hooks)
    : settings_(settings),
      database_(database),
      banList_(banList),
      writer_(writer),
      clock_(clock),
      connection_(connection),
      files_(std::move(files)),
      hooks_(std::move(hooks)),
      bans_(files_.bans) {
    connection_.setLineFate([this](std::string_view line, SendQueue::Kind kind,
                                   Connection::Fate fate,
                                   std::string_view why) { OnLineFate(line, kind, fate, why); });
    connection_.setOnLost([this] { OnConnectionLost(); });
}

void Protection::Log(std::string_view text) {
    writer_.Line(LogTarget::Main, colour::kOrange, text);
}

void Protection::Start() {
    ReloadBadWords();
    const TimedBans::LoadResult loaded = bans_.Load();
    if (loaded == TimedBans::LoadResult::Damaged) {
        writer_.Line(LogTarget::Main, colour::kRed,
                     bans_.path() + " was damaged; it is written again with the " +
                         std::to_string(bans_.bans().size()) + " bans that could be read");
        SaveBans();
    } else if (loaded == TimedBans::LoadResult::Unreadable) {
        writer_.Line(LogTarget::Main, colour::kRed,
                     bans_.path() +
                         " could not be read; it is left as it is, and bans are not lifted "
                         "by time until it can be read");
    }
}

void Protection::ReloadBadWords() {
    badWords_.ReloadBanList(files_.badwords);
}

void Protection::Refresh() {
    if (settings_.FloodLines == floodText_ && settings_.RepeatLines == repeatText_ &&
        settings_.JoinFlood == joinText_) {
        return;
    }
    floodText_ = settings_.FloodLines;
    repeatText_ = settings_.RepeatLines;
    joinText_ = settings_.JoinFlood;
    guard_.setRules(
        {ParseRateLimit(floodText_), ParseRateLimit(repeatText_), ParseRateLimit(joinText_)});
}

bool Protection::CheckTalk(std::string_view name, std::string_view flags, std::string_view text) {
    Refresh();
    const bool words = !badWords_.patterns().empty();
    if (!guard_.rules().flood && !guard_.rules().repeat && !words) {
        return false;
    }
    if (IsProtected(name, flags, database_, hooks_.ownName())) {
        return false;
    }
    const bool banned = words && badWords_.MatchesAny(text);
    const ChannelGuard::Verdict verdict = guard_.OnLine(name, text, banned, clock_.steadyMs());
    Act(name, verdict);
    return verdict != ChannelGuard::Verdict::None;
}

void Protection::CheckJoin(std::string_view name, std::string_view flags) {
    Refresh();
    if (!guard_.rules().join || IsProtected(name, flags, database_, hooks_.ownName())) {
        return;
    }
    Act(name, guard_.OnJoin(name, clock_.steadyMs()));
}

void Protection::Act(std::string_view name, ChannelGuard::Verdict verdict) {
    const std::string who(name);
    switch (verdict) {
        case ChannelGuard::Verdict::None:
            return;
        case ChannelGuard::Verdict::Flooding:
        case ChannelGuard::Verdict::Repeating:
        case ChannelGuard::Verdict::Language: {
            const std::string reason = verdict == ChannelGuard::Verdict::Flooding    ? "flooding"
                                       : verdict == ChannelGuard::Verdict::Repeating ? "repeating"
                                                                                     : "language";
            Do("/kick " + who + " " + reason, "Kicked " + who + ": " + reason);
            return;
        }
        case ChannelGuard::Verdict::JoinFlood:
            Do("/ban " + who + " join flood", "Banned " + who + ": join flood");
            return;
    }
}

void Protection::OnConnect() {
    loggedIn_ = false;
    rightsTold_ = false;
    failedUnbans_.clear();
}

void Protection::OnConnectionLost() {
    for (const DeedBook::Ended& ended : deeds_.Dropped(clock_.steadyMs())) {
        Finish(ended);
    }
}

void Protection::OnLoggedIn() {
    loggedIn_ = true;
    Flush();
}

void Protection::Tick() {
    Refresh();
    guard_.Forget(clock_.steadyMs());
    if (hooks_.scriptDeedEnded) {
        for (const ScriptDeed& told : std::exchange(sentUnpaced_, {})) {
            hooks_.scriptDeedEnded(told.script, told.action, told.name, told.done, told.text);
        }
    }
    if (!loggedIn_ || connection_.state() != Connection::State::Connected) {
        return;
    }
    for (const DeedBook::Ended& ended :
         deeds_.Expire(clock_.steadyMs(), connection_.sendWindowMs())) {
        Finish(ended);
    }
    if (connection_.paced()) {
        OpenDueUnbans();
    }
    Flush();
    if (connection_.paced()) {
        return;
    }
    const std::vector<std::string> due = bans_.TakeDue(clock_.unixSeconds());
    if (due.empty()) {
        return;
    }
    for (const std::string& name : due) {
        connection_.SendModeration("/unban " + name);
        Log("Unbanned " + name + ": ban time over");
    }
    SaveBans();
}

void Protection::SaveBans() {
    if (!bans_.Save()) {
        writer_.Line(LogTarget::Main, colour::kRed,
                     "Could not write the timed bans to " + bans_.path());
    }
}

bool Protection::Do(std::string_view line, std::string note) {
    if (connection_.state() != Connection::State::Connected) {
        return false;
    }
    const auto deed = DeedBook::Parse(line);
    if (!connection_.paced() || !deed) {
        if (SendNow(line) && !note.empty()) {
            Log(note);
        }
        return true;
    }
    // An equal deed already open is the one that goes: nothing more to send.
    if (deeds_.Open(deed->first, deed->second, line, std::move(note))) {
        Flush();
    }
    return true;
}

void Protection::ScriptModeration(std::string_view script, std::string_view line,
                                  std::string note) {
    const auto deed = DeedBook::Parse(line);
    if (!deed) {
        return;
    }
    if (connection_.state() != Connection::State::Connected) {
        return;
    }
    if (!connection_.paced()) {
        const bool sent = SendNow(line);
        if (sent && !note.empty()) {
            Log(note);
        }
        // Unpaced, a line sent is taken as done, as the program's own are. The script is
        // told on the next tick: it is still running now.
        sentUnpaced_.push_back({std::string(script), deed->first, deed->second, sent,
                                sent ? "" : unsent_.value_or("")});
        return;
    }
    scriptDeeds_.push_back({std::string(script), deed->first, deed->second, false, ""});
    if (deeds_.Open(deed->first, deed->second, line, std::move(note))) {
        Flush();
    }
}

void Protection::TellScripts(DeedBook::Action action, std::string_view name, bool done,
                             std::string_view text) {
    // Taken out first: a script told may ask for the same deed again.
    std::vector<std::string> told;
    std::erase_if(scriptDeeds_, [&](const ScriptDeed& d) {
        if (d.action != action || !EqualsIgnoreCase(d.name, name)) {
            return false;
        }
        told.push_back(d.script);
        return true;
    });
    if (!hooks_.scriptDeedEnded) {
        return;
    }
    for (const std::string& script : told) {
        hooks_.scriptDeedEnded(script, action, name, done, text);
    }
}

bool Protection::SendNow(std::string_view line) {
    unsent_.reset();
    connection_.SendModeration(line);
    if (unsent_) {
        const auto deed = DeedBook::Parse(line);
        writer_.Line(LogTarget::Main, colour::kRed,
                     "Could not " + std::string(deed ? DeedBook::Verb(deed->first) : "send") + " " +
                         (deed ? deed->second : std::string(line)) + ": " + *unsent_);
        return false;
    }
    if (ForgetUnbanned(line)) {
        return true;
    }
    if (const auto banned = Target(line, "/ban ")) {
        RecordBan(*banned);
    }
    return true;
}

void Protection::RecordBan(std::string_view name) {
    const auto minutes = ParseWholeNumber(settings_.BanMinutes, kBanMinutesMax);
    if (minutes && *minutes > 0 &&
        bans_.Add(name, clock_.unixSeconds() + static_cast<std::int64_t>(*minutes) * 60)) {
        SaveBans();
    }
}

void Protection::ForgetBan(std::string_view name) {
    if (bans_.Remove(name)) {
        SaveBans();
    }
}

void Protection::Flush() {
    if (connection_.state() != Connection::State::Connected) {
        return;
    }
    const std::size_t waiting = connection_.waitingLines();
    const std::size_t room =
        waiting < SendQueue::kMaxWaiting ? SendQueue::kMaxWaiting - waiting : 0;
    // Deeds sent on an earlier connection wait for the login; new ones go at once.
    for (const std::string& line : deeds_.TakeDue(loggedIn_, room)) {
        connection_.SendModeration(line);
    }
}

void Protection::OpenDueUnbans() {
    const std::int64_t now = clock_.unixSeconds();
    for (const TimedBans::Ban& ban : bans_.bans()) {
        if (ban.endUnix > now || deeds_.IsOpen(DeedBook::Action::Unban, ban.name) ||
            std::any_of(failedUnbans_.begin(), failedUnbans_.end(), [&](const std::string& name) {
                return EqualsIgnoreCase(name, ban.name);
            })) {
            continue;
        }
        deeds_.Open(DeedBook::Action::Unban, ban.name, "/unban " + ban.name,
                    "Unbanned " + ban.name + ": ban time over");
    }
}

void Protection::OnLineFate(std::string_view line, SendQueue::Kind kind, Connection::Fate fate,
                            std::string_view why) {
    using Kind = SendQueue::Kind;
    std::optional<DeedBook::Ended> ended;
    switch (fate) {
        case Connection::Fate::Written:
            if (kind == Kind::Moderation) {
                deeds_.Written(line, DeedBook::Line::Deed, clock_.steadyMs());
            } else if (kind == Kind::Probe) {
                deeds_.Written(line, DeedBook::Line::Probe, clock_.steadyMs());
            } else if (!SendQueue::EmoteText(line)) {
                // An emote draws the emote itself, never an info or error line.
                deeds_.Written(line, DeedBook::Line::Loose, clock_.steadyMs());
            }
            return;
        case Connection::Fate::Dropped:
            ended = deeds_.Lost(line, true);
            break;
        case Connection::Fate::Discarded:
            ended = deeds_.Lost(line, false);
            break;
        case Connection::Fate::Unsendable:
            ended = deeds_.Unsendable(line, why);
            if (!ended) {
                unsent_ = why;  // a line of SendNow's, which tells of it
            }
            break;
    }
    if (ended) {
        Finish(*ended);
    }
}

bool Protection::OnServerReply(const ServerReply& reply, std::string_view text) {
    if (reply.kind == ServerReply::Kind::Confirmed && reply.action == DeedBook::Action::Unban) {
        ForgetBan(reply.name);  // the operator's unban lifts a timed ban as well
    }
    const auto answer = deeds_.OnReply(reply, text);
    if (!answer) {
        return false;
    }
    if (answer->line == DeedBook::Line::Probe) {
        return true;
    }
    if (!answer->ended) {
        return false;
    }
    const DeedBook::Outcome outcome = answer->ended->outcome;
    Finish(*answer->ended);
    // The deeds this reply overtook go again at once.
    for (const DeedBook::Ended& lost :
         deeds_.Expire(clock_.steadyMs(), connection_.sendWindowMs())) {
        Finish(lost);
    }
    Flush();
    return outcome == DeedBook::Outcome::Refused || outcome == DeedBook::Outcome::Moot;
}

void Protection::Finish(const DeedBook::Ended& ended) {
    const DeedBook::Deed& deed = ended.deed;
    std::string failure;
    switch (ended.outcome) {
        case DeedBook::Outcome::Confirmed:
            if (!deed.note.empty()) {
                Log(deed.note);
            }
            if (deed.action == DeedBook::Action::Ban) {
                RecordBan(deed.name);
            } else if (deed.action == DeedBook::Action::Unban) {
                ForgetBan(deed.name);
            }
            TellScripts(deed.action, deed.name, true, ended.text);
            return;
        case DeedBook::Outcome::Moot:
            TellScripts(deed.action, deed.name, false, "the user left");
            return;
        case DeedBook::Outcome::Refused:
        case DeedBook::Outcome::Unsendable:
            failure = ended.text;
            break;
        case DeedBook::Outcome::NoAnswer:
            failure = "no answer from the server";
            break;
        case DeedBook::Outcome::Dropped:
            failure = "the connection dropped each time it was sent";
            break;
    }
    if (deed.action == DeedBook::Action::Unban) {
        failedUnbans_.push_back(deed.name);
    }
    TellScripts(deed.action, deed.name, false, failure);
    // A refusal every deed meets (no operator rights) is told once a session.
    if (ended.rights && std::exchange(rightsTold_, true)) {
        return;
    }
    writer_.Line(
        LogTarget::Main, colour::kRed,
        "Could not " + std::string(DeedBook::Verb(deed.action)) + " " + deed.name + ": " + failure);
}

void Protection::OperatorLine(std::string_view line) {
    if (!connection_.paced()) {
        ForgetUnbanned(line);
    }
}

bool Protection::ForgetUnbanned(std::string_view line) {
    const auto name = Target(line, "/unban ");
    if (name && bans_.Remove(*name)) {
        SaveBans();
    }
    return name.has_value();
}

bool Protection::ChangeList(std::string_view speaker, ListKind list, bool add,
                            std::string_view pattern,
                            const std::function<void(std::string_view)>& answerWith) {
    const std::string what = Echo(pattern);
    if (add && list == ListKind::Ban) {
        if (const auto name = TrustedMatch(pattern, hooks_.ownName(), database_)) {
            answerWith("Refused: " + what + " would match " + Echo(*name));
            return false;
        }
    }
    if (add && list == ListKind::Words && MatchesEveryLine(pattern)) {
        answerWith("Refused: " + what + " would match every line");
        return false;
    }
    const std::string& path = list == ListKind::Ban ? files_.shitlist : files_.badwords;
    const ListEdit result = add ? AddListLine(path, pattern) : RemoveListLine(path, pattern);
    const std::string_view listName = ListName(list);
    std::string answer;
    switch (result) {
        case ListEdit::Added:
            answer = "Added " + what + " to " + std::string(listName);
            break;
        case ListEdit::Removed:
            answer = "Removed " + what + " from " + std::string(listName);
            break;
        case ListEdit::AlreadyThere:
            answer = "Already on " + std::string(listName) + ": " + what;
            break;
        case ListEdit::NotThere:
            answer = "Not on " + std::string(listName) + ": " + what;
            break;
        case ListEdit::NotAPattern:
            answer = "No pattern given";
            break;
        case ListEdit::Failed:
            answer = "Could not change " + std::string(listName);
            writer_.Line(LogTarget::Main, colour::kRed, "Could not change " + path);
            break;
    }
    answerWith(answer);
    if (result != ListEdit::Added && result != ListEdit::Removed) {
        return false;
    }
    Log(answer + " (" + std::string(speaker) + ")");
    if (list == ListKind::Words) {
        ReloadBadWords();
        return true;
    }
    banList_.ReloadBanList(files_.shitlist);
    if (add && hooks_.banPresentUsers) {
        hooks_.banPresentUsers();
    }
    return true;
}

std::optional<std::string> Protection::LiftBan(std::string_view name) {
    const auto& pending = bans_.bans();
    const auto ban = std::find_if(pending.begin(), pending.end(), [&](const TimedBans::Ban& b) {
        return EqualsIgnoreCase(b.name, name);
    });
    if (ban == pending.end()) {
        return std::nullopt;
    }
    std::string who = ban->name;
    // Asked for by the operator: a name whose unban failed earlier is tried again.
    std::erase_if(failedUnbans_,
                  [&](const std::string& failed) { return EqualsIgnoreCase(failed, who); });
    if (!Do("/unban " + who, "Unbanned " + who + ": lifted by the operator")) {
        return std::nullopt;
    }
    return who;
}

void Protection::CountBanList() {
    const std::size_t count = banList_.patterns().size();
    hooks_.say("The ban list holds " + std::to_string(count) +
               (count == 1 ? " pattern" : " patterns"));
}

}  // namespace varno
