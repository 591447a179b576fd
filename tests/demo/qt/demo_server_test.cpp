#include "demo/demo_server_qtcore.h"

#include <gtest/gtest.h>

#include <QTcpSocket>
#include <memory>

#include "support/gateway_server.h"

namespace varno::demo {
namespace {

using varno::test::GatewayServer;
using varno::test::OwnLoopbackAddress;

// One client of the demo gateway over a real loopback socket.
class Peer {
public:
    explicit Peer(const QHostAddress& address) {
        QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { got_ += socket_.readAll(); });
        socket_.bind(address);  // the gateway greets the address it sees
        socket_.connectToHost(address, 6112);
        GatewayServer::waitUntil(
            [this] { return socket_.state() == QAbstractSocket::ConnectedState; });
    }
    void send(const QByteArray& bytes) {
        socket_.write(bytes);
        socket_.flush();
    }
    bool waitFor(const QByteArray& bytes, int ms = 5000) {
        return GatewayServer::waitUntil([&] { return got_.contains(bytes); }, ms);
    }
    bool waitClosed() {
        return GatewayServer::waitUntil(
            [&] { return socket_.state() == QAbstractSocket::UnconnectedState; });
    }
    QByteArray take() { return std::exchange(got_, QByteArray()); }

private:
    QTcpSocket socket_;
    QByteArray got_;
};

class DemoServerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.listen()) << server.errorString().toStdString(); }

    std::unique_ptr<Peer> loggedIn(const QByteArray& name, const QByteArray& channel) {
        auto p = std::make_unique<Peer>(address);
        p->send("\x03" + name + "\r\n" + name + "pw\r\n/join " + channel + "\r\n");
        EXPECT_TRUE(p->waitFor("1007 CHANNEL \"" + channel + "\"\r\n"));
        p->take();
        return p;
    }

    QHostAddress address = OwnLoopbackAddress(41);
    DemoServer server{[this] {
        DemoServerOptions o;
        o.address = address;
        return o;
    }()};
};

TEST_F(DemoServerTest, LoginFailsThenSucceedsOnTheSameSocket) {
    Peer p(address);
    p.send("\x03");
    ASSERT_TRUE(p.waitFor("Username: "));
    const QByteArray banner = p.take();
    EXPECT_TRUE(banner.startsWith("BOT or Telnet Connection from [127.")) << banner.toStdString();
    EXPECT_TRUE(
        banner.endsWith("]\r\n\r\nEnter your account name and password.\r\n"
                        "Sorry, there is no guest account.\r\n\r\nUsername: "));
    p.send("bob\r\nwrong\r\n");
    EXPECT_TRUE(p.waitFor("bob\r\nPassword: \r\nLogin failed.\r\n\r\nUsername: "));
    p.send("bob\r\nbobpw\r\n");
    EXPECT_TRUE(p.waitFor("\r\n2010 NAME bob\r\n1007 CHANNEL \"Chat\"\r\n"));
}

TEST_F(DemoServerTest, SeveralClientsSeeEachOtherAndAFlooderIsClosed) {
    auto alice = loggedIn("alice", "Lobby");
    auto bob = loggedIn("bob", "Lobby");
    auto carol = loggedIn("carol", "Lobby");
    EXPECT_TRUE(alice->waitFor("1002 JOIN carol 0010 [CHAT]\r\n"));
    bob->send("hello\r\n");
    EXPECT_TRUE(alice->waitFor("1005 TALK bob 0000 \"hello\"\r\n"));
    EXPECT_TRUE(carol->waitFor("1005 TALK bob 0000 \"hello\"\r\n"));

    // The join was the first unit; eight more lines take it to nine, the next closes.
    bob->send("2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n");
    EXPECT_TRUE(bob->waitFor("1019 ERROR \"Your message quota has been exceeded!\"\r\n"));
    bob->send("10\r\n");
    EXPECT_TRUE(bob->waitClosed());
    EXPECT_TRUE(alice->waitFor("1003 LEAVE bob 0000\r\n"));
    EXPECT_TRUE(carol->waitFor("1003 LEAVE bob 0000\r\n"));
}

TEST_F(DemoServerTest, ADroppedConnectionLeavesItsChannel) {
    auto alice = loggedIn("alice", "Lobby");
    { auto bob = loggedIn("bob", "Lobby"); }
    EXPECT_TRUE(alice->waitFor("1003 LEAVE bob 0000\r\n"));
    auto again = loggedIn("bob", "Lobby");  // the name is free again
}

// A gateway of its own with small bounds: at most two connections, and nothing waiting to
// be written past the length of the banner a connection from address is greeted with.
struct BoundedServer {
    BoundedServer(int salt, int pendingBeyondBanner)
        : address(OwnLoopbackAddress(salt)),
          banner("BOT or Telnet Connection from [" + address.toString().toUtf8() +
                 "]\r\n\r\nEnter your account name and password.\r\n"
                 "Sorry, there is no guest account.\r\n\r\nUsername: "),
          server([&] {
              DemoServerOptions o;
              o.address = address;
              o.maxConnections = 2;
              o.maxPendingBytes = static_cast<std::size_t>(banner.size() + pendingBeyondBanner);
              return o;
          }()) {
        EXPECT_TRUE(server.listen());
    }
    QHostAddress address;
    QByteArray banner;
    DemoServer server;
};

TEST(DemoServerBoundsTest, WritesPastThePendingBoundAndConnectionsPastTheCapAreClosed) {
    BoundedServer atBound(42, 0);
    Peer first(atBound.address);
    first.send("\x03");
    ASSERT_TRUE(first.waitFor("Username: "));
    EXPECT_EQ(first.take(), atBound.banner) << "a write as long as the bound goes out";
    Peer second(atBound.address);
    Peer third(atBound.address);
    EXPECT_TRUE(third.waitClosed()) << "a third connection is refused";
    second.send("\x03");
    EXPECT_TRUE(second.waitFor("Username: "));
    first.send("alice\r\n");
    EXPECT_TRUE(first.waitFor("alice\r\nPassword: ")) << "the connections held stay";

    BoundedServer pastBound(43, -1);
    Peer fourth(pastBound.address);
    fourth.send("\x03");
    EXPECT_TRUE(fourth.waitClosed());
    EXPECT_EQ(fourth.take(), "") << "one byte past the bound: the write is not made";
}

}  // namespace
}  // namespace varno::demo
