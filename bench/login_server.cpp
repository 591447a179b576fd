#include "bench/login_server.h"

#include <QTcpSocket>
#include <cstdio>

namespace varno::bench {

bool LoginServer::listen() {
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            auto* received = new QByteArray;
            connect(socket, &QObject::destroyed, [received] { delete received; });
            connect(socket, &QTcpSocket::readyRead, socket, [socket, received] {
                const bool answered = received->contains("/join ");
                *received += socket->readAll();
                const qsizetype join = received->indexOf("/join ");
                if (answered || join < 0 || received->indexOf("\r\n", join) < 0) {
                    return;
                }
                const qsizetype from = received->indexOf('\x03') + 1;
                const QByteArray name = received->mid(from, received->indexOf("\r\n") - from);
                socket->write("2010 NAME " + name + "\r\n1007 CHANNEL \"Idle\"\r\n1001 USER " +
                              name + " 0010 [CHAT]\r\n1001 USER alice 0010 [STAR]\r\n" +
                              "1001 USER bob 0002 [W2BN]\r\n");
                std::printf("logged in %s\n", name.constData());
                std::fflush(stdout);
            });
        }
    });
    return server_.listen(address_, 6112);
}

}  // namespace varno::bench
