#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QThread>
#include <mutex>

namespace varno::test {

// A chat gateway that punishes floods as a real one does, with the window scaled for quick
// tests. Every line a connection sends after the login's name and password costs a unit per
// 40 bytes begun, at least one; an emote ("/me", "/emote") costs its text's units once more.
// A line that would take the units of the last windowMs past the quota, or a line over 200
// bytes, is dropped with a 1019 error (the command one for an emote) and counts all the
// same; at closeAt units the gateway closes the connection.
//
// Told so, it also plays a channel the client moderates: it names the client and its channel
// after the login, answers bans, kicks and unbans as a real gateway does (GatewayReply),
// loses every Nth of them without a word, closes the first connection after a number of
// lines, or closes every connection on which a ban, kick or unban arrives (a server that
// drops a client for a line it can't take).
//
// It runs on a thread of its own, so that a line is timed when it arrives and not when the
// window under test, busy on the main thread, lets the event loop turn.
class FloodGateway {
public:
    struct Rule {
        int windowMs = 5000;
        int quota = 4;
        int closeAt = 10;
        bool answerModeration = false;
        bool channelOperator = true;
        int loseEveryNthModeration = 0;  // 0: none
        int closeFirstAfterLines = 0;    // counted lines; 0: never
        bool closeOnModeration = false;
    };

    FloodGateway(QHostAddress address, Rule rule);
    ~FloodGateway();
    FloodGateway(const FloodGateway&) = delete;
    FloodGateway& operator=(const FloodGateway&) = delete;

    bool listen();
    QString host() const { return address_.toString(); }
    void send(const QByteArray& bytes);  // to the current connection

    QByteArray received() const;  // every byte of the current (last) connection
    int connectionCount() const;
    int worstWindowUnits() const;  // the most units a window held, dropped lines included
    int droppedLines() const;
    int floodCloses() const;  // connections closed for flooding
    // How often each name (lower case) was banned, and the moderation lines lost on purpose.
    QMap<QByteArray, int> bans() const;
    int lostModeration() const;
    int moderationLines() const;  // bans, kicks and unbans that arrived, on every connection

    // Runs the event loop until the current connection has sent bytes, or ms pass.
    bool waitForReceived(const QByteArray& bytes, int ms = 5000) const;
    bool waitForConnections(int n, int ms = 5000) const;

    class Worker;

private:
    // What the gateway has seen, shared between its thread and the test.
    struct Seen {
        QByteArray received;
        int connections = 0;
        int worstUnits = 0;
        int dropped = 0;
        int floodCloses = 0;
        QMap<QByteArray, int> bans;
        int lostModeration = 0;
        int moderationLines = 0;
    };
    template <typename F>
    auto read(F f) const {
        const std::lock_guard lock(mutex_);
        return f(seen_);
    }

    QHostAddress address_;
    Rule rule_;
    QThread thread_;
    Worker* worker_ = nullptr;
    mutable std::mutex mutex_;
    mutable Seen seen_;
};

}  // namespace varno::test
