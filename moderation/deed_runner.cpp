#include "moderation/deed_runner.h"

#include <algorithm>
#include <utility>

#include "base/text_case.h"

namespace varno {

DeedRunner::DeedRunner(LogWriter& writer, Clock& clock, Connection& connection, Hooks hooks)
    : writer_(writer), clock_(clock), connection_(connection), hooks_(std::move(hooks)) {
    connection_.setLineFate([this](std::string_view line, SendQueue::Kind kind,
                                   Connection::Fate fate,
                                   std::string_view why) { OnLineFate(line, kind, fate, why); });
    connection_.setOnLost([this] { OnConnectionLost(); });
}

void DeedRunner::OnConnect() {
    loggedIn_ = false;
    rightsTold_ = false;
}

void DeedRunner::OnConnectionLost() {
    for (const DeedBook::Ended& ended :
         deeds_.Dropped(clock_.steadyMs(), connection_.sendWindowMs())) {
        Finish(ended);
    }
}

void DeedRunner::OnLoggedIn() {
    loggedIn_ = true;
    Flush();
}

void DeedRunner::TellSentUnpaced() {
    if (!hooks_.scriptDeedEnded) {
        return;
    }
    for (const ScriptDeed& told : std::exchange(sentUnpaced_, {})) {
        hooks_.scriptDeedEnded(told.script, told.action, told.name, told.done, told.text);
    }
}

void DeedRunner::Expire() {
    for (const DeedBook::Ended& ended :
         deeds_.Expire(clock_.steadyMs(), connection_.sendWindowMs())) {
        Finish(ended);
    }
}

DeedRunner::Asked DeedRunner::Do(std::string_view line, std::string note) {
    if (connection_.state() != Connection::State::Connected) {
        return Asked::Down;
    }
    const auto deed = DeedBook::Parse(line);
    if (!connection_.paced() || !deed) {
        return SendNow(line, note).queued ? Asked::Sent : Asked::Refused;
    }
    // A line that can never be sent ends its deed before it is opened.
    if (const auto why = connection_.Unsendable(line)) {
        CouldNot(line, *why);
        return Asked::Refused;
    }
    // An equal deed already open is the one that goes: nothing more to send.
    if (deeds_.Open(deed->first, deed->second, line, std::move(note))) {
        Flush();
    }
    return Asked::Open;
}

void DeedRunner::Open(DeedBook::Action action, std::string_view name, std::string_view line,
                      std::string note) {
    deeds_.Open(action, name, line, std::move(note));
}

void DeedRunner::ScriptModeration(std::string_view script, std::string_view line,
                                  std::string note) {
    const auto deed = DeedBook::Parse(line);
    if (!deed) {
        return;
    }
    if (connection_.state() != Connection::State::Connected) {
        return;
    }
    if (!connection_.paced()) {
        const Connection::Sent sent = SendNow(line, std::move(note));
        // Unpaced, a line sent is taken as done, as the program's own are. The script is
        // told on the next tick: it is still running now.
        sentUnpaced_.push_back(
            {std::string(script), deed->first, deed->second, sent.queued, sent.why});
        return;
    }
    if (const auto why = connection_.Unsendable(line)) {
        CouldNot(line, *why);
        sentUnpaced_.push_back({std::string(script), deed->first, deed->second, false, *why});
        return;
    }
    scriptDeeds_.push_back({std::string(script), deed->first, deed->second, false, ""});
    if (deeds_.Open(deed->first, deed->second, line, std::move(note))) {
        Flush();
    }
}

void DeedRunner::TellScripts(DeedBook::Action action, std::string_view name, bool done,
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

void DeedRunner::Ended(DeedBook::Action action, std::string_view name, bool done) {
    if (hooks_.ended) {
        hooks_.ended(action, name, done);
    }
}

Connection::Sent DeedRunner::SendNow(std::string_view line, std::string_view note) {
    Connection::Sent sent = connection_.SendModeration(line);
    if (!sent.queued) {
        CouldNot(line, sent.why);
        return sent;
    }
    if (const auto deed = DeedBook::Parse(line)) {
        Ended(deed->first, deed->second, true);
    }
    if (!note.empty()) {
        writer_.Line(LogTarget::Main, colour::kOrange, note);
    }
    return sent;
}

void DeedRunner::CouldNot(std::string_view line, std::string_view why) {
    const auto deed = DeedBook::Parse(line);
    writer_.Line(LogTarget::Main, colour::kRed,
                 "Could not " + std::string(deed ? DeedBook::Verb(deed->first) : "send") + " " +
                     (deed ? deed->second : std::string(line)) + ": " + std::string(why));
}

void DeedRunner::Flush() {
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

void DeedRunner::OnLineFate(std::string_view line, SendQueue::Kind kind, Connection::Fate fate,
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
            break;
    }
    if (ended) {
        Finish(*ended);
    }
}

bool DeedRunner::OnServerReply(const ServerReply& reply, std::string_view text) {
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
    Expire();
    Flush();
    return outcome == DeedBook::Outcome::Refused || outcome == DeedBook::Outcome::Moot;
}

void DeedRunner::Finish(const DeedBook::Ended& ended) {
    const DeedBook::Deed& deed = ended.deed;
    std::string failure;
    switch (ended.outcome) {
        case DeedBook::Outcome::Confirmed:
            if (!deed.note.empty()) {
                writer_.Line(LogTarget::Main, colour::kOrange, deed.note);
            }
            Ended(deed.action, deed.name, true);
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
    Ended(deed.action, deed.name, false);
    TellScripts(deed.action, deed.name, false, failure);
    // A refusal every deed meets (no operator rights) is told once a session.
    if (ended.rights && std::exchange(rightsTold_, true)) {
        return;
    }
    writer_.Line(
        LogTarget::Main, colour::kRed,
        "Could not " + std::string(DeedBook::Verb(deed.action)) + " " + deed.name + ": " + failure);
}

}  // namespace varno
