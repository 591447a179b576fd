#include "connection/connection.h"

#include "base/text_case.h"
#include "base/whole_number.h"

#include <algorithm>
#include <climits>

namespace varno {
namespace {

// What a line that breaks the line rule holds, for the operator: "holds a line end".
std::string_view BreakingByte(std::string_view line) {
    return line.find_first_of("\r\n") != std::string_view::npos ? "holds a line end"
                                                                : "holds a NUL byte";
}

std::string TooLongWhy(std::size_t bytes) {
    return "the line is too long to send (" + std::to_string(bytes) + " bytes)";
}

// Delay, held between least and most: where a doubling wait starts.
std::int64_t DelayBetween(std::string_view delay, std::int64_t least, std::int64_t most) {
    return std::clamp<std::int64_t>(ParseDelay(TrimBlanks(delay)).value_or(0), least, most);
}

// first doubled for each time after the first, up to most.
std::int64_t Doubled(std::int64_t first, int times, std::int64_t most) {
    std::int64_t wait = first;
    for (int i = 1; i < times && wait < most; ++i) {
        wait *= 2;
    }
    return std::min(wait, most);
}

// A timeout key in milliseconds: its seconds, or the default when missing or unreadable.
std::int64_t TimeoutMs(std::string_view text, std::uint64_t seconds) {
    return static_cast<std::int64_t>(
               ParseWholeNumber(TrimBlanks(text), Connection::kTimeoutSecondsMax)
                   .value_or(seconds)) *
           1000;
}

}  // namespace

std::optional<int> ParseDelay(std::string_view text) {
    const auto value = ParseWholeNumber(text, INT_MAX);
    return value ? std::optional<int>(static_cast<int>(*value)) : std::nullopt;
}

Connection::Connection(const Edition& edition, const Settings& settings, LogWriter& writer,
                       Ports ports)
    : edition_(edition), settings_(settings), writer_(writer), ports_(ports) {}

void Connection::SetCaption() {
    ports_.window.setCaption("Varno 2.00 by Tamsel - Logged in as " + settings_.Username);
}

void Connection::CancelWaitingAttempt() {
    ports_.retry.setEnabled(false);
    waitingOwesNotice_ = false;
}

void Connection::CloseLink() {
    const bool wasConnected = state_ == State::Connected;
    ports_.link.close();
    state_ = State::Down;
    DiscardWaiting();
    if (wasConnected && onLost_) {
        onLost_();
    }
}

void Connection::CloseSocket() {
    CancelWaitingAttempt();
    CloseLink();
}

void Connection::ConnectToServer() {
    CancelWaitingAttempt();
    if (onConnect_) {
        onConnect_();
    }
    attemptStartMs_ = ports_.clock.steadyMs();
    named_ = false;
    probed_ = false;
    state_ = ports_.link.open(settings_.Server, kServerPort) ? State::Connecting : State::Down;
    if (state_ == State::Down) {
        AttemptFailed();
    }
}

void Connection::StartAttempt(bool notice) {
    CloseSocket();
    ConnectToServer();
    if (notice) {
        writer_.Line(LogTarget::Main, colour::kRed, "Server Down.. Reconnecting..");
    }
}

bool Connection::BackingOff() const {
    return SwitchedOn(settings_.Backoff);
}

std::int64_t Connection::AttemptGapMs() const {
    if (!BackingOff()) {
        return kMinAttemptGapMs;
    }
    return Doubled(DelayBetween(settings_.Delay, kMinAttemptGapMs, kMaxAttemptGapMs),
                   failedAttempts_, kMaxAttemptGapMs);
}

std::int64_t Connection::SessionWaitMs() const {
    return Doubled(DelayBetween(settings_.Delay, kMinAttemptGapMs, kMaxSessionWaitMs),
                   shortSessions_, kMaxSessionWaitMs);
}

void Connection::AttemptFailed() {
    ++failedAttempts_;
    notBeforeMs_ = attemptStartMs_ + AttemptGapMs();
}

void Connection::ConnectAgainSoon(bool notice) {
    const std::int64_t now = ports_.clock.steadyMs();
    // A clock that went back (it should not) leaves no attempt waiting for ever.
    if (now >= notBeforeMs_ || now < attemptStartMs_) {
        StartAttempt(notice);
        return;
    }
    // One attempt waits, whoever asks for it and however often; it writes the notice of a
    // tick that asked once, when it starts.
    waitingOwesNotice_ = waitingOwesNotice_ || notice;
    if (!ports_.retry.isEnabled()) {
        ports_.retry.setInterval(
            static_cast<int>(std::min<std::int64_t>(notBeforeMs_ - now, INT_MAX)));
        ports_.retry.setEnabled(true);
    }
}

void Connection::SessionEnded(bool notice) {
    const std::int64_t lasted = ports_.clock.steadyMs() - connectedMs_;
    if (lasted >= kLongSessionMs) {
        shortSessions_ = 0;
    }
    if (!BackingOff() || lasted >= kShortSessionMs) {
        StartAttempt(notice);
        return;
    }
    ++shortSessions_;
    const std::int64_t wait = SessionWaitMs();
    notBeforeMs_ = ports_.clock.steadyMs() + wait;
    CancelWaitingAttempt();
    waitingOwesNotice_ = notice;
    ports_.retry.setInterval(static_cast<int>(wait));
    ports_.retry.setEnabled(true);
    writer_.Line(LogTarget::Main, colour::kYellow,
                 "Reconnecting in " + std::to_string((wait + 999) / 1000) + " s");
}

void Connection::Start() {
    SetCaption();
    if (const auto delay = ParseDelay(settings_.Delay)) {
        ports_.r.setInterval(*delay);
    }
    ConnectToServer();
}

void Connection::sck_connect() {
    ports_.r.setEnabled(edition_.enableTimerOnConnect);
    state_ = State::Connected;
    connectedMs_ = lastArrivalMs_ = ports_.clock.steadyMs();
    SetCaption();
    std::string login;
    login.reserve(16 + settings_.Username.size() + settings_.Password.size() +
                  settings_.Home.size());
    login += '\x03';
    login += settings_.Username;
    login += "\r\n";
    login += settings_.Password;
    login += "\r\n/join ";
    login += settings_.Home;
    login += "\r\n";
    ports_.link.write(login);
    // A new session: nothing of the last one waits or counts. The gateway counts the channel
    // line of the login, not the name and password.
    DiscardWaiting();
    queue_.Restart();
    queue_.setPace(SendQueue::PaceOf(settings_.SendQuota, settings_.SendWindow));
    queue_.Count(ports_.clock.steadyMs(), 6 + settings_.Home.size());
    // The gateway answers the channel line first, before any line written after it.
    TellFate("/join " + settings_.Home, SendQueue::Kind::Typed, Fate::Written);
    writer_.Line(LogTarget::Main, colour::kGreen, "Connected to Server");
}

void Connection::Lost() {
    // A connection on which the server had let the client in reconnects as a session does.
    // An attempt that never got through (a refused or unreachable server fails within a
    // millisecond), or a connection that the server closed before sending a single event
    // line (a login it refused), waits for its gap, so that nothing connects in a tight loop.
    const bool wasIn = letIn();
    ports_.window.setChannelLabel("<Disconnected>");
    CloseLink();
    writer_.Line(LogTarget::Main, colour::kRed, "Connection Closed");
    if (wasIn) {
        SessionEnded(false);
    } else {
        AttemptFailed();
        ConnectAgainSoon(false);
    }
    ports_.r.setEnabled(true);
}

void Connection::sck_Close() {
    Lost();
}

void Connection::sck_Error() {
    Lost();
}

void Connection::GiveUp(std::string_view why) {
    writer_.Line(LogTarget::Main, colour::kRed, why);
    ports_.window.setChannelLabel("<Disconnected>");
    CloseLink();
    AttemptFailed();
    ConnectAgainSoon(true);
    ports_.r.setEnabled(true);
}

void Connection::Dead(std::int64_t quietMs) {
    writer_.Line(LogTarget::Main, colour::kRed,
                 "Nothing from the server for " + std::to_string(quietMs / 1000) + " s");
    ports_.window.setChannelLabel("<Disconnected>");
    CloseLink();
    SessionEnded(true);
    ports_.r.setEnabled(true);
}

void Connection::Tick() {
    if (state_ != State::Connected) {
        return;
    }
    const std::int64_t now = ports_.clock.steadyMs();
    if (!named_) {
        const std::int64_t limit = TimeoutMs(settings_.LoginTimeout, kLoginTimeoutSeconds);
        if (limit > 0 && now - connectedMs_ >= limit) {
            GiveUp("Login timed out");
        }
        return;
    }
    const std::int64_t silence = TimeoutMs(settings_.SilenceTimeout, kSilenceTimeoutSeconds);
    const std::int64_t quiet = now - lastArrivalMs_;
    if (silence <= 0) {
        return;
    }
    const std::int64_t probeAt = silence * 2 / 3;
    if (!probed_) {
        // One probe a silence: whatever the server sends next, its answer included, ends it.
        // It goes even when the silence is whole already: a tick that came late (a busy
        // machine) must not take a live connection for a dead one unasked.
        if (quiet >= probeAt) {
            probed_ = true;
            probedMs_ = now;
            Send({"/whois " + ownName_}, SendQueue::Kind::Probe);
        }
        return;
    }
    if (quiet >= silence && now - probedMs_ >= silence - probeAt) {
        Dead(quiet);
    }
}

void Connection::Arrived() {
    lastArrivalMs_ = ports_.clock.steadyMs();
    probed_ = false;
}

void Connection::LoggedIn(std::string_view ownName) {
    named_ = true;
    ownName_ = ownName;
    failedAttempts_ = 0;
}

void Connection::r_timer() {
    if (ports_.link.isOpen()) {
        ports_.r.setEnabled(false);
        return;
    }
    // A slow server gets its chance: an attempt under way is left to finish unless it has
    // been running for ten seconds.
    if (state_ == State::Connecting) {
        if (ports_.clock.steadyMs() - attemptStartMs_ < kAttemptTimeoutMs) {
            return;
        }
        AttemptFailed();
    }
    // The last attempt never got in, or it would be connected or under way; the next one
    // keeps its distance from it.
    ConnectAgainSoon(true);
}

void Connection::retry_timer() {
    const bool notice = waitingOwesNotice_;
    CancelWaitingAttempt();
    if (state_ == State::Down) {
        StartAttempt(notice);
    }
}

void Connection::mnuConnect_Click() {
    writer_.Line(LogTarget::Main, colour::kGreen, edition_.connectMenuText);
    failedAttempts_ = shortSessions_ = 0;
    CloseSocket();
    ConnectToServer();
}

void Connection::mnuDisconnect_Click() {
    failedAttempts_ = shortSessions_ = 0;
    CloseSocket();
    if (emptyUserList_) {
        emptyUserList_();
    }
    ports_.window.setChannelLabel("<Disconnected>");
    writer_.Line(LogTarget::Main, edition_.disconnectColour, "Socket Closed");
}

void Connection::mnuReconnect_Click() {
    failedAttempts_ = shortSessions_ = 0;
    CloseSocket();
    writer_.Line(LogTarget::Main, edition_.disconnectColour, "Reconnecting");
    ports_.window.setChannelLabel("<Disconnected>");
    if (emptyUserList_) {
        emptyUserList_();
    }
    ConnectToServer();
}

void Connection::Reconnect() {
    CloseSocket();
    ConnectToServer();
}

void Connection::send_timer() {
    WriteDue();
}

std::optional<std::string> Connection::Unsendable(std::string_view line) const {
    if (SendQueue::BreaksLine(line)) {
        return "the line " + std::string(BreakingByte(line));
    }
    if (SendQueue::TooLong(SendQueue::PaceOf(settings_.SendQuota, settings_.SendWindow), line)) {
        return TooLongWhy(line.size());
    }
    return std::nullopt;
}

Connection::Sent Connection::Refuse(std::string_view text, SendQueue::Kind kind, std::string why,
                                    std::string_view told) {
    if (kind == SendQueue::Kind::Moderation) {
        TellFate(text, kind, Fate::Unsendable, why);
    } else {
        Report(lastRefusalReportMs_, told);
    }
    return {false, std::move(why)};
}

Connection::Sent Connection::Send(std::initializer_list<std::string_view> lines,
                                  SendQueue::Kind kind) {
    // The first line is the text; an empty line may follow it (see SendEntered).
    const std::string_view text = *lines.begin();
    const bool moderation = kind == SendQueue::Kind::Moderation;
    if (SendQueue::BreaksLine(text)) {
        const std::string_view holds = BreakingByte(text);
        return Refuse(text, kind, "the line " + std::string(holds),
                      "Line not sent: it " + std::string(holds));
    }
    if (!ports_.link.isOpen()) {
        if (moderation) {
            TellFate(text, kind, Fate::Discarded);
        }
        return {false, "not connected"};
    }
    queue_.setPace(SendQueue::PaceOf(settings_.SendQuota, settings_.SendWindow));
    switch (queue_.Add(lines, kind)) {
        case SendQueue::Added::Queued:
            break;
        case SendQueue::Added::QueuedPushingOutChat:
            ReportFull();
            break;
        case SendQueue::Added::Full:
            ReportFull();
            if (moderation) {
                TellFate(text, kind, Fate::Dropped);
            }
            return {false, "the send queue is full"};
        case SendQueue::Added::TooLong:
            return Refuse(text, kind, TooLongWhy(text.size()),
                          "Line too long to send (" + std::to_string(text.size()) + " bytes)");
    }
    WriteDue();
    return {true, ""};
}

void Connection::WriteDue() {
    ports_.send.setEnabled(false);
    if (!ports_.link.isOpen()) {
        DiscardWaiting();
        return;
    }
    queue_.setPace(SendQueue::PaceOf(settings_.SendQuota, settings_.SendWindow));
    const std::int64_t now = ports_.clock.steadyMs();
    std::string due;
    std::vector<SendQueue::Line> taken;
    if (queue_.TakeDue(now, due, &taken) > 0) {
        ports_.link.write(due);
    }
    if (const auto wait = queue_.WaitMs(now)) {
        ports_.send.setInterval(static_cast<int>(std::clamp<std::int64_t>(*wait, 1, INT_MAX)));
        ports_.send.setEnabled(true);
    }
    ShowWaiting();
    // Plain chat, typed or not, draws no answer from the server; every command does.
    for (const SendQueue::Line& line : taken) {
        if (line.kind == SendQueue::Kind::Moderation || line.kind == SendQueue::Kind::Probe ||
            line.text.starts_with('/')) {
            TellFate(line.text, line.kind, Fate::Written);
        }
    }
}

void Connection::HoldSending() {
    queue_.Hold(ports_.clock.steadyMs());
    if (queue_.waiting() > 0) {
        WriteDue();
    }
}

void Connection::DiscardWaiting() {
    ports_.send.setEnabled(false);
    const std::vector<std::string> moderation = queue_.Discard();
    ShowWaiting();
    for (const std::string& line : moderation) {
        TellFate(line, SendQueue::Kind::Moderation, Fate::Discarded);
    }
}

void Connection::TellFate(std::string_view text, SendQueue::Kind kind, Fate fate,
                          std::string_view why) {
    if (lineFate_) {
        lineFate_(text, kind, fate, why);
    }
}

void Connection::ReportFull() {
    Report(lastFullReportMs_, "Send queue full: line dropped");
}

void Connection::Report(std::optional<std::int64_t>& lastMs, std::string_view text) {
    const std::int64_t now = ports_.clock.steadyMs();
    if (lastMs && now - *lastMs < kFullReportGapMs && now >= *lastMs) {
        return;
    }
    lastMs = now;
    writer_.Line(LogTarget::Main, colour::kRed, text);
}

void Connection::ShowWaiting() {
    if (queue_.waiting() == shownWaiting_) {
        return;
    }
    shownWaiting_ = queue_.waiting();
    if (waitingChanged_) {
        waitingChanged_();
    }
}

}  // namespace varno
