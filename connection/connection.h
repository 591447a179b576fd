#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/edition.h"
#include "base/timer.h"
#include "base/window_port.h"
#include "connection/link.h"
#include "connection/send_queue.h"
#include "connection/settings.h"
#include "log/log_writer.h"

namespace varno {

inline constexpr std::uint16_t kServerPort = 6112;

// The life of the connection to the chat server: connect, log in, notice a drop and connect
// again, the Connection menu, and the send path every outgoing line takes.
class Connection {
public:
    enum class State { Down, Connecting, Connected };

    struct Ports {
        Link& link;
        Timer& r;      // the reconnect timer
        Timer& retry;  // runs a deferred connect once (see sck_Error)
        Timer& send;   // wakes the send queue once, only while lines wait
        Clock& clock;
        WindowPort& window;
    };

    Connection(const Edition& edition, const Settings& settings, LogWriter& writer, Ports ports);

    // Called at every connect (the dispatcher starts afresh) and whenever the user list is
    // to be emptied.
    void setOnConnect(std::function<void()> f) { onConnect_ = std::move(f); }
    void setEmptyUserList(std::function<void()> f) { emptyUserList_ = std::move(f); }
    // Whether the server has sent an event line on the current connection.
    void setSawEventLine(std::function<bool()> f) { sawEventLine_ = std::move(f); }
    // Called whenever the number of lines waiting to be sent changes.
    void setWaitingChanged(std::function<void()> f) { waitingChanged_ = std::move(f); }

    // What became of a moderation line: written to the socket, dropped by the queue (full
    // or too long), or discarded unwritten because the connection closed.
    enum class Fate { Written, Dropped, Discarded };
    // Called once per moderation line given to SendModeration (a line given while the socket
    // is closed is discarded). It must not send: it may run in the middle of the send path.
    void setModerationFate(std::function<void(std::string_view line, Fate fate)> f) {
        moderationFate_ = std::move(f);
    }

    // The last steps of start-up: caption, the interval of r, connect.
    void Start();

    void sck_connect();
    void sck_Close();
    void sck_Error();
    void r_timer();
    void retry_timer();
    void send_timer();
    void mnuConnect_Click();
    void mnuDisconnect_Click();
    void mnuReconnect_Click();
    // The trigger command "reconnect": close and connect, nothing else.
    void Reconnect();

    // Send text + CR LF while connected; drop it otherwise. A text holding a CR or LF
    // outside a CR LF pair is dropped too: it would reach the server as other lines. The
    // lines go through the send queue, at the pace the SendQuota and SendWindow settings ask.
    void SendChat(std::string_view text) { Send(text, SendQueue::Kind::Chat); }
    void SendLine(std::string_view text) { SendChat(text); }
    // A moderation line (a ban, kick or unban): it goes ahead of the chat lines that wait.
    void SendModeration(std::string_view text) { Send(text, SendQueue::Kind::Moderation); }

    // The gateway said it dropped a line: nothing more goes for a whole SendWindow.
    void HoldSending();

    State state() const { return state_; }
    // Connected, and the server has sent an event line on this connection: it let us in.
    bool letIn() const { return state_ == State::Connected && (!sawEventLine_ || sawEventLine_()); }
    // Whether lines are paced (SendQuota above 0).
    bool paced() const { return SendQueue::PaceOf(settings_.SendQuota, settings_.SendWindow).on(); }
    std::int64_t sendWindowMs() const {
        return SendQueue::PaceOf(settings_.SendQuota, settings_.SendWindow).windowMs;
    }
    std::size_t waitingLines() const { return queue_.waiting(); }

    // After an attempt that never got in (refused, unreachable, timed out, or closed before
    // any event line), the timer r, the close and error handlers and the retry timer start
    // no new attempt sooner than this after it started. The menu commands, the trigger
    // command and the drop of a connection that got in connect at once.
    static constexpr std::int64_t kMinAttemptGapMs = 1000;
    // An attempt still under way at a tick of r is left alone until it is this old.
    static constexpr std::int64_t kAttemptTimeoutMs = 10000;
    static constexpr int kInitialInterval = 100;
    // "Send queue full" is logged no more often than this.
    static constexpr std::int64_t kFullReportGapMs = 1000;

private:
    void SetCaption();
    void CloseSocket();
    void ConnectToServer();
    void CancelWaitingAttempt();
    // Closes and connects; notice: write "Server Down.. Reconnecting.." as it starts.
    void StartAttempt(bool notice);
    // StartAttempt at once, or as the one waiting attempt when the last one began less than
    // kMinAttemptGapMs ago.
    void ConnectAgainSoon(bool notice);
    void Lost();  // sck_Close and sck_Error
    void Send(std::string_view text, SendQueue::Kind kind);
    void WriteDue();  // writes what the pace allows and wakes the queue when more may go
    void DiscardWaiting();
    void ReportFull();
    void ShowWaiting();
    void TellFate(std::string_view text, Fate fate);

    const Edition& edition_;
    const Settings& settings_;
    LogWriter& writer_;
    Ports ports_;
    State state_ = State::Down;
    std::int64_t attemptStartMs_ = 0;
    bool waitingOwesNotice_ = false;
    std::function<void()> onConnect_;
    std::function<void()> emptyUserList_;
    std::function<bool()> sawEventLine_;
    std::function<void()> waitingChanged_;
    std::function<void(std::string_view, Fate)> moderationFate_;
    SendQueue queue_;
    std::size_t shownWaiting_ = 0;
    std::optional<std::int64_t> lastFullReportMs_;
};

// The Delay setting as a whole number of milliseconds, if it is one.
std::optional<int> ParseDelay(std::string_view text);

}  // namespace varno
