#include "support/gateway_server.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
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

QByteArray ModerationReply(const QByteArray& line, const QByteArray& own, bool channelOperator,
                           QSet<QByteArray>& banned) {
    const qsizetype blank = line.indexOf(' ');
    const QByteArray command = line.left(blank).toLower();
    if (blank < 0 || (command != "/ban" && command != "/kick" && command != "/unban")) {
        return {};
    }
    if (!channelOperator) {
        return "1019 ERROR \"You have to be at least a Channel Operator to use this command.\"\r\n";
    }
    const QByteArray rest = line.mid(blank + 1);
    const qsizetype end = rest.indexOf(' ');
    const QByteArray name = end < 0 ? rest : rest.left(end);
    const QByteArray reason = end < 0 ? QByteArray() : rest.mid(end + 1);
    if (command == "/unban") {
        return banned.remove(name.toLower())
                   ? "1018 INFO \"" + name + " is no longer banned from this channel.\"\r\n"
                   : QByteArray("1019 ERROR \"That user is not banned.\"\r\n");
    }
    if (command == "/ban") {
        banned.insert(name.toLower());
    }
    return "1018 INFO \"" + name + " has been " + (command == "/ban" ? "banned" : "kicked") +
           " by " + own + (reason.isEmpty() ? QByteArray() : " (" + reason + ")") + ".\"\r\n";
}

GatewayServer::GatewayServer(QHostAddress address, quint16 port)
    : address_(std::move(address)), port_(port) {
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = server_.nextPendingConnection()) {
            if (current_) {
                current_->abort();
                current_->deleteLater();
            }
            current_ = s;
            currentBytes_.clear();
            partial_.clear();
            ++connections_;
            connect(s, &QTcpSocket::readyRead, this, [this, s] {
                const QByteArray bytes = s->readAll();
                all_ += bytes;
                if (s != current_) {
                    return;
                }
                currentBytes_ += bytes;
                if (own_.isEmpty()) {
                    return;
                }
                partial_ += bytes;
                for (qsizetype end = partial_.indexOf("\r\n"); end >= 0;
                     end = partial_.indexOf("\r\n")) {
                    send(ModerationReply(partial_.left(end), own_, true, banned_));
                    partial_.remove(0, end + 2);
                }
            });
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
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
    if (current_) {
        current_->write(bytes);
        current_->flush();
    }
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
