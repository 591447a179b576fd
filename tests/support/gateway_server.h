#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <deque>
#include <functional>

namespace varno::test {

// A loopback address of this test process's own (127.x.y.z from the process id), so that
// tests in parallel processes each have a port 6112 to themselves.
QHostAddress OwnLoopbackAddress(int salt = 0);

// What a gateway answers to a line of the client's own, as real servers word it: a ban,
// kick or unban done ("NAME has been banned by OWN (reason).", "NAME has been kicked by
// OWN.", "NAME is no longer banned from this channel." or "That user is not banned."),
// refused when the client is no channel operator or the target one of the administrators
// (lower case), and a whois of the client's own name. banned holds the names banned so far
// (lower case). Nothing for any other line.
QByteArray GatewayReply(const QByteArray& line, const QByteArray& own, bool channelOperator,
                        QSet<QByteArray>& banned, const QSet<QByteArray>& administrators = {});

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

    // From now on, every ban, kick and unban that arrives is answered (see GatewayReply).
    void answerModeration(const QByteArray& own, QSet<QByteArray> administrators = {}) {
        own_ = own;
        administrators_ = std::move(administrators);
    }
    // A name the channel has banned already (for the answers to unbans).
    void banned(const QByteArray& name) { banned_.insert(name.toLower()); }
    // The next line that arrives equal to line is lost: not answered.
    void loseNext(const QByteArray& line) { lose_.push_back(line); }
    // Every line arrives, and every byte sent reaches the client, this much later: the
    // link of a server far away, over which replies cross lines in flight.
    void setLatency(int ms) { latencyMs_ = ms; }
    // Closes the connection whenever a line starting with prefix arrives, or afterMs later
    // (unless it was closed by then).
    void dropOn(const QByteArray& prefix, int afterMs = 0) {
        dropOn_ = prefix;
        dropAfterMs_ = afterMs;
    }
    // Sends bytes on every connection once its login block (the third line) has arrived.
    void greetEachLogin(const QByteArray& bytes) { greeting_ = bytes; }

    void send(const QByteArray& bytes);
    void sendBytewise(const QByteArray& bytes);  // one flushed write per byte
    void closeConnection();                      // orderly close of the current connection
    void resetConnection();                      // abort with SO_LINGER 0: the peer sees RST

    // Runs the event loop until pred holds or ms pass; returns pred().
    static bool waitUntil(const std::function<bool()>& pred, int ms = 5000);
    bool waitForConnections(int n, int ms = 5000);
    bool waitForReceived(const QByteArray& bytes, int ms = 5000);

private:
    void arrived(QTcpSocket* s, const QByteArray& bytes);
    // Runs act after the latency, in the order asked.
    void later(std::function<void()> act);

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
    QSet<QByteArray> administrators_;
    QList<QByteArray> lose_;
    QByteArray dropOn_;
    int dropAfterMs_ = 0;
    QByteArray greeting_;
    int lines_ = 0;  // of the current connection
    int latencyMs_ = 0;
    QElapsedTimer clock_;
    QTimer latency_;
    std::deque<std::pair<qint64, std::function<void()>>> delayed_;
};

}  // namespace varno::test
