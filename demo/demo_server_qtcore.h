#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <map>

#include "demo/cast.h"
#include "demo/gateway_model.h"
#include "demo/seeded_random.h"

namespace varno::demo {

struct DemoServerOptions {
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 6112;
    GatewayOptions gateway;
    CastTiming timing;
    std::string castChannel = "Demo";
    std::uint64_t seed = 1;
    // Every byte may come from anyone: a connection whose unsent bytes would pass
    // maxPendingBytes (a client that does not read) is closed, and connections past
    // maxConnections are refused. The model closes those that do not log in within
    // gateway.loginWithinMs, so silent ones can't hold every place for long.
    std::size_t maxPendingBytes = 256 * 1024;
    std::size_t maxConnections = 256;
};

// The demo gateway's sockets: one session per accepted connection, the model's ticks and
// the cast's on a timer that runs only while someone is connected.
class DemoServer : public QObject, private SessionPort, private Clock {
    Q_OBJECT
public:
    static constexpr int kTickMs = 200;

    explicit DemoServer(DemoServerOptions options);
    ~DemoServer() override;

    bool listen();
    QString errorString() const { return server_.errorString(); }
    // Moves the gateway's clock forward, as if that much time had passed.
    void skipAhead(std::int64_t ms) { skippedMs_ += ms; }
    void tick();

    GatewayModel& model() { return model_; }
    const Cast& cast() const { return cast_; }

private:
    void send(SessionId id, std::string_view bytes) override;
    void close(SessionId id) override;
    std::int64_t steadyMs() override { return elapsed_.elapsed() + skippedMs_; }

    void accept();
    // Ends a connection at once, unsent bytes and all; the model hears of it after the
    // call that is running now, which may hold the session.
    void drop(SessionId id);

    DemoServerOptions options_;
    QElapsedTimer elapsed_;
    std::int64_t skippedMs_ = 0;
    SeededRandom random_;
    GatewayModel model_;
    Cast cast_;
    QTcpServer server_;
    QTimer ticker_;
    std::map<SessionId, QPointer<QTcpSocket>> sockets_;
    SessionId nextId_ = 1;
    bool refusing_ = false;  // told on stderr that connections are refused
};

}  // namespace varno::demo
