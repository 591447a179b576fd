#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

namespace varno::bench {

// A gateway that lets every connection in: it answers each login with the name it gave, a
// channel and a few users, then stays quiet. Each login is told on standard output
// ("logged in NAME").
class LoginServer : public QObject {
public:
    explicit LoginServer(QHostAddress address) : address_(std::move(address)) {}

    bool listen();

private:
    QHostAddress address_;
    QTcpServer server_;
};

}  // namespace varno::bench
