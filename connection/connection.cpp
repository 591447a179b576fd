#include "connection/connection.h"

#include "base/whole_number.h"

#include <algorithm>
#include <climits>

namespace varno {
namespace {

// True when every CR and LF of text stands in a CR LF pair, so that the server reads the
// text as the lines it holds and no others. A name or message from the server may hold a
// lone CR or LF, which a gateway may take as a line end of its own.
bool OnlyWholeLineEnds(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) {
            return false;
        }
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            return false;
        }
    }
    return true;
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

void Connection::CloseSocket() {
    CancelWaitingAttempt();
    DiscardWaiting();
    ports_.link.close();
    state_ = State::Down;
}

void Connection::ConnectToServer() {
    CancelWaitingAttempt();
    if (onConnect_) {
        onConnect_();
    }
    attemptStartMs_ = ports_.clock.steadyMs();
    state_ = ports_.link.open(settings_.Server, kServerPort) ? State::Connecting : State::Down;
}

void Connection::StartAttempt(bool notice) {
    CloseSocket();
    ConnectToServer();
    if (notice) {
        writer_.Line(LogTarget::Main, colour::kRed, "Server Down.. Reconnecting..");
    }
}

void Connection::ConnectAgainSoon(bool notice) {
    const std::int64_t since = ports_.clock.steadyMs() - attemptStartMs_;
    if (since >= kMinAttemptGapMs || since < 0) {
        StartAttempt(notice);
        return;
    }
    // One attempt waits, whoever asks for it and however often; it writes the notice of a
    // tick that asked once, when it starts.
    waitingOwesNotice_ = waitingOwesNotice_ || notice;
    if (!ports_.retry.isEnabled()) {
        ports_.retry.setInterval(static_cast<int>(kMinAttemptGapMs - since));
        ports_.retry.setEnabled(true);
    }
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
    writer_.Line(LogTarget::Main, colour::kGreen, "Connected to Server");
}

void Connection::Lost() {
    // A connection on which the server had let the client in reconnects at once. An attempt
    // that never got through (a refused or unreachable server fails within a millisecond),
    // or a connection that the server closed before sending a single event line (a login
    // it refused), waits for its second, so that nothing connects in a tight loop.
    const bool wasIn = state_ == State::Connected && (!sawEventLine_ || sawEventLine_());
    ports_.window.setChannelLabel("<Disconnected>");
    ports_.link.close();
    state_ = State::Down;
    DiscardWaiting();
    if (wasIn) {
        ConnectToServer();
    } else {
        ConnectAgainSoon(false);
    }
    ports_.r.setEnabled(true);
    writer_.Line(LogTarget::Main, colour::kRed, "Connection Closed");
}

void Connection::sck_Close() {
    Lost();
}

void Connection::sck_Error() {
    Lost();
}

void Connection::r_timer() {
    if (ports_.link.isOpen()) {
        ports_.r.setEnabled(false);
        return;
    }
    // A slow server gets its chance: an attempt under way is left to finish unless it has
    // been running for ten seconds.
    if (state_ == State::Connecting &&
        ports_.clock.steadyMs() - attemptStartMs_ < kAttemptTimeoutMs) {
        return;
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
    CloseSocket();
    ConnectToServer();
}

void Connection::mnuDisconnect_Click() {
    CloseSocket();
    if (emptyUserList_) {
        emptyUserList_();
    }
    ports_.window.setChannelLabel("<Disconnected>");
    writer_.Line(LogTarget::Main, edition_.disconnectColour, "Socket Closed");
}

void Connection::mnuReconnect_Click() {
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

void Connection::Send(std::string_view text, SendQueue::Kind kind) {
    if (!ports_.link.isOpen() || !OnlyWholeLineEnds(text)) {
        if (kind == SendQueue::Kind::Moderation) {
            TellFate(text, ports_.link.isOpen() ? Fate::Dropped : Fate::Discarded);
        }
        return;
    }
    queue_.setPace(SendQueue::PaceOf(settings_.SendQuota, settings_.SendWindow));
    switch (queue_.Add(text, kind)) {
        case SendQueue::Added::Queued:
            break;
        case SendQueue::Added::QueuedPushingOutChat:
            ReportFull();
            break;
        case SendQueue::Added::Full:
            ReportFull();
            if (kind == SendQueue::Kind::Moderation) {
                TellFate(text, Fate::Dropped);
            }
            return;
        case SendQueue::Added::TooLong:
            writer_.Line(LogTarget::Main, colour::kRed,
                         "Line too long to send (" + std::to_string(SendQueue::LongestLine(text)) +
                             " bytes)");
            if (kind == SendQueue::Kind::Moderation) {
                TellFate(text, Fate::Dropped);
            }
            return;
    }
    WriteDue();
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
    std::vector<std::string> moderation;
    if (queue_.TakeDue(now, due, &moderation) > 0) {
        ports_.link.write(due);
    }
    if (const auto wait = queue_.WaitMs(now)) {
        ports_.send.setInterval(static_cast<int>(std::clamp<std::int64_t>(*wait, 1, INT_MAX)));
        ports_.send.setEnabled(true);
    }
    ShowWaiting();
    for (const std::string& line : moderation) {
        TellFate(line, Fate::Written);
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
        TellFate(line, Fate::Discarded);
    }
}

void Connection::TellFate(std::string_view text, Fate fate) {
    if (moderationFate_) {
        moderationFate_(text, fate);
    }
}

void Connection::ReportFull() {
    const std::int64_t now = ports_.clock.steadyMs();
    if (lastFullReportMs_ && now - *lastFullReportMs_ < kFullReportGapMs &&
        now >= *lastFullReportMs_) {
        return;
    }
    lastFullReportMs_ = now;
    writer_.Line(LogTarget::Main, colour::kRed, "Send queue full: line dropped");
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
