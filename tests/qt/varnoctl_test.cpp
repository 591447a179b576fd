#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <cstring>
#include <string>

#include "support/bot_fixture.h"
#include "support/client_fixture.h"

// varnoctl against a VarnoBot of its own, logged in to the scripted gateway: every command
// end to end, the bounds of the control socket, and after each bad input the bot still
// answers.
namespace varno {
namespace {

using test::GatewayServer;
using test::WriteFile;

struct Ran {
    QByteArray out, err;
    int status = -1;
};

// A client of the bot's socket that the test drives byte by byte.
class RawClient {
public:
    explicit RawClient(const QString& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~RawClient() { ::close(fd_); }
    bool connected() const { return connected_; }
    bool send(const QByteArray& bytes) {
        return ::send(fd_, bytes.constData(), static_cast<std::size_t>(bytes.size()),
                      MSG_NOSIGNAL) == bytes.size();
    }
    // Reads until the bytes read hold text, the peer closes, or ms pass.
    QByteArray readUntil(const QByteArray& text, int ms = 5000) {
        GatewayServer::waitUntil(
            [&] {
                char buffer[65536];
                const ssize_t n = ::recv(fd_, buffer, sizeof(buffer), MSG_DONTWAIT);
                if (n > 0) {
                    read_.append(buffer, static_cast<qsizetype>(n));
                }
                closed_ = closed_ || n == 0;
                return read_.contains(text) || closed_;
            },
            ms);
        return read_;
    }
    bool closed() const { return closed_; }
    void shutDownSending() { ::shutdown(fd_, SHUT_WR); }

private:
    int fd_ = -1;
    bool connected_ = false;
    bool closed_ = false;
    QByteArray read_;
};

class VarnoctlTest : public test::BotFixture {
protected:
    VarnoctlTest() : BotFixture(43) {}

    void SetUp() override {
        ASSERT_TRUE(server.listen());
        WriteFile(file("Varno.ini"),
                  QByteArray("[Varno]\n") + test::kAliceSettings +
                      "Trigger=!\nBanMinutes=60\nBacklog=50\nSendQuota=40\nServer=" +
                      server.host().toUtf8() + "\n");
        WriteFile(file("shitlist.txt"), "spam*\r\n");
        WriteFile(file("database.txt"), "Boss\r\n");
        start({"--folder", dir.path(), "--color=never"});
        ASSERT_TRUE(server.waitForReceived(test::kAliceLogin));
        // chief is an administrator to the server, a plain user to the bot's eyes.
        server.answerModeration("alice", {"chief"});
        server.send(
            "2010 NAME alice\r\n1007 CHANNEL \"Lobby\"\r\n1001 USER alice 0010 [CHAT]\r\n"
            "1001 USER bob 0010 [W3XP]\r\n1001 USER chief 0010 [CHAT]\r\n"
            "1001 USER trollkid 0010 [CHAT]\r\n");
        ASSERT_TRUE(waitForOutput("] Control socket: " + file("control.sock").toUtf8()));
        ASSERT_TRUE(waitForOutput("trollkid"));
    }

    void TearDown() override {
        bot.terminate();
        bot.waitForFinished(2000);
    }

    // Runs varnoctl on the bot's folder with args, input on its standard input, the event
    // loop (and so the gateway) running meanwhile.
    Ran ctl(const QStringList& args, const QByteArray& input = {},
            std::function<void(QProcess&)> setUp = {}) {
        QProcess p;
        if (setUp) {
            setUp(p);
        }
        p.start(VARNOCTL, QStringList{"--folder", dir.path()} + args);
        EXPECT_TRUE(p.waitForStarted());
        p.write(input);
        p.closeWriteChannel();
        EXPECT_TRUE(
            GatewayServer::waitUntil([&] { return p.state() == QProcess::NotRunning; }, 20000));
        Ran ran{p.readAllStandardOutput(), p.readAllStandardError(), p.exitCode()};
        out += bot.readAllStandardOutput();
        return ran;
    }

    // The bot still answers: its status names the channel.
    void stillAnswers(const char* after) {
        const Ran ran = ctl({"status"});
        EXPECT_EQ(ran.status, 0) << after << ": " << ran.err.toStdString();
        EXPECT_TRUE(ran.out.startsWith("In Lobby as alice; 4 users"))
            << after << ": " << ran.out.toStdString();
    }
};

TEST_F(VarnoctlTest, EveryCommandGoesThroughTheBotsOwnPaths) {
    Ran ran = ctl({"status"});
    EXPECT_EQ(ran.out,
              "In Lobby as alice; 4 users; 0 bans today\nusers present: 4\nbans today: 0\ndeeds "
              "open: 0\nlines waiting to be sent: 0\nscripts: 0 running, 0 off\n");
    ran = ctl({"users"});
    EXPECT_EQ(ran.out,
              "alice     0010  CHAT\nbob       0010  W3XP\nchief     0010  CHAT\ntrollkid  0010  "
              "CHAT\n");

    ran = ctl({"say", "hello", "all"});
    EXPECT_EQ(ran.status, 0);
    EXPECT_TRUE(server.waitForReceived("hello all\r\n"));

    // A ban the server confirms, and one it refuses in its own words.
    ran = ctl({"ban", "bob", "flooding"});
    EXPECT_EQ(ran.out, "Banned bob\n");
    EXPECT_EQ(ran.status, 0);
    EXPECT_TRUE(server.received().contains("/ban bob flooding\r\n"));
    ran = ctl({"kick", "chief"});
    EXPECT_EQ(ran.err, "varnoctl: could not kick chief: You cannot kick administrators.\n");
    EXPECT_EQ(ran.status, 1);
    ran = ctl({"ban", "Boss"});
    EXPECT_EQ(ran.err, "varnoctl: not sent: ban Boss: a trusted user\n");
    EXPECT_EQ(ran.status, 1);

    // A pattern added: one line with the file's own line end, and the listed user present
    // banned.
    ran = ctl({"add", "shitlist", "troll*"});
    EXPECT_EQ(ran.out, "Added troll* to the ban list\n");
    QFile list(file("shitlist.txt"));
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_EQ(list.readAll(), "spam*\r\ntroll*\r\n");
    EXPECT_TRUE(server.waitForReceived("/ban trollkid boo\r\n"));

    // The timed bans, and one lifted now.
    EXPECT_TRUE(GatewayServer::waitUntil([&] { return ctl({"bans"}).out.contains("trollkid"); }));
    ran = ctl({"bans"});
    EXPECT_TRUE(ran.out.startsWith("bob       ")) << ran.out.toStdString();
    EXPECT_EQ(ran.out.count('\n'), 2) << "bob, then trollkid";
    ran = ctl({"lift", "bob"});
    EXPECT_EQ(ran.out, "Unban of bob sent; it leaves the list once the server confirms it\n");
    EXPECT_TRUE(server.waitForReceived("/unban bob\r\n"));
    EXPECT_TRUE(GatewayServer::waitUntil([&] { return !ctl({"bans"}).out.contains("bob"); }));

    // A rule set: the file written as the Rules page writes it.
    ran = ctl({"set", "FloodLines=6/5"});
    EXPECT_EQ(ran.out, "Saved: FloodLines=6/5\n");
    QFile ini(file("Varno.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("\nFloodLines=6/5\n"));
    EXPECT_TRUE(ctl({"rules"}).out.startsWith("FloodLines=6/5\n"));

    // The log: the last lines as the bot writes them on a pipe.
    ran = ctl({"log", "-n", "5"});
    EXPECT_EQ(ran.out.count('\n'), 5);
    EXPECT_TRUE(ran.out.contains("] Rules saved through varnoctl: FloodLines=6/5\n"));
    ran = ctl({"--json", "log", "-n", "1"});
    EXPECT_TRUE(
        ran.out.startsWith("{\"id\":1,\"ok\":true,\"result\":{\"lines\":[{\"event\":\"log\""));

    ran = ctl({"reload"});
    EXPECT_EQ(ran.status, 0);
    EXPECT_TRUE(waitForOutput("] Reloaded Varno.ini, shitlist.txt (2 patterns)"));
    EXPECT_EQ(ctl({"scripts"}).out, "No scripts: Varno.ini names no Scripts folder\n");
}

TEST_F(VarnoctlTest, LogFollowsNewLinesAndStdioRelaysTheProtocol) {
    QProcess follow;
    follow.start(VARNOCTL, {"--folder", dir.path(), "log", "-f", "-n", "50"});
    ASSERT_TRUE(follow.waitForStarted());
    QByteArray followed;
    // Its subscription is in once it printed the backlog: then a line is said.
    EXPECT_TRUE(GatewayServer::waitUntil([&] {
        followed += follow.readAllStandardOutput();
        return followed.contains("] trollkid");
    }));
    server.send("1005 TALK bob 0010 \"is anyone here?\"\r\n");
    EXPECT_TRUE(GatewayServer::waitUntil([&] {
        followed += follow.readAllStandardOutput();
        return followed.contains("] <bob> is anyone here?\n");
    })) << followed.toStdString();
    follow.kill();
    follow.waitForFinished();

    // As ssh carries it: requests on standard input, the greeting and answers on standard
    // output, and the end of the input ends the session once the answers are out.
    const Ran ran =
        ctl({"--stdio"}, "{\"id\":1,\"command\":\"users\"}\n{\"id\":2,\"command\":\"nope\"}\n");
    EXPECT_EQ(ran.status, 0);
    const QList<QByteArray> lines = ran.out.split('\n');
    ASSERT_EQ(lines.size(), 4) << ran.out.toStdString();
    EXPECT_TRUE(
        lines[0].startsWith("{\"event\":\"hello\",\"protocol\":1,\"program\":\"VarnoBot\""));
    EXPECT_TRUE(
        lines[1].startsWith("{\"id\":1,\"ok\":true,\"result\":{\"users\":[{\"name\":\"alice\""));
    EXPECT_EQ(lines[2],
              "{\"id\":2,\"ok\":false,\"error\":{\"code\":\"unknown-command\","
              "\"message\":\"no command 'nope'\"}}");
}

TEST_F(VarnoctlTest, ASecondBotOnTheFolderEndsWith73AndTheFirstGoesOn) {
    QProcess second;
    second.start(VARNO_BOT, {"--folder", dir.path(), "--color=never"});
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitCode(), 73);
    EXPECT_EQ(second.readAllStandardError(), "VarnoBot: another VarnoBot runs on " +
                                                 dir.path().toUtf8() +
                                                 " (it holds the folder); this one ends\n");
    EXPECT_EQ(server.connectionCount(), 1) << "the second never connected";
    stillAnswers("a second bot");

    // A bot that dies leaves its socket behind; the next one replaces it.
    bot.kill();
    ASSERT_TRUE(bot.waitForFinished());
    EXPECT_TRUE(QFile::exists(file("control.sock")));
    EXPECT_EQ(ctl({"status"}).status, 69) << "no bot answers there";
    out.clear();
    start({"--folder", dir.path(), "--color=never"});
    ASSERT_TRUE(waitForOutput("] Control socket: " + file("control.sock").toUtf8()));
    EXPECT_EQ(ctl({"status"}).status, 0);
}

TEST_F(VarnoctlTest, OnlyTheBotsUserAndRootMayUseTheSocket) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run varnoctl as another user";
    }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(file("control.sock")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const auto asNobody = [](QProcess& p) {
        p.setChildProcessModifier([] {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
                ::_exit(99);
            }
        });
    };
    // The file's mode keeps another user out; opened up, the peer's credentials do.
    ::chmod(QFile::encodeName(dir.path()).constData(), 0711);
    Ran ran = ctl({"status"}, {}, asNobody);
    EXPECT_EQ(ran.status, 77) << ran.err.toStdString();
    ::chmod(QFile::encodeName(file("control.sock")).constData(), 0666);
    ran = ctl({"status"}, {}, asNobody);
    EXPECT_EQ(ran.status, 77);
    EXPECT_EQ(ran.err,
              "varnoctl: user 65534 may not use this bot's control socket: only its own "
              "user and root may\n");
    stillAnswers("another user");
}

TEST_F(VarnoctlTest, BadInputsAndLoadLeaveTheBotAnswering) {
    const QString path = file("control.sock");
    {
        RawClient c(path);
        ASSERT_TRUE(c.connected());
        c.send(
            "not json\n{\"id\":1,\"command\":\"frob\"}\n{\"id\":2,\"command\":\"ban\"}\n"
            "{\"id\":3,\"command\":\"say\",\"text\":\"hi\\r\\n/ban bob\"}\n");
        const QByteArray read = c.readUntil("\"id\":3");
        EXPECT_TRUE(read.contains("\"code\":\"not-json\""));
        EXPECT_TRUE(
            read.contains("{\"id\":1,\"ok\":false,\"error\":{\"code\":\"unknown-command\""));
        EXPECT_TRUE(
            read.contains("{\"id\":2,\"ok\":false,\"error\":{\"code\":\"missing-argument\""));
        EXPECT_TRUE(read.contains("{\"id\":3,\"ok\":false,\"error\":{\"code\":\"bad-argument\""));
        EXPECT_FALSE(c.closed()) << "the connection stays";
    }
    EXPECT_FALSE(server.received().contains("/ban bob\r\n")) << "no line from a CR LF";
    stillAnswers("bad lines");
    {
        RawClient c(path);
        c.send(QByteArray(64 * 1024 + 1, 'x'));
        const QByteArray read = c.readUntil("line-too-long");
        EXPECT_TRUE(
            read.contains("{\"id\":null,\"ok\":false,\"error\":{\"code\":\"line-too-long\""));
        c.readUntil("never");
        EXPECT_TRUE(c.closed());
    }
    stillAnswers("a line too long");
    {
        std::vector<std::unique_ptr<RawClient>> clients;
        for (int i = 0; i < 8; ++i) {
            clients.push_back(std::make_unique<RawClient>(path));
            clients.back()->readUntil("\"hello\"");
        }
        RawClient ninth(path);
        EXPECT_TRUE(ninth.readUntil("busy").contains("\"code\":\"busy\""));
        ninth.readUntil("never");
        EXPECT_TRUE(ninth.closed());
        // A follower that never reads, flooded: dropped once 1 MiB waits.
        clients[0]->send("{\"id\":1,\"command\":\"subscribe\",\"events\":[\"log\"]}\n");
        clients[0]->send("");
        const QByteArray talk = "1005 TALK bob 0010 \"" + QByteArray(400, 'z') + "\"\r\n";
        for (int i = 0; i < 40 && !out.contains("a client was dropped"); ++i) {
            server.send(talk.repeated(200));
            waitForOutput("a client was dropped", 200);
        }
        EXPECT_TRUE(
            waitForOutput("] Control socket: a client was dropped: it did not read what "
                          "waited for it (1024 KiB)\n"));
    }
    stillAnswers("nine clients and one that does not read");
    {
        // Half a request, and gone; then a whole one, and gone before its answer.
        RawClient half(path);
        half.send("{\"id\":1,\"command\":\"ban\",\"na");
    }
    {
        RawClient gone(path);
        gone.readUntil("\"hello\"");
        gone.send("{\"id\":1,\"command\":\"ban\",\"name\":\"trollkid\"}\n");
    }
    EXPECT_TRUE(server.waitForReceived("/ban trollkid\r\n")) << "its deed goes on";
    EXPECT_TRUE(waitForOutput("] Banned trollkid (varnoctl)\n"));
    stillAnswers("clients gone mid-request");
}

}  // namespace
}  // namespace varno
