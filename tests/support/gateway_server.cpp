#include "support/gateway_server.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace varno::test {

QHostAddress OwnLoopbackAddress(int salt) {
    const quint32 id = static_cast<quint32>(::getpid()) * 7u + static_cast<quint32>(salt);
    const quint32 b = (id >> 16) & 0xFF;
    const quint32 c = (id >> 8) & 0xFF;
    const quint32 d = 1 + (id & 0xFF) % 253;
    return QHostAddress((127u << 24) | ((b % 254 + 1) << 16) | (c << 8) | d);
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
            ++connections_;
            connect(s, &QTcpSocket::readyRead, this, [this, s] {
                const QByteArray bytes = s->readAll();
                all_ += bytes;
                if (s == current_) {
                    currentBytes_ += bytes;
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
