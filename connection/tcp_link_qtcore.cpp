#include "connection/tcp_link_qtcore.h"

namespace varno {

TcpLink::TcpLink(QObject* parent) : QObject(parent) {}

TcpLink::~TcpLink() {
    detach();
}

bool TcpLink::open(const std::string& host, std::uint16_t port) {
    detach();
    if (host.empty()) {
        return false;
    }
    auto* socket = new QTcpSocket(this);
    socket->setReadBufferSize(kReadBuffer);
    socket_ = socket;
    connect(socket, &QTcpSocket::connected, this, [this, socket] {
        // Each line leaves when it is written, not when the last one is acknowledged: the
        // send queue paces lines by the time it writes them.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        if (events_.connected) {
            events_.connected();
        }
    });
    connect(socket, &QTcpSocket::readyRead, this, &TcpLink::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &TcpLink::onDisconnected);
    connect(socket, &QTcpSocket::errorOccurred, this, &TcpLink::onError);
    socket->connectToHost(QString::fromUtf8(host.data(), static_cast<qsizetype>(host.size())),
                          port);
    return true;
}

void TcpLink::detach() {
    if (!socket_) {
        return;
    }
    QTcpSocket* socket = socket_;
    socket_ = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void TcpLink::close() {
    detach();
}

bool TcpLink::isOpen() const {
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

void TcpLink::write(std::string_view bytes) {
    if (socket_) {
        socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
        // Handed to the system at once, not at the next turn of the event loop: the send
        // queue counts a line from the moment it is written.
        socket_->flush();
    }
}

void TcpLink::onReadyRead() {
    if (!readQueued_) {
        readChunk();
    }
}

// One block of at most kReadChunk bytes; what is left waits for the next turn.
void TcpLink::readChunk() {
    readQueued_ = false;
    deliverChunk();
    if (socket_ && socket_->bytesAvailable() > 0) {
        readQueued_ = true;
        QMetaObject::invokeMethod(this, &TcpLink::readChunk, Qt::QueuedConnection);
    }
}

// Everything still waiting, before the connection is given up.
void TcpLink::readAll() {
    while (socket_ && socket_->bytesAvailable() > 0) {
        deliverChunk();
    }
}

// A handler may close the link while it runs.
void TcpLink::deliverChunk() {
    if (!socket_ || socket_->bytesAvailable() <= 0) {
        return;
    }
    const QByteArray block = socket_->read(kReadChunk);
    if (events_.data) {
        events_.data(std::string_view(block.constData(), static_cast<size_t>(block.size())));
    }
}

void TcpLink::onDisconnected() {
    readAll();
    detach();
    if (events_.closed) {
        events_.closed();
    }
}

void TcpLink::onError(QAbstractSocket::SocketError error) {
    if (error == QAbstractSocket::RemoteHostClosedError && socket_ &&
        socket_->state() != QAbstractSocket::UnconnectedState) {
        return;  // disconnected() follows and reports the close
    }
    if (error == QAbstractSocket::RemoteHostClosedError) {
        onDisconnected();
        return;
    }
    readAll();
    detach();
    if (events_.error) {
        events_.error();
    }
}

}  // namespace varno
