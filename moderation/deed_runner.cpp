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
    EndUnpacedUnlessAwaited("sent; the connection dropped");
}

void DeedRunner::OnLoggedIn() {
    loggedIn_ = true;
    Flush();
}

void DeedRunner::TellDeferred() {
    if (!hooks_.scriptDeedEnded) {
        deferred_.clear();
        return;
    }
    for (const Told& told : std::exchange(deferred_, {})) {
        hooks_.scriptDeedEnded(told.script, told.action, told.name, told.done, told.text);
    }
}

void DeedRunner::Expire() {
    for (const DeedBook::Ended& ended :
         deeds_.Expire(clock_.steadyMs(), connection_.sendWindowMs())) {
        Finish(ended);
    }
    EndUnpacedUnlessAwaited("sent; the server did not answer");
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

std::size_t DeedRunner::OpenFor(std::string_view script) const {
    return static_cast<std::size_t>(
        std::count_if(scriptDeeds_.begin(), scriptDeeds_.end(),
                      [&](const ScriptDeed& d) { return d.script == script; }));
}

std::string DeedRunner::ScriptModeration(std::string_view script, std::string_view who,
                                         std::string_view line, std::string note) {
    const auto deed = DeedBook::Parse(line);
    if (!deed) {
        return "not an action";
    }
    if (connection_.state() != Connection::State::Connected) {
        return "not connected";
    }
    const DeedBook::Action action = deed->first;
    const std::string& name = deed->second;
    // Asked again while it waits: the script is told once.
    if (std::any_of(scriptDeeds_.begin(), scriptDeeds_.end(), [&](const ScriptDeed& d) {
            return d.script == script && d.action == action && EqualsIgnoreCase(d.name, name);
        })) {
        return "";
    }
    if (const auto why = connection_.Unsendable(line)) {
        CouldNotForScript(line, *why);
        return *why;
    }
    if (OpenFor(script) >= kMaxScriptDeeds) {
        if (std::find(capTold_.begin(), capTold_.end(), script) == capTold_.end()) {
            capTold_.emplace_back(script);
            writer_.Line(LogTarget::Main, colour::kRed,
                         std::string(who) + ": " + std::to_string(kMaxScriptDeeds) +
                             " deeds open; more are refused until some end");
        }
        return "too many open deeds (" + std::to_string(kMaxScriptDeeds) + ")";
    }
    // Ends met while the script runs wait for the next tick.
    inScript_ = true;
    std::string why;
    if (connection_.paced() || deeds_.IsOpen(action, name)) {
        scriptDeeds_.push_back({std::string(script), action, name, std::nullopt, ""});
        if (deeds_.Open(action, name, line, std::move(note))) {
            Flush();
        }
    } else {
        // Unpaced, the line goes at once; its answer is paired with it as a line of no deed.
        watching_ = line;
        watched_ = 0;
        const Connection::Sent sent = connection_.SendModeration(line);
        watching_.reset();
        if (sent.queued) {
            scriptDeeds_.push_back({std::string(script), action, name, watched_, std::move(note)});
        } else {
            CouldNotForScript(line, sent.why);
            why = sent.why;
        }
    }
    inScript_ = false;
    return why;
}

void DeedRunner::EndScriptDeed(std::size_t index, bool done, std::string_view text) {
    const ScriptDeed deed = std::move(scriptDeeds_[index]);
    scriptDeeds_.erase(scriptDeeds_.begin() + static_cast<std::ptrdiff_t>(index));
    if (OpenFor(deed.script) < kMaxScriptDeeds) {
        std::erase(capTold_, deed.script);
    }
    if (inScript_) {
        deferred_.push_back({deed.script, deed.action, deed.name, done, std::string(text)});
    } else if (hooks_.scriptDeedEnded) {
        hooks_.scriptDeedEnded(deed.script, deed.action, deed.name, done, text);
    }
}

void DeedRunner::TellScripts(DeedBook::Action action, std::string_view name, bool done,
                             std::string_view text) {
    // Each taken out before it is told: a script told may ask for the same deed again.
    for (std::size_t i = 0; i < scriptDeeds_.size();) {
        const ScriptDeed& d = scriptDeeds_[i];
        if (!d.written && d.action == action && EqualsIgnoreCase(d.name, name)) {
            EndScriptDeed(i, done, text);
        } else {
            ++i;
        }
    }
}

void DeedRunner::EndUnpaced(std::uint64_t written, bool done, std::string_view text) {
    const auto deed = std::find_if(scriptDeeds_.begin(), scriptDeeds_.end(),
                                   [&](const ScriptDeed& d) { return d.written == written; });
    if (deed == scriptDeeds_.end()) {
        return;
    }
    if (done && !deed->note.empty()) {
        writer_.Line(LogTarget::Main, colour::kOrange, deed->note);
    }
    Ended(deed->action, deed->name, done);
    EndScriptDeed(static_cast<std::size_t>(deed - scriptDeeds_.begin()), done, text);
}

void DeedRunner::EndUnpacedUnlessAwaited(std::string_view text) {
    for (std::size_t i = 0; i < scriptDeeds_.size();) {
        const std::optional<std::uint64_t> written = scriptDeeds_[i].written;
        if (written && !deeds_.Awaits(*written)) {
            EndUnpaced(*written, false, text);
        } else {
            ++i;
        }
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

void DeedRunner::CouldNotForScript(std::string_view line, std::string_view why) {
    const std::int64_t now = clock_.steadyMs();
    if (scriptRefusalMs_ && now - *scriptRefusalMs_ < kScriptRefusalGapMs &&
        now >= *scriptRefusalMs_) {
        return;
    }
    scriptRefusalMs_ = now;
    CouldNot(line, why);
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
                const std::uint64_t written =
                    deeds_.Written(line, DeedBook::Line::Deed, clock_.steadyMs());
                if (watching_ == line) {
                    watched_ = written;
                    watching_.reset();
                }
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
        if (answer->line == DeedBook::Line::Loose) {
            const bool done = reply.kind == ServerReply::Kind::Confirmed ||
                              reply.kind == ServerReply::Kind::NotBanned;
            EndUnpaced(answer->written, done, done ? "" : text);
        }
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
