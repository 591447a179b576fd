#include "support/gateway_server.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QThread>

namespace varno::test {

QHostAddress OwnLoopbackAddress(int salt) {
    // The process id picks the second and third bytes and the salt the last, so that two
    // processes share no address unless their ids are more than 65,000 apart; folding both
    // into one number made a process and its sixth successor meet (salt 42 against 0).
    // 127.0.x.x is never used: it is left to what else runs on the machine.
    const auto pid = static_cast<quint32>(::getpid());
    const quint32 b = 1 + (pid >> 8) % 254;
    const quint32 c = pid & 0xFF;
    const quint32 d = 1 + static_cast<quint32>(salt) % 254;
    return QHostAddress((127u << 24) | (b << 16) | (c << 8) | d);
}

QByteArray GatewayReply(const QByteArray& line, const QByteArray& own, bool channelOperator,
                        QSet<QByteArray>& banned, const QSet<QByteArray>& administrators) {
    const qsizetype blank = line.indexOf(' ');
    const QByteArray command = line.left(blank).toLower();
    const QByteArray rest = line.mid(blank + 1);
    const qsizetype end = rest.indexOf(' ');
    const QByteArray name = end < 0 ? rest : rest.left(end);
    const QByteArray reason = end < 0 ? QByteArray() : rest.mid(end + 1);
    if (blank >= 0 && command == "/whois" && name.toLower() == own.toLower()) {
        return "1018 INFO \"" + own + " is using Chat and is currently in channel \"Lobby\".\"\r\n";
    }
    if (blank < 0 || (command != "/ban" && command != "/kick" && command != "/unban")) {
        return {};
    }
    const auto error = [](const QByteArray& text) { return "1019 ERROR \"" + text + "\"\r\n"; };
    if (!channelOperator) {
        return error(command == "/kick" ? "You have to be at least a Channel Operator or tempOP to "
                                          "use this command."
                     : command == "/unban"
                         ? "You are not a channel operator."
                         : "You have to be at least a Channel Operator to use this "
                           "command.");
    }
    if (command == "/unban") {
        return banned.remove(name.toLower())
                   ? "1018 INFO \"" + name + " is no longer banned from this channel.\"\r\n"
                   : error("That user is not banned.");
    }
    if (administrators.contains(name.toLower())) {
        return error(command == "/ban" ? "You cannot ban administrators."
                                       : "You cannot kick administrators.");
    }
    if (command == "/ban") {
        banned.insert(name.toLower());
    }
    return "1018 INFO \"" + name + " has been " + (command == "/ban" ? "banned" : "kicked") +
           " by " + own + (reason.isEmpty() ? QByteArray() : " (" + reason + ")") + ".\"\r\n";
}

GatewayServer::GatewayServer(QHostAddress address, quint16 port)
    : address_(std::move(address)), port_(port) {
    clock_.start();
    latency_.setTimerType(Qt::PreciseTimer);
    connect(&latency_, &QTimer::timeout, this, [this] {
        while (!delayed_.empty() && delayed_.front().first <= clock_.elapsed()) {
            const auto act = std::move(delayed_.front().second);
            delayed_.pop_front();
            act();
        }
        if (delayed_.empty()) {
            latency_.stop();
        }
    });
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = server_.nextPendingConnection()) {
            if (current_) {
                current_->abort();
                current_->deleteLater();
            }
            current_ = s;
            currentBytes_.clear();
            partial_.clear();
            lines_ = 0;
            ++connections_;
            connect(s, &QTcpSocket::readyRead, this, [this, s] {
                const QByteArray bytes = s->readAll();
                const QPointer<QTcpSocket> from = s;
                later([this, from, bytes] { arrived(from, bytes); });
            });
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
}

void GatewayServer::arrived(QTcpSocket* s, const QByteArray& bytes) {
    all_ += bytes;
    if (s == nullptr || s != current_) {
        return;
    }
    currentBytes_ += bytes;
    if (own_.isEmpty() && dropOn_.isEmpty() && greeting_.isEmpty()) {
        return;
    }
    partial_ += bytes;
    for (qsizetype end = partial_.indexOf("\r\n"); end >= 0 && current_;
         end = partial_.indexOf("\r\n")) {
        const QByteArray line = partial_.left(end);
        partial_.remove(0, end + 2);
        if (++lines_ == 3 && !greeting_.isEmpty()) {
            send(greeting_);
        }
        if (!dropOn_.isEmpty() && line.startsWith(dropOn_)) {
            if (dropAfterMs_ == 0) {
                closeConnection();
                return;
            }
            QTimer::singleShot(dropAfterMs_, this, [this, dropping = current_] {
                if (dropping && dropping == current_) {
                    closeConnection();
                }
            });
        }
        if (lose_.removeOne(line) || own_.isEmpty()) {
            continue;
        }
        send(GatewayReply(line, own_, true, banned_, administrators_));
    }
}

void GatewayServer::later(std::function<void()> act) {
    if (latencyMs_ == 0) {
        act();
        return;
    }
    delayed_.emplace_back(clock_.elapsed() + latencyMs_, std::move(act));
    if (!latency_.isActive()) {
        latency_.start(1);
    }
}

GatewayServer::~GatewayServer() {
    if (current_) {
        current_->abort();
    }
}

bool GatewayServer::listen() {
    server_.setMaxPendingConnections(64);
    return server_.listen(address_, port_);
}

void GatewayServer::stopListening() {
    server_.close();
}

QByteArray GatewayServer::received() const {
    return currentBytes_;
}

bool GatewayServer::connected() const {
    return current_ && current_->state() == QAbstractSocket::ConnectedState;
}

void GatewayServer::send(const QByteArray& bytes) {
    later([this, bytes] {
        if (current_) {
            current_->write(bytes);
            current_->flush();
        }
    });
}

void GatewayServer::sendBytewise(const QByteArray& bytes) {
    for (const char c : bytes) {
        if (!current_) {
            return;
        }
        current_->write(&c, 1);
        current_->flush();
        current_->waitForBytesWritten(100);
        QCoreApplication::processEvents();
    }
}

void GatewayServer::closeConnection() {
    if (current_) {
        current_->disconnectFromHost();
    }
}

void GatewayServer::resetConnection() {
    if (!current_) {
        return;
    }
    // A zero linger time makes the close send RST instead of FIN.
    const linger hard{1, 0};
    ::setsockopt(static_cast<int>(current_->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard,
                 sizeof hard);
    current_->abort();
}

bool GatewayServer::waitUntil(const std::function<bool()>& pred, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > ms) {
            return pred();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

bool GatewayServer::waitForConnections(int n, int ms) {
    return waitUntil([&] { return connections_ >= n; }, ms);
}

bool GatewayServer::waitForReceived(const QByteArray& bytes, int ms) {
    return waitUntil([&] { return currentBytes_.contains(bytes); }, ms);
}

}  // namespace varno::test
