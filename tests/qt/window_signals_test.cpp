#include <gtest/gtest.h>
#include <sys/types.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "support/client_fixture.h"
#include "support/gateway_server.h"

// The window programs as a desktop ends them: their own process on the offscreen platform,
// a real socket to the scripted gateway, and a signal where a user would choose File > Exit.
namespace varno {
namespace {

using test::GatewayServer;

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A logout, a kill and a closed terminal each end the program as File > Exit does: status 0,
// the connection closed, the window's place kept and the chat log on disk whole.
TEST(WindowSignals, EachEndsTheProgramAsExitDoes) {
    GatewayServer server(test::OwnLoopbackAddress(53));
    ASSERT_TRUE(server.listen());
    const struct {
        const char* program;
        const char* name;
    } programs[] = {{VARNO1, "Varno1"}, {VARNO, "Varno"}};
    const struct {
        int number;
        const char* name;
    } endings[] = {{SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT"}, {SIGHUP, "SIGHUP"}};
    int connections = 0;
    for (const auto& program : programs) {
        for (const auto& ending : endings) {
            SCOPED_TRACE(std::string(program.name) + " " + ending.name);
            // The programs read their settings beside the program file: each run has a copy.
            QTemporaryDir dir;
            ASSERT_TRUE(dir.isValid());
            const QString copy = dir.filePath(program.name);
            ASSERT_TRUE(QFile::copy(program.program, copy));
            QFile ini(dir.filePath("Varno.ini"));
            ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
            ini.write(QByteArray("[Varno]\n") + test::kAliceSettings +
                      "LogFolder=chatlogs\nServer=" + server.host().toUtf8() + "\n");
            ini.close();

            QProcess process;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove("DISPLAY");
            env.remove("WAYLAND_DISPLAY");
            env.insert("QT_QPA_PLATFORM", "offscreen");
            process.setProcessEnvironment(env);
            process.start(copy, {});
            ASSERT_TRUE(process.waitForStarted());
            ASSERT_TRUE(server.waitForConnections(++connections, 15000));
            ASSERT_TRUE(server.waitForReceived(test::kAliceLogin, 15000));

            ::kill(static_cast<pid_t>(process.processId()), ending.number);
            ASSERT_TRUE(process.waitForFinished(5000));
            EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(process.exitCode(), 0);
            EXPECT_TRUE(GatewayServer::waitUntil([&] { return !server.connected(); }, 1000));

            const QByteArray place = Read(dir.filePath("window.ini"));
            for (const char* key : {"[Window]", "\nX=", "\nY=", "\nMaximised=0"}) {
                EXPECT_TRUE(place.contains(key)) << key << " in window.ini: " << place.data();
            }
            const QDir logs(dir.filePath("chatlogs"));
            const QStringList days = logs.entryList({"*.log"}, QDir::Files);
            ASSERT_EQ(days.size(), 1);
            EXPECT_TRUE(Read(logs.filePath(days.front())).contains("] Connected to Server\n"));
        }
    }
}

}  // namespace
}  // namespace varno
