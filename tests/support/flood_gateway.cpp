#include "support/flood_gateway.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <deque>

#include "support/gateway_server.h"

namespace varno::test {

// Lives on the gateway's thread: the listening socket, the current connection and its count
// of units. What the test may read goes to Seen under the lock.
class FloodGateway::Worker : public QObject {
public:
    explicit Worker(FloodGateway& gateway) : gateway_(gateway) { clock_.start(); }

    bool listen() {
        server_ = new QTcpServer(this);
        connect(server_, &QTcpServer::newConnection, this, [this] { accept(); });
        return server_->listen(gateway_.address_, 6112);
    }

    void send(const QByteArray& bytes) {
        if (current_) {
            current_->write(bytes);
            current_->flush();
        }
    }

    void stop() {
        if (current_) {
            current_->abort();
        }
        delete server_;
    }

private:
    struct Counted {
        qint64 atMs;
        int units;
    };

    void accept() {
        while (QTcpSocket* s = server_->nextPendingConnection()) {
            if (current_) {
                current_->abort();
                current_->deleteLater();
            }
            current_ = s;
            partial_.clear();
            lines_ = 0;
            closed_ = false;
            counted_.clear();
            gateway_.read([](Seen& seen) {
                seen.received.clear();
                ++seen.connections;
                return 0;
            });
            connect(s, &QTcpSocket::readyRead, this, [this, s] { arrived(s); });
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    }

    void arrived(QTcpSocket* s) {
        const qint64 now = clock_.elapsed();
        const QByteArray bytes = s->readAll();
        if (s != current_) {
            return;
        }
        gateway_.read([&](Seen& seen) {
            seen.received += bytes;
            return 0;
        });
        partial_ += bytes;
        for (qsizetype end = partial_.indexOf("\r\n"); end >= 0 && !closed_;
             end = partial_.indexOf("\r\n")) {
            const QByteArray line = partial_.left(end);
            partial_.remove(0, end + 2);
            ++lines_;
            if (lines_ == 1) {
                own_ = line.mid(1);  // after the protocol byte
            }
            if (lines_ > 2 && !police(now, line)) {  // the name and password don't count
                answer(line);
            }
        }
    }

    static int Units(qsizetype length) { return std::max(1, static_cast<int>((length + 39) / 40)); }

    // The gateway's side of a line it took: the greeting after the login, the answer to a
    // moderation line, and the planned close.
    void answer(const QByteArray& line) {
        const Rule& rule = gateway_.rule_;
        if (lines_ == 3 && rule.answerModeration) {
            send("2010 NAME " + own_ + "\r\n1007 CHANNEL \"" + line.mid(6) + "\"\r\n");
        }
        const QByteArray reply = GatewayReply(line, own_, rule.channelOperator, banned_);
        const bool moderation = !reply.isEmpty() && !line.toLower().startsWith("/whois");
        if (moderation) {
            gateway_.read([](Seen& seen) { return ++seen.moderationLines; });
        }
        if (moderation && rule.closeOnModeration) {
            closed_ = true;
            current_->disconnectFromHost();
            return;
        }
        if (rule.answerModeration) {
            if (!reply.isEmpty()) {
                const bool lose = moderation && rule.loseEveryNthModeration > 0 &&
                                  ++moderation_ % rule.loseEveryNthModeration == 0;
                gateway_.read([&](Seen& seen) {
                    seen.lostModeration += lose ? 1 : 0;
                    if (!lose && reply.contains(" has been banned by ")) {
                        ++seen.bans[line.split(' ').value(1).toLower()];
                    }
                    return 0;
                });
                if (lose) {
                    banned_.remove(line.split(' ').value(1).toLower());
                } else {
                    send(reply);
                }
            }
        }
        if (rule.closeFirstAfterLines > 0 && lines_ - 2 == rule.closeFirstAfterLines &&
            gateway_.connectionCount() == 1) {
            closed_ = true;
            current_->disconnectFromHost();
        }
    }

    // Counts the line against the flood rule; true when the gateway dropped it.
    bool police(qint64 now, const QByteArray& line) {
        const qsizetype length = line.size();
        const Rule& rule = gateway_.rule_;
        while (!counted_.empty() && now - counted_.front().atMs >= rule.windowMs) {
            counted_.pop_front();
        }
        const QByteArray lower = line.toLower();
        const qsizetype emote = lower.startsWith("/me ") ? 4 : lower.startsWith("/emote ") ? 7 : -1;
        const int own = Units(length) + (emote < 0 ? 0 : Units(length - emote));
        int units = own;  // in the window, this line's included
        for (const Counted& c : counted_) {
            units += c.units;
        }
        counted_.push_back({now, own});
        const bool drop = units > rule.quota || length > 200;
        closed_ = units >= rule.closeAt;
        gateway_.read([&](Seen& seen) {
            seen.worstUnits = std::max(seen.worstUnits, units);
            seen.dropped += drop ? 1 : 0;
            seen.floodCloses += closed_ ? 1 : 0;
            return 0;
        });
        if (drop) {
            send(emote < 0 ? QByteArray("1019 ERROR \"Your message quota has been exceeded!\"\r\n")
                           : QByteArray("1019 ERROR \"You are sending commands to Gateway too "
                                        "quickly and risk being disconnected for flooding. "
                                        "Please slow down.\"\r\n"));
        }
        if (closed_) {
            current_->disconnectFromHost();
        }
        return drop;
    }

    FloodGateway& gateway_;
    QElapsedTimer clock_;
    QTcpServer* server_ = nullptr;
    QPointer<QTcpSocket> current_;
    QByteArray partial_;
    int lines_ = 0;
    int moderation_ = 0;  // moderation lines answered or lost, over every connection
    QByteArray own_;
    QSet<QByteArray> banned_;
    bool closed_ = false;
    std::deque<Counted> counted_;
};

FloodGateway::FloodGateway(QHostAddress address, Rule rule)
    : address_(std::move(address)), rule_(rule) {
    worker_ = new Worker(*this);
    worker_->moveToThread(&thread_);
    thread_.start();
}

FloodGateway::~FloodGateway() {
    QMetaObject::invokeMethod(
        worker_, [this] { worker_->stop(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
    delete worker_;
}

bool FloodGateway::listen() {
    bool listening = false;
    QMetaObject::invokeMethod(
        worker_, [&] { listening = worker_->listen(); }, Qt::BlockingQueuedConnection);
    return listening;
}

void FloodGateway::send(const QByteArray& bytes) {
    QMetaObject::invokeMethod(worker_, [this, bytes] { worker_->send(bytes); });
}

QByteArray FloodGateway::received() const {
    return read([](const Seen& seen) { return seen.received; });
}

int FloodGateway::connectionCount() const {
    return read([](const Seen& seen) { return seen.connections; });
}

int FloodGateway::worstWindowUnits() const {
    return read([](const Seen& seen) { return seen.worstUnits; });
}

int FloodGateway::droppedLines() const {
    return read([](const Seen& seen) { return seen.dropped; });
}

int FloodGateway::floodCloses() const {
    return read([](const Seen& seen) { return seen.floodCloses; });
}

QMap<QByteArray, int> FloodGateway::bans() const {
    return read([](const Seen& seen) { return seen.bans; });
}

int FloodGateway::lostModeration() const {
    return read([](const Seen& seen) { return seen.lostModeration; });
}

int FloodGateway::moderationLines() const {
    return read([](const Seen& seen) { return seen.moderationLines; });
}

bool FloodGateway::waitForReceived(const QByteArray& bytes, int ms) const {
    return GatewayServer::waitUntil([&] { return received().contains(bytes); }, ms);
}

bool FloodGateway::waitForConnections(int n, int ms) const {
    return GatewayServer::waitUntil([&] { return connectionCount() >= n; }, ms);
}

}  // namespace varno::test
