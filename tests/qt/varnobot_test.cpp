#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "support/client_fixture.h"
#include "support/flood_gateway.h"
#include "support/gateway_server.h"

// VarnoBot as an operator runs it: its own process, no display, a real socket to the
// scripted gateway, its log read from standard output and from the chat log on disk.
namespace varno {
namespace {

using test::GatewayServer;

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Saves as editors do: a new file renamed over the old one.
void SaveByRename(const QString& path, const QByteArray& bytes) {
    Write(path + ".new", bytes);
    ASSERT_EQ(std::rename(QFile::encodeName(path + ".new").constData(),
                          QFile::encodeName(path).constData()),
              0);
}

class VarnoBotTest : public ::testing::Test {
protected:
    VarnoBotTest() : server(test::OwnLoopbackAddress(41)) {}

    QString file(const QString& name) const { return QDir(dir.path()).filePath(name); }

    void start(const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            env.remove(name);
        }
        bot.setProcessEnvironment(env);
        bot.start(VARNO_BOT, args);
        ASSERT_TRUE(bot.waitForStarted());
    }

    bool waitForOutput(const QByteArray& text, int ms = 5000) {
        return GatewayServer::waitUntil(
            [&] {
                out += bot.readAllStandardOutput();
                return out.contains(text);
            },
            ms);
    }

    QTemporaryDir dir;
    GatewayServer server;
    QProcess bot;
    QByteArray out;
};

TEST_F(VarnoBotTest, LogsInBansReloadsOnHangUpAndEndsOnTerminate) {
    ASSERT_TRUE(server.listen());
    Write(file("Varno.ini"), QByteArray("[Varno]\n") + test::kAliceSettings +
                                 "Trigger=!\nLogFolder=chatlogs\nServer=" + server.host().toUtf8() +
                                 "\n");
    Write(file("shitlist.txt"), "spam*\r\n");
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

    // A list saved by rename is read again without a signal; everyone present is checked.
    SaveByRename(file("shitlist.txt"), "troll*\r\n");
    EXPECT_TRUE(waitForOutput("] Reloaded shitlist.txt (1 pattern)\n"));
    EXPECT_TRUE(server.waitForReceived("/ban trollish boo\r\n"));

    ::kill(static_cast<pid_t>(bot.processId()), SIGHUP);
    EXPECT_TRUE(
        waitForOutput("] Reloaded Varno.ini, shitlist.txt (1 pattern), database.txt (0 names), "
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

TEST_F(VarnoBotTest, AWaveWithLostBansEndsWithEveryBanConfirmedOnce) {
    test::FloodGateway gateway(
        test::OwnLoopbackAddress(42),
        {.windowMs = 500, .answerModeration = true, .loseEveryNthModeration = 3});
    ASSERT_TRUE(gateway.listen());
    Write(file("Varno.ini"), QByteArray("[Varno]\n") + test::kAliceSettings +
                                 "SendWindow=500\nServer=" + gateway.host().toUtf8() + "\n");
    Write(file("shitlist.txt"), "spam*\r\n");
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

}  // namespace
}  // namespace varno
