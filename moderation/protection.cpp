#include "moderation/protection.h"

#include <utility>

namespace varno {

bool IsModerationLine(std::string_view line) {
    return DeedBook::Parse(line).has_value();
}

Protection::Protection(const Settings& settings, const Database& database, BanList& banList,
                       LogWriter& writer, Clock& clock, Connection& connection, Files files,
                       Hooks hooks)
    : settings_(settings),
      database_(database),
      banList_(banList),
      clock_(clock),
      connection_(connection),
      files_(std::move(files)),
      hooks_(std::move(hooks)),
      runner_(writer, clock, connection,
              {[this](DeedBook::Action action, std::string_view name, bool done) {
                   DeedEnded(action, name, done);
               },
               hooks_.scriptDeedEnded}),
      lifter_(settings, writer, clock, connection, runner_, files_.bans),
      lists_(database, banList, badWords_, writer, {files_.shitlist, files_.badwords},
             {hooks_.ownName, hooks_.banPresentUsers}) {}

void Protection::Start() {
    ReloadBadWords();
    lifter_.Start();
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
            runner_.Do("/kick " + who + " " + reason, "Kicked " + who + ": " + reason);
            return;
        }
        case ChannelGuard::Verdict::JoinFlood:
            runner_.Do("/ban " + who + " join flood", "Banned " + who + ": join flood");
            return;
    }
}

void Protection::OnConnect() {
    runner_.OnConnect();
}

void Protection::Tick() {
    Refresh();
    guard_.Forget(clock_.steadyMs());
    runner_.TellDeferred();
    if (!runner_.loggedIn() || connection_.state() != Connection::State::Connected) {
        return;
    }
    runner_.Expire();
    if (connection_.paced()) {
        lifter_.OpenDueUnbans();
    }
    runner_.Flush();
    if (!connection_.paced()) {
        lifter_.SendDueUnbans();
    }
}

bool Protection::SendModeration(std::string_view line) {
    const DeedRunner::Asked asked = runner_.Do(line, "");
    return asked == DeedRunner::Asked::Open || asked == DeedRunner::Asked::Sent;
}

void Protection::BanFromList(std::string_view line) {
    const auto deed = DeedBook::Parse(line);
    if (!deed || !givenUp_.Allows(deed->second, clock_.steadyMs(), banList_.generation())) {
        return;
    }
    givenUp_.Asked(deed->second);
    const DeedRunner::Asked asked = runner_.Do(line, "");
    // An open deed tells its end through DeedEnded; the others are over now.
    if (asked != DeedRunner::Asked::Open) {
        givenUp_.Ended(deed->second, asked == DeedRunner::Asked::Refused, clock_.steadyMs(),
                       banList_.generation());
    }
}

void Protection::DeedEnded(DeedBook::Action action, std::string_view name, bool done) {
    if (action == DeedBook::Action::Ban) {
        givenUp_.Ended(name, !done, clock_.steadyMs(), banList_.generation());
    }
    if (action == DeedBook::Action::Ban && done) {
        lifter_.Banned(name);
    } else if (action == DeedBook::Action::Unban && done) {
        lifter_.Unbanned(name);
    } else if (action == DeedBook::Action::Unban) {
        lifter_.UnbanFailed(name);
    }
}

bool Protection::OnServerReply(const ServerReply& reply, std::string_view text) {
    if (reply.kind == ServerReply::Kind::Confirmed && reply.action == DeedBook::Action::Unban) {
        lifter_.Unbanned(reply.name);  // the operator's unban lifts a timed ban as well
    }
    return runner_.OnServerReply(reply, text);
}

}  // namespace varno
