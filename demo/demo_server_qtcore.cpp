#include "demo/demo_server_qtcore.h"

#include <cstdio>

namespace varno::demo {

DemoServer::DemoServer(DemoServerOptions options)
    : options_(std::move(options)),
      random_(options_.seed),
      model_(*this, *this, options_.gateway),
      cast_(model_, *this, random_, options_.castChannel, options_.timing) {
    elapsed_.start();
    ticker_.setInterval(kTickMs);
    connect(&ticker_, &QTimer::timeout, this, &DemoServer::tick);
    connect(&server_, &QTcpServer::newConnection, this, &DemoServer::accept);
}

DemoServer::~DemoServer() {
    for (auto& [id, socket] : sockets_) {
        if (socket) {
            socket->disconnect(this);
            socket->abort();
        }
    }
}

bool DemoServer::listen() {
    return server_.listen(options_.address, options_.port);
}

void DemoServer::accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (sockets_.size() >= options_.maxConnections) {
            if (!refusing_) {
                std::fprintf(stderr,
                             "DemoGateway: %zu connections open; new ones are refused until one "
                             "ends\n",
                             sockets_.size());
                refusing_ = true;
            }
            socket->abort();
            socket->deleteLater();
            continue;
        }
        refusing_ = false;
        const SessionId id = nextId_++;
        sockets_[id] = socket;
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::readyRead, this, [this, id, socket] {
            const QByteArray bytes = socket->readAll();
            model_.receive(id, std::string_view(bytes.constData(), bytes.size()));
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, id, socket] {
            sockets_.erase(id);
            model_.closed(id);
            socket->deleteLater();
        });
        model_.open(id, socket->peerAddress().toString().toStdString());
        ticker_.start();
    }
}

void DemoServer::tick() {
    model_.tick();
    cast_.tick();
    if (!model_.hasSessions() && !cast_.active()) {
        ticker_.stop();
    }
}

void DemoServer::send(SessionId id, std::string_view bytes) {
    const auto it = sockets_.find(id);
    if (it == sockets_.end() || !it->second) {
        return;
    }
    if (static_cast<std::size_t>(it->second->bytesToWrite()) + bytes.size() >
        options_.maxPendingBytes) {
        drop(id);
        return;
    }
    it->second->write(bytes.data(), static_cast<qint64>(bytes.size()));
    it->second->flush();
}

void DemoServer::drop(SessionId id) {
    const auto it = sockets_.find(id);
    if (it == sockets_.end()) {
        return;
    }
    QPointer<QTcpSocket> socket = it->second;
    sockets_.erase(it);
    if (socket) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    QTimer::singleShot(0, this, [this, id] { model_.closed(id); });
}

void DemoServer::close(SessionId id) {
    const auto it = sockets_.find(id);
    if (it == sockets_.end()) {
        return;
    }
    QPointer<QTcpSocket> socket = it->second;
    sockets_.erase(it);
    if (socket) {
        socket->disconnect(this);
        if (socket->state() == QAbstractSocket::UnconnectedState) {
            socket->deleteLater();
            return;
        }
        // What was sent last still goes out before the connection ends.
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->disconnectFromHost();
    }
}

}  // namespace varno::demo
