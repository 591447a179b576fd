#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

namespace varno::test {

// A loopback address of this test process's own (127.x.y.z from the process id), so that
// tests in parallel processes each have a port 6112 to themselves.
QHostAddress OwnLoopbackAddress(int salt = 0);

// What a gateway answers to a line of the client own: a ban, kick or unban done, as real
// servers word it ("NAME has been banned by OWN (reason).", "NAME has been kicked by OWN.",
// "NAME is no longer banned from this channel." or "That user is not banned."), or refused
// when the client is no channel operator. banned holds the names banned so far (lower case).
// Nothing for any other line.
QByteArray ModerationReply(const QByteArray& line, const QByteArray& own, bool channelOperator,
                           QSet<QByteArray>& banned);

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

    // From now on, every ban, kick and unban that arrives is answered (see ModerationReply).
    void answerModeration(const QByteArray& own) { own_ = own; }

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
    QByteArray own_;      // answers moderation lines when set
    QByteArray partial_;  // of the current connection, while answering
    QSet<QByteArray> banned_;
};

}  // namespace varno::test
