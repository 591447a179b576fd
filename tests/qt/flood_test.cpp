#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTimer>
#include <string>

#include "connection/tcp_link_qtcore.h"
#include "support/gateway_server.h"
#include "ui/chat_log_view.h"

namespace varno {
namespace {

using test::GatewayServer;

// A megabyte sent at once reaches the data handler whole and in order, but never more than
// one piece per turn of the event loop, so a zero timer runs while it is being read.
TEST(Flood, ArrivesInOrderInPiecesWithTheEventLoopBetween) {
    GatewayServer server(test::OwnLoopbackAddress(41));
    ASSERT_TRUE(server.listen());
    QByteArray sent;
    for (int i = 0; sent.size() < 1024 * 1024; ++i) {
        sent += "1005 TALK user 0010 \"line " + QByteArray::number(i) + "\"\r\n";
    }

    std::string received;
    qint64 largest = 0;
    int turnsWhileReading = 0;
    TcpLink link;
    link.setEvents(
        {.connected = {}, .closed = {}, .error = {}, .data = [&](std::string_view block) {
             received += block;
             largest = std::max(largest, static_cast<qint64>(block.size()));
         }});
    QTimer turn;
    QObject::connect(&turn, &QTimer::timeout, [&] {
        if (!received.empty() && received.size() < static_cast<std::size_t>(sent.size())) {
            ++turnsWhileReading;
        }
    });
    turn.start(0);
    ASSERT_TRUE(link.open(server.host().toStdString(), 6112));
    ASSERT_TRUE(server.waitForConnections(1));
    ASSERT_TRUE(GatewayServer::waitUntil([&] { return link.isOpen(); }));
    server.send(sent);
    EXPECT_TRUE(GatewayServer::waitUntil(
        [&] { return received.size() >= static_cast<std::size_t>(sent.size()); }, 20000));
    EXPECT_EQ(received, sent.toStdString());
    EXPECT_LE(largest, TcpLink::kReadChunk);
    EXPECT_GT(turnsWhileReading, 0);
}

// The view shows each run at once, clears in the middle of a turn included, and after the
// turn the newest line is in view.
TEST(Flood, LogViewShowsEveryRunAtOnceAndScrollsAfterTheTurn) {
    ChatLog log;
    ChatLogView view(log);
    view.resize(300, 100);
    view.show();
    log.append(colour::kWhite, "old\r\n");
    log.clear();
    for (int i = 0; i < 200; ++i) {
        log.append(colour::kWhite, "[00:00:00] ");
        log.append(colour::kGreen, {"line ", std::to_string(i)}, "\r\n");
    }
    EXPECT_TRUE(view.toPlainText().startsWith("[00:00:00] line 0\n[00:00:00] line 1\n"));
    EXPECT_TRUE(view.toPlainText().endsWith("[00:00:00] line 199"));
    EXPECT_FALSE(view.toPlainText().contains("old"));
    QApplication::processEvents();
    EXPECT_EQ(view.document()->blockCount(), 200);
    EXPECT_GT(view.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
}

}  // namespace
}  // namespace varno
