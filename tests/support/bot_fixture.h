#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "support/gateway_server.h"

namespace varno::test {

// Writes bytes to path, exactly as given.
inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// VarnoBot as an operator runs it: its own process on a settings folder of the test's own,
// no display, a real socket to the scripted gateway, its log read from standard output.
class BotFixture : public ::testing::Test {
protected:
    explicit BotFixture(int salt = 41) : server(OwnLoopbackAddress(salt)) {}

    QString file(const QString& name) const { return QDir(dir.path()).filePath(name); }

    // Starts VarnoBot with args, without the display, the service manager's variables or
    // the offscreen platform of the test's own environment; extra is added to it.
    void start(const QStringList& args, const QProcessEnvironment& extra = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "NOTIFY_SOCKET",
                                 "WATCHDOG_USEC", "WATCHDOG_PID", "JOURNAL_STREAM"}) {
            env.remove(name);
        }
        env.insert(extra);
        bot.setProcessEnvironment(env);
        bot.start(VARNO_BOT, args);
        ASSERT_TRUE(bot.waitForStarted());
    }

    // Reads the bot's standard output into out until it holds text or ms pass.
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

}  // namespace varno::test
