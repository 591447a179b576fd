#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include "support/bot_fixture.h"
#include "support/client_fixture.h"
#include "support/flood_gateway.h"
#include "support/gateway_server.h"

// VarnoBot as an operator runs it: its own process, no display, a real socket to the
// scripted gateway, its log read from standard output and from the chat log on disk.
namespace varno {
namespace {

using test::GatewayServer;

using test::WriteFile;

// Saves as editors do: a new file renamed over the old one.
void SaveByRename(const QString& path, const QByteArray& bytes) {
    WriteFile(path + ".new", bytes);
    ASSERT_EQ(std::rename(QFile::encodeName(path + ".new").constData(),
                          QFile::encodeName(path).constData()),
              0);
}

using VarnoBotTest = test::BotFixture;

TEST_F(VarnoBotTest, LogsInBansReloadsOnHangUpAndEndsOnTerminate) {
    ASSERT_TRUE(server.listen());
    WriteFile(file("Varno.ini"),
              QByteArray("[Varno]\n") + test::kAliceSettings +
                  "Trigger=!\nLogFolder=chatlogs\nServer=" + server.host().toUtf8() + "\n");
    WriteFile(file("shitlist.txt"), "spam*\r\n");
    WriteFile(file("database.txt"), "Boss\r\n");
    start({"--folder", dir.path(), "--color=never"});
    ASSERT_TRUE(server.waitForReceived(test::kAliceLogin));
    server.send(
        "2010 NAME alice\r\n1007 CHANNEL \"Lobby\"\r\n1001 USER alice 0010 [CHAT]\r\n"
        "1001 USER trollish 0010 [CHAT]\r\n");
    server.send("1002 JOIN spammer 0010 [CHAT]\r\n");
    EXPECT_TRUE(server.waitForReceived("/ban spammer boo\r\n"));
    server.send("1004 WHISPER bob 0010 \"psst \x1b[2J\"\r\n");
    ASSERT_TRUE(waitForOutput("psst"));
    EXPECT_TRUE(out.contains("] Connected to Server\n"));
    EXPECT_TRUE(out.contains("] spammer has joined the channel\n"));
    EXPECT_TRUE(out.contains("] (whisper) From bob: psst \xe2\x90\x9b[2J\n")) << out.toStdString();
    EXPECT_FALSE(out.contains('\x1b')) << "no colour and no raw escape on a pipe";

    // What the bot says of its own is in its log once, as the channel heard it.
    server.send("1005 TALK Boss 0010 \"!say Welcome to the Demo channel!\"\r\n");
    EXPECT_TRUE(server.waitForReceived("Welcome to the Demo channel!\r\n"));
    ASSERT_TRUE(waitForOutput("] alice: Welcome to the Demo channel!\n"));
    EXPECT_EQ(out.count("Welcome to the Demo channel!"), 2) << "Boss's line and the bot's own";

    // A list saved by rename is read again without a signal; everyone present is checked.
    SaveByRename(file("shitlist.txt"), "troll*\r\n");
    EXPECT_TRUE(waitForOutput("] Reloaded shitlist.txt (1 pattern)\n"));
    EXPECT_TRUE(server.waitForReceived("/ban trollish boo\r\n"));

    ::kill(static_cast<pid_t>(bot.processId()), SIGHUP);
    EXPECT_TRUE(
        waitForOutput("] Reloaded Varno.ini, shitlist.txt (1 pattern), database.txt (1 name), "
                      "badwords.txt (0 patterns)\n"));
    server.send("1002 JOIN troll9 0010 [CHAT]\r\n");
    EXPECT_TRUE(server.waitForReceived("/ban troll9 boo\r\n"));

    bot.terminate();  // SIGTERM
    ASSERT_TRUE(bot.waitForFinished(1000));
    EXPECT_EQ(bot.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(bot.exitCode(), 0);
    EXPECT_TRUE(GatewayServer::waitUntil([&] { return !server.connected(); }, 1000));
    out += bot.readAllStandardOutput();
    EXPECT_TRUE(out.contains("] Stopping: SIGTERM\n"));

    // The chat log on disk holds the same lines, owner-only.
    const QStringList days = QDir(file("chatlogs")).entryList({"*.log"}, QDir::Files);
    ASSERT_EQ(days.size(), 1);
    const QString day = QDir(file("chatlogs")).filePath(days.front());
    QFile log(day);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray kept = log.readAll();
    for (const char* line :
         {"] Connected to Server\n", "] (whisper) From bob: psst \xe2\x90\x9b[2J\n",
          "] Reloaded shitlist.txt (1 pattern)\n", "] Stopping: SIGTERM\n"}) {
        EXPECT_TRUE(kept.contains(line)) << line;
    }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(day).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// The service manager's end of the notify protocol: a Unix datagram socket of the test's own.
// Watchdog pings are counted apart from the other messages.
class NotifySocket {
public:
    explicit NotifySocket(const QString& path) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(),
                    std::min(sizeof(address.sun_path) - 1, static_cast<std::size_t>(name.size())));
        bound_ = ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~NotifySocket() { ::close(fd_); }

    bool bound() const { return bound_; }
    void drain() {
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::recv(fd_, buffer, sizeof(buffer), 0)) > 0) {
            const std::string message(buffer, static_cast<std::size_t>(n));
            if (message == "WATCHDOG=1") {
                ++pings;
            } else {
                messages.push_back(message);
            }
        }
    }
    bool waitFor(const std::string& message) {
        return GatewayServer::waitUntil([&] {
            drain();
            return std::find(messages.begin(), messages.end(), message) != messages.end();
        });
    }

    std::vector<std::string> messages;
    int pings = 0;

private:
    int fd_ = -1;
    bool bound_ = false;
};

TEST_F(VarnoBotTest, TellsTheServiceManagerHowItStandsAndTheJournalEachLinesPriority) {
    ASSERT_TRUE(server.listen());
    server.answerModeration("alice");  // a ban counts once the server confirms it
    WriteFile(file("Varno.ini"), QByteArray("[Varno]\n") + test::kAliceSettings +
                                     "Server=" + server.host().toUtf8() + "\n");
    WriteFile(file("shitlist.txt"), "spam*\r\n");
    NotifySocket notify(file("notify"));
    ASSERT_TRUE(notify.bound());
    // Standard output goes to a file whose device and inode JOURNAL_STREAM names, as the
    // journal's stream is named to a service.
    const QString outPath = file("out.log");
    WriteFile(outPath, "");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(outPath).constData(), &st), 0);
    bot.setStandardOutputFile(outPath, QIODevice::Append);
    QProcessEnvironment env;
    env.insert("NOTIFY_SOCKET", file("notify"));
    env.insert("WATCHDOG_USEC", "200000");
    env.insert("JOURNAL_STREAM", QString("%1:%2").arg(st.st_dev).arg(st.st_ino));
    QElapsedTimer span;
    span.start();
    start({"--folder", dir.path(), "--color=never"}, env);

    ASSERT_TRUE(server.waitForReceived(test::kAliceLogin));
    ASSERT_TRUE(notify.waitFor("STATUS=Logging in"));
    server.send(
        "2010 NAME alice\r\n1007 CHANNEL \"Lobby\"\r\n1001 USER alice 0010 [CHAT]\r\n"
        "1001 USER bob 0010 [CHAT]\r\n1002 JOIN spammer 0010 [CHAT]\r\n");
    ASSERT_TRUE(server.waitForReceived("/ban spammer boo\r\n"));
    EXPECT_TRUE(notify.waitFor("STATUS=In Lobby as alice; 3 users; 1 ban today"));
    // A kick whose reason reads like a ban of alice's counts no ban, however many seconds go.
    server.send("1018 INFO \"bob has been kicked by alice (x has been banned by alice.).\"\r\n");
    GatewayServer::waitUntil([] { return false; }, 1500);
    ::kill(static_cast<pid_t>(bot.processId()), SIGHUP);
    EXPECT_TRUE(notify.waitFor("RELOADING=1"));
    server.stopListening();
    server.closeConnection();
    EXPECT_TRUE(notify.waitFor("STATUS=Server down, reconnecting"));
    bot.terminate();  // SIGTERM
    ASSERT_TRUE(bot.waitForFinished(2000));
    EXPECT_EQ(bot.exitCode(), 0);
    const qint64 ranMs = span.elapsed();
    notify.drain();

    // Each expected message comes after the one before it; READY=1 only once the server let
    // the bot in, and again after the reload.
    ASSERT_FALSE(notify.messages.empty());
    EXPECT_TRUE(notify.messages.front().starts_with("STATUS=Connecting to 127."));
    const std::vector<std::string> expected = {
        "STATUS=Logging in", "READY=1",        "STATUS=In Lobby as alice; 3 users; 1 ban today",
        "RELOADING=1",       "READY=1",        "STATUS=Server down, reconnecting",
        "STOPPING=1",        "STATUS=Stopping"};
    std::vector<std::string> lines;
    for (const std::string& message : notify.messages) {
        for (std::size_t at = 0; at <= message.size();) {
            const std::size_t end = std::min(message.find('\n', at), message.size());
            lines.push_back(message.substr(at, end - at));
            at = end + 1;
        }
    }
    auto next = lines.begin();
    for (const std::string& want : expected) {
        next = std::find(next, lines.end(), want);
        ASSERT_NE(next, lines.end()) << "missing or out of order: " << want;
        ++next;
    }
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "READY=1"), 2);
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(),
                      [](const std::string& line) { return line.find("2 bans") != line.npos; }),
        0);
    EXPECT_EQ(lines.back(), "STATUS=Stopping") << "nothing is said after stopping";
    // Pings at half of WATCHDOG_USEC (100 ms): some came, and no more than the run allows.
    EXPECT_GE(notify.pings, 2);
    EXPECT_LE(notify.pings, ranMs / 100 + 2);

    // Every line of the output carries its priority: red lines are errors.
    QFile out(outPath);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QList<QByteArray> written = out.readAll().split('\n');
    ASSERT_GT(written.size(), 3);
    for (const QByteArray& line : written.mid(0, written.size() - 1)) {
        EXPECT_TRUE(line.startsWith("<6>[") || line.startsWith("<3>[")) << line.toStdString();
    }
    const QByteArray all = written.join('\n');
    EXPECT_TRUE(QRegularExpression("<3>\\[[0-9:]+\\] Connection Closed\n").match(all).hasMatch());
    EXPECT_TRUE(QRegularExpression("<6>\\[[0-9:]+\\] Connected to Server\n").match(all).hasMatch());
}

TEST_F(VarnoBotTest, AWrongCommandLineOrFolderEndsWithStatusTwoAndOneLine) {
    const QStringList cases[] = {
        {"--bogus"}, {"--color=blue"}, {"--folder"}, {"--folder", file("missing")}, {"stray"}};
    for (const QStringList& args : cases) {
        QProcess p;
        p.start(VARNO_BOT, args);
        ASSERT_TRUE(p.waitForFinished(5000));
        EXPECT_EQ(p.exitCode(), 2) << args.join(' ').toStdString();
        const QByteArray err = p.readAllStandardError();
        EXPECT_TRUE(err.startsWith("VarnoBot: ") && err.count('\n') == 1) << err.toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    }
    QProcess help;
    help.start(VARNO_BOT, {"--help"});
    ASSERT_TRUE(help.waitForFinished(5000));
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(help.readAllStandardOutput().startsWith("Usage: VarnoBot [--folder DIR]"));
}

// Settings that cannot log in end the bot at once with status 78, one line saying what to
// fill in, and no connection attempt; --init writes what to fill in, and never over a file.
TEST_F(VarnoBotTest, MissingSettingsEndWithStatus78AndInitWritesAStartingSet) {
    ASSERT_TRUE(server.listen());
    const QByteArray ini = QFile::encodeName(file("Varno.ini"));
    const std::pair<const char*, QByteArray> cases[] = {
        {nullptr, "VarnoBot: " + ini + " is missing; VarnoBot --init --folder " +
                      QFile::encodeName(dir.path()) +
                      " writes one to fill in (see man varno.ini)\n"},
        {"[Varno]\nUsername=bot\n", "VarnoBot: " + ini + " has no Server; see man varno.ini\n"},
        {"[Varno]\nServer=SERVER\n", "VarnoBot: " + ini + " has no Username; see man varno.ini\n"},
    };
    for (const auto& [settings, err] : cases) {
        QFile::remove(file("Varno.ini"));
        if (settings) {
            WriteFile(file("Varno.ini"),
                      QByteArray(settings).replace("SERVER", server.host().toUtf8()));
        }
        QProcess p;
        p.start(VARNO_BOT, {"--folder", dir.path()});
        ASSERT_TRUE(p.waitForFinished(5000));
        EXPECT_EQ(p.exitCode(), 78);
        EXPECT_EQ(p.readAllStandardError(), err);
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    }
    EXPECT_EQ(server.connectionCount(), 0);

    QFile::remove(file("Varno.ini"));
    QProcess init;
    init.start(VARNO_BOT, {"--init", "--folder", dir.path()});
    ASSERT_TRUE(init.waitForFinished(5000));
    EXPECT_EQ(init.exitCode(), 0);
    EXPECT_TRUE(init.readAllStandardOutput().startsWith(
        "Wrote Varno.ini shitlist.txt database.txt badwords.txt in " +
        QFile::encodeName(dir.path()) + ".\nNext: fill in Server, Username and Password"));
    QProcess again;
    again.start(VARNO_BOT, {"--init", "--folder", dir.path()});
    ASSERT_TRUE(again.waitForFinished(5000));
    EXPECT_EQ(again.exitCode(), 1);
    EXPECT_EQ(again.readAllStandardError(),
              "VarnoBot: " + ini + " exists already; nothing was written\n");
}

TEST_F(VarnoBotTest, AWaveWithLostBansEndsWithEveryBanConfirmedOnce) {
    test::FloodGateway gateway(
        test::OwnLoopbackAddress(42),
        {.windowMs = 500, .answerModeration = true, .loseEveryNthModeration = 3});
    ASSERT_TRUE(gateway.listen());
    WriteFile(file("Varno.ini"), QByteArray("[Varno]\n") + test::kAliceSettings +
                                     "SendWindow=500\nServer=" + gateway.host().toUtf8() + "\n");
    WriteFile(file("shitlist.txt"), "spam*\r\n");
    start({"--folder", dir.path(), "--color=never"});
    ASSERT_TRUE(gateway.waitForReceived(test::kAliceLogin));
    ASSERT_TRUE(waitForOutput("Lobby"));
    QByteArray wave;
    for (int i = 1; i <= 10; ++i) {
        wave += "1002 JOIN spam" + QByteArray::number(i) + " 0010 [CHAT]\r\n";
    }
    gateway.send(wave);
    EXPECT_TRUE(GatewayServer::waitUntil([&] { return gateway.bans().size() == 10; }, 15000));
    GatewayServer::waitUntil([] { return false; }, 3000);  // any late retry
    EXPECT_EQ(gateway.lostModeration(), 4);
    for (const int times : gateway.bans()) {
        EXPECT_EQ(times, 1);
    }
    waitForOutput("never shown", 100);  // reads what the bot wrote so far
    EXPECT_EQ(out.count(" has been banned by alice (boo)."), 10);
    EXPECT_FALSE(out.contains("Could not"));
    bot.terminate();
    EXPECT_TRUE(bot.waitForFinished());
}

// A server that takes the connection and never answers the login, then one that goes silent
// after it: each is given up and tried again, as the log says. A server that answers the
// probe keeps the connection, and its answer is not shown. (The timeouts are shortened;
// they are 30 s and 210 s when not set.)
TEST_F(VarnoBotTest, ASilentLoginOrConnectionIsReplacedAndAnAnsweredProbeKeepsIt) {
    ASSERT_TRUE(server.listen());
    const QByteArray settings =
        QByteArray("[Varno]\n") + test::kAliceSettings + "Server=" + server.host().toUtf8() + "\n";
    WriteFile(file("Varno.ini"), settings + "LoginTimeout=1\n");
    start({"--folder", dir.path(), "--color=never"});
    ASSERT_TRUE(server.waitForReceived(test::kAliceLogin));
    EXPECT_TRUE(waitForOutput("] Login timed out\n"));
    EXPECT_TRUE(server.waitForConnections(2));
    bot.terminate();
    ASSERT_TRUE(bot.waitForFinished());

    WriteFile(file("Varno.ini"), settings + "SilenceTimeout=3\n");
    start({"--folder", dir.path(), "--color=never"});
    ASSERT_TRUE(server.waitForConnections(3));
    ASSERT_TRUE(server.waitForReceived(test::kAliceLogin));
    server.send("2010 NAME alice\r\n1007 CHANNEL \"Lobby\"\r\n");
    EXPECT_TRUE(server.waitForReceived("/whois alice\r\n", 4000)) << "the probe";
    EXPECT_TRUE(waitForOutput("] Nothing from the server for "));
    EXPECT_TRUE(waitForOutput("] Reconnecting in 1 s\n"));
    ASSERT_TRUE(server.waitForConnections(4));

    server.answerModeration("alice");
    server.send("2010 NAME alice\r\n1007 CHANNEL \"Lobby\"\r\n");
    EXPECT_TRUE(server.waitForReceived("/whois alice\r\n", 4000));
    GatewayServer::waitUntil([] { return false; }, 6000);
    EXPECT_EQ(server.connectionCount(), 4) << "an answered probe keeps the connection";
    EXPECT_GE(server.received().count("/whois alice\r\n"), 2);
    waitForOutput("never shown", 100);
    EXPECT_FALSE(out.contains("is using Chat")) << "the probe's answer is not shown";
    EXPECT_EQ(out.count("Nothing from the server"), 1);
    bot.terminate();
    EXPECT_TRUE(bot.waitForFinished());
}

// A server that drops the bot whenever a ban line arrives: the sessions it ends at once wait
// 1, 2, 4 ... seconds, the ban is sent three times in all and then given up in one red line,
// and the next session stays.
TEST_F(VarnoBotTest, AServerThatDropsTheBotForABanIsNotHammered) {
    test::FloodGateway gateway(test::OwnLoopbackAddress(42),
                               {.answerModeration = true, .closeOnModeration = true});
    ASSERT_TRUE(gateway.listen());
    WriteFile(file("Varno.ini"), QByteArray("[Varno]\n") + test::kAliceSettings +
                                     "Server=" + gateway.host().toUtf8() + "\n");
    WriteFile(file("shitlist.txt"), "spam*\r\n");
    start({"--folder", dir.path(), "--color=never"});
    ASSERT_TRUE(waitForOutput("Lobby"));
    gateway.send("1002 JOIN spam1 0010 [CHAT]\r\n");
    EXPECT_TRUE(waitForOutput(
        "] Could not ban spam1: the connection dropped each time it was sent\n", 15000));
    EXPECT_TRUE(gateway.waitForConnections(4, 8000));
    GatewayServer::waitUntil([] { return false; }, 2000);
    EXPECT_EQ(gateway.moderationLines(), 3);
    EXPECT_EQ(gateway.connectionCount(), 4) << "the session after the last drop stays";
    for (const char* wait :
         {"] Reconnecting in 1 s\n", "] Reconnecting in 2 s\n", "] Reconnecting in 4 s\n"}) {
        EXPECT_EQ(out.count(wait), 1) << wait;
    }
    bot.terminate();
    EXPECT_TRUE(bot.waitForFinished());
}

// The bot runs the operator's scripts: a product banned as a deed of its own, a script
// added while it runs started by SIGHUP, and a script's error told in one line.
// The four shipped scripts in the bot, a broken one beside them; a hang-up loads them all
// again, and a restart keeps the lock and what seen noted.
TEST_F(VarnoBotTest, RunsTheShippedScriptsAndLoadsThemAgainOnHangUp) {
    ASSERT_TRUE(server.listen());
    server.answerModeration("alice");
    QDir(dir.path()).mkpath("scripts");
    for (const char* name : {"greet.lua", "seen.lua", "lockdown.lua", "productban.lua"}) {
        QFile::copy(QString(VARNO_EXAMPLES) + "/" + name, file(QString("scripts/") + name));
    }
    WriteFile(file("scripts/broken.lua"), "function on_join( end\n");
    WriteFile(file("database.txt"), "Boss\r\n");
    WriteFile(file("Varno.ini"), QByteArray("[Varno]\n") + test::kAliceSettings + "Server=" +
                                     server.host().toUtf8() + "\nScripts=scripts\nTrigger=!\n");
    const QStringList args{"--folder", dir.path(), "--color=never"};
    start(args);
    ASSERT_TRUE(server.waitForReceived(test::kAliceLogin));
    EXPECT_TRUE(waitForOutput("] Script broken: broken.lua:1: "));
    server.send("2010 NAME alice\r\n1007 CHANNEL \"Lobby\"\r\n1002 JOIN raider 0010 [W2BN]\r\n");
    EXPECT_TRUE(server.waitForReceived("/ban raider This product is not welcome here.\r\n"));
    EXPECT_TRUE(waitForOutput("] productban: banned raider\n"));
    EXPECT_TRUE(server.received().contains("Welcome, raider!\r\n"));
    server.send("1005 TALK carol 0010 \"hello there\"\r\n1005 TALK Boss 0010 \"!lock\"\r\n");
    EXPECT_TRUE(server.waitForReceived("The channel is locked: ", 15000));

    WriteFile(file("scripts/broken.lua"), "function on_join(name) varno.say('hi ' .. name) end\n");
    ::kill(static_cast<pid_t>(bot.processId()), SIGHUP);
    EXPECT_TRUE(waitForOutput("] Reloaded Varno.ini"));
    server.send("1002 JOIN stranger 0010 [CHAT]\r\n");
    EXPECT_TRUE(server.waitForReceived("hi stranger\r\n", 15000));
    EXPECT_TRUE(server.waitForReceived("/kick stranger The channel is locked for now.\r\n", 15000));
    EXPECT_EQ(out.count("Script broken:"), 1);

    bot.terminate();
    ASSERT_TRUE(bot.waitForFinished());
    start(args);
    ASSERT_TRUE(server.waitForConnections(2));
    ASSERT_TRUE(server.waitForReceived(test::kAliceLogin));
    server.send("2010 NAME alice\r\n1007 CHANNEL \"Lobby\"\r\n1002 JOIN another 0010 [CHAT]\r\n");
    server.send("1005 TALK bob 0010 \"!seen carol\"\r\n");
    EXPECT_TRUE(server.waitForReceived("/kick another The channel is locked for now.\r\n", 15000));
    EXPECT_TRUE(server.waitForReceived(" ago, saying: hello there\r\n", 15000));
    EXPECT_TRUE(server.received().contains("carol was last seen ")) << server.received().data();
    bot.terminate();
    EXPECT_TRUE(bot.waitForFinished());
}

}  // namespace
}  // namespace varno
