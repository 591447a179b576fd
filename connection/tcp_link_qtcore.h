#pragma once

#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <functional>

#include "connection/link.h"

namespace varno {

// The connection to the chat server over a QTcpSocket. Every attempt gets a socket of its
// own, and a socket that has reported its end (or was closed by the program) is detached
// at once, so no late signal of an old connection reaches the core.
class TcpLink : public QObject, public Link {
    Q_OBJECT
public:
    struct Events {
        std::function<void()> connected;
        std::function<void()> closed;  // by the peer
        std::function<void()> error;
        std::function<void(std::string_view)> data;
    };

    // Bytes handed to the data event per turn of the event loop, and the most the socket
    // buffers beyond what the system holds: a flood is read a piece at a time, so timers and
    // painting get their turn, and memory stays bounded whatever the server sends.
    static constexpr qint64 kReadChunk = 16 * 1024;
    static constexpr qint64 kReadBuffer = 256 * 1024;

    explicit TcpLink(QObject* parent = nullptr);
    ~TcpLink() override;

    void setEvents(Events events) { events_ = std::move(events); }
    bool open(const std::string& host, std::uint16_t port) override;
    void close() override;
    bool isOpen() const override;
    void write(std::string_view bytes) override;

private:
    void detach();
    void onError(QAbstractSocket::SocketError error);
    void onDisconnected();
    void onReadyRead();
    void readChunk();
    void readAll();
    void deliverChunk();

    QPointer<QTcpSocket> socket_;
    Events events_;
    bool readQueued_ = false;  // a readChunk() is posted to the event loop
};

}  // namespace varno
