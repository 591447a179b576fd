#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

namespace varno::test {

// A loopback address of this test process's own (127.x.y.z from the process id), so that
// tests in parallel processes each have a port 6112 to themselves.
QHostAddress OwnLoopbackAddress(int salt = 0);

// A scripted chat gateway: listens on port 6112 of a loopback address, records every byte
// each connection sends, and sends, closes or stops listening when the test says so.
class GatewayServer : public QObject {
    Q_OBJECT
public:
    explicit GatewayServer(QHostAddress address, quint16 port = 6112);
    ~GatewayServer() override;

    QHostAddress address() const { return address_; }
    QString host() const { return address_.toString(); }

    bool listen();
    void stopListening();  // refuses new connections; the current one stays
    bool isListening() const { return server_.isListening(); }

    int connectionCount() const { return connections_; }
    QByteArray received() const;  // all bytes of the current (last) connection
    QByteArray receivedAll() const { return all_; }
    bool connected() const;

    void send(const QByteArray& bytes);
    void sendBytewise(const QByteArray& bytes);  // one flushed write per byte
    void closeConnection();                      // orderly close of the current connection
    void resetConnection();                      // abort with SO_LINGER 0: the peer sees RST

    // Runs the event loop until pred holds or ms pass; returns pred().
    static bool waitUntil(const std::function<bool()>& pred, int ms = 5000);
    bool waitForConnections(int n, int ms = 5000);
    bool waitForReceived(const QByteArray& bytes, int ms = 5000);

private:
    QHostAddress address_;
    quint16 port_;
    QTcpServer server_;
    QPointer<QTcpSocket> current_;
    QByteArray currentBytes_;
    QByteArray all_;
    int connections_ = 0;
};

}  // namespace varno::test
