#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
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

    // Called whenever a connection that was connected goes away: dropped by the server,
    // closed by the program, or given up as dead. Lines written on it will get no answer.
    void setOnLost(std::function<void()> f) { onLost_ = std::move(f); }

    // What became of a line: written to the socket, dropped by the queue (full), discarded
    // unwritten because the connection closed, or never sendable (too long, or holding a CR,
    // LF or NUL; why says which).
    enum class Fate { Written, Dropped, Discarded, Unsendable };
    // Called once for every written line the server may answer (a line of the operator, a
    // deed or the probe, and every line that starts with '/'), the login's channel line
    // included, and for every moderation line that is not written. It must not send: it may
    // run in the middle of the send path.
    using LineFate = std::function<void(std::string_view line, SendQueue::Kind kind, Fate fate,
                                        std::string_view why)>;
    void setLineFate(LineFate f) { lineFate_ = std::move(f); }

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

    // Liveness, on the once-a-second tick: a connection that has not reached the server's
    // name line LoginTimeout seconds after it was made is given up ("Login timed out") and
    // tried again. A logged-in connection from which nothing has arrived for two thirds of
    // SilenceTimeout gets one probe (a whois of its own name: one unit, answered only to this
    // client, and its answer is not shown); silent for the whole of it, and for its last
    // third since the probe, the connection is dead and replaced. A gateway sends every logged-in
    // client a line each 120 s, so the defaults (30 s and 210 s) find a dead connection within four
    // minutes.
    void Tick();
    // A read from the server (any bytes).
    void Arrived();
    // The server's name line: the login is done, under this name.
    void LoggedIn(std::string_view ownName);

    // What became of a text given to the send path: queued (written at once, or waiting its
    // turn), or why not: "not connected", "the line holds a line end" (a CR or LF), "the line
    // holds a NUL byte", "the line is too long to send (209 bytes)" (while paced), "the send
    // queue is full".
    struct Sent {
        bool queued = false;
        std::string why;
    };

    // Every outgoing line takes this path: it sends text + CR LF while connected, through the
    // send queue, at the pace the SendQuota and SendWindow settings ask. Whoever gives it, a
    // text that holds a CR, LF or NUL is refused before the queue (see SendQueue::BreaksLine),
    // so that it never reaches the server as other lines or a shorter one; so is a line too
    // long, and one for which the queue has no room. A refusal is said in one red line, except
    // for a moderation line: its deed tells of it (see setLineFate). Any other text given
    // while disconnected is dropped without a word.
    Sent SendChat(std::string_view text) { return Send({text}, SendQueue::Kind::Chat); }
    Sent SendLine(std::string_view text) { return SendChat(text); }
    // A moderation line (a ban, kick or unban): it goes ahead of the chat lines that wait.
    Sent SendModeration(std::string_view text) { return Send({text}, SendQueue::Kind::Moderation); }
    // A line of the operator's: typed, or chosen in the user menu.
    Sent SendTyped(std::string_view text) { return Send({text}, SendQueue::Kind::Typed); }
    // The operator's Enter in the input line: the typed text, then an empty line, which wait
    // and go together (or neither does).
    Sent SendEntered(std::string_view text) { return Send({text, ""}, SendQueue::Kind::Typed); }
    // Why line can never be sent as it stands (see Sent), or nothing when it can.
    std::optional<std::string> Unsendable(std::string_view line) const;

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
    // no new attempt sooner than this after it started; with Backoff (on unless 0), each
    // failed attempt in a row doubles the gap, from Delay, up to kMaxAttemptGapMs, until a
    // login succeeds. The menu commands and the trigger command connect at once.
    static constexpr std::int64_t kMinAttemptGapMs = 1000;
    static constexpr std::int64_t kMaxAttemptGapMs = 30000;
    // A connection that got in and ended within kShortSessionMs of being made reconnects
    // after a wait, with Backoff: Delay (at least a second) for the first such session, each
    // one more in a row doubling it, up to kMaxSessionWaitMs. A session of kLongSessionMs
    // or more ends the row. A server that drops the client over and over is not hammered.
    static constexpr std::int64_t kShortSessionMs = 60000;
    static constexpr std::int64_t kLongSessionMs = 600000;
    static constexpr std::int64_t kMaxSessionWaitMs = 300000;
    // The defaults of LoginTimeout and SilenceTimeout, in seconds; 0 turns either off.
    static constexpr std::uint64_t kLoginTimeoutSeconds = 30;
    static constexpr std::uint64_t kSilenceTimeoutSeconds = 210;
    static constexpr std::uint64_t kTimeoutSecondsMax = 86400;
    // An attempt still under way at a tick of r is left alone until it is this old.
    static constexpr std::int64_t kAttemptTimeoutMs = 10000;
    static constexpr int kInitialInterval = 100;
    // "Send queue full" and "Line not sent" are each logged no more often than this.
    static constexpr std::int64_t kFullReportGapMs = 1000;

private:
    void SetCaption();
    // Drops the link and what waits to be sent; tells of a connection lost.
    void CloseLink();
    void CloseSocket();
    void ConnectToServer();
    void CancelWaitingAttempt();
    // Closes and connects; notice: write "Server Down.. Reconnecting.." as it starts.
    void StartAttempt(bool notice);
    // StartAttempt at once, or as the one waiting attempt when the next may not start yet.
    void ConnectAgainSoon(bool notice);
    // The attempt under way failed: the next waits for its gap.
    void AttemptFailed();
    // A connection that got in has gone: connect again, at once or after the session's wait.
    void SessionEnded(bool notice);
    void Lost();                        // sck_Close and sck_Error
    void GiveUp(std::string_view why);  // login timed out
    void Dead(std::int64_t quietMs);
    bool BackingOff() const;
    std::int64_t AttemptGapMs() const;
    std::int64_t SessionWaitMs() const;
    Sent Send(std::initializer_list<std::string_view> lines, SendQueue::Kind kind);
    // A text refused for why: one red line, told, or for a moderation line its fate.
    Sent Refuse(std::string_view text, SendQueue::Kind kind, std::string why,
                std::string_view told);
    void WriteDue();  // writes what the pace allows and wakes the queue when more may go
    void DiscardWaiting();
    void ReportFull();
    // One red line, unless the last of its kind (lastMs) came less than kFullReportGapMs ago:
    // a flood of refused lines (a script's, say) is told, not repeated.
    void Report(std::optional<std::int64_t>& lastMs, std::string_view text);
    void ShowWaiting();
    void TellFate(std::string_view text, SendQueue::Kind kind, Fate fate,
                  std::string_view why = "");

    const Edition& edition_;
    const Settings& settings_;
    LogWriter& writer_;
    Ports ports_;
    State state_ = State::Down;
    std::int64_t attemptStartMs_ = 0;
    std::int64_t connectedMs_ = 0;    // when the current connection was made
    std::int64_t lastArrivalMs_ = 0;  // the last read from it
    std::int64_t notBeforeMs_ = 0;    // no attempt of its own starts sooner
    int failedAttempts_ = 0;          // in a row, since the last login
    int shortSessions_ = 0;           // in a row
    bool named_ = false;              // the server's name line came on this connection
    bool probed_ = false;             // a probe went since the last read
    std::int64_t probedMs_ = 0;       // when it went
    std::string ownName_;
    bool waitingOwesNotice_ = false;
    std::function<void()> onConnect_;
    std::function<void()> onLost_;
    std::function<void()> emptyUserList_;
    std::function<bool()> sawEventLine_;
    std::function<void()> waitingChanged_;
    LineFate lineFate_;
    SendQueue queue_;
    std::size_t shownWaiting_ = 0;
    std::optional<std::int64_t> lastFullReportMs_;
    std::optional<std::int64_t> lastRefusalReportMs_;
};

// The Delay setting as a whole number of milliseconds, if it is one.
std::optional<int> ParseDelay(std::string_view text);

}  // namespace varno
