// Idle cost: Varno1's window connected to the scripted gateway server, nothing happening, for
// a minute (or the seconds given). Five processes are started: two servers, the window, a bare
// Qt window of the same size, and VarnoBot; the programs' CPU times and resident sizes are
// read from /proc while they idle side by side.
//
// Prints, one per line:
//   cpu_percent:  the window's CPU time over the span, in percent of one core (target < 0.1);
//   wakeups:      its voluntary context switches over the span, per second;
//   rss_kib, bare_rss_kib, rss_ratio: resident memory of the window and of the bare window,
//                 and their ratio (target <= 1.3);
//   anon_kib, bare_anon_kib, anon_ratio: the same for anonymous memory only (heap and other
//                 data), which leaves out the library code and font files each has touched;
//   bot_*:        the same for VarnoBot, connected to a server of its own in the same span,
//                 and its resident and anonymous memory as a fraction of the window's.
//
// Usage: idle_cost [seconds]

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/gateway_server.h"
#include "ui/main_window.h"

namespace varno {
namespace {

// The server: answers the login with a channel of a few users, then stays quiet.
int Serve(const QString& address) {
    test::GatewayServer server{QHostAddress(address)};
    if (!server.listen()) {
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    if (!server.waitForConnections(1, 30000) || !server.waitForReceived("/join ", 30000)) {
        return 1;
    }
    server.send(
        "2010 NAME bench\r\n1007 CHANNEL \"Idle\"\r\n1001 USER bench 0010 [CHAT]\r\n"
        "1001 USER alice 0010 [STAR]\r\n1001 USER bob 0002 [W2BN]\r\n");
    return QCoreApplication::exec();
}

// Varno1's main window, made as its program makes it, with its folder given.
int Window(const QString& folder) {
    MainWindow window(Edition::v201(), folder);
    window.Form_Load();
    window.show();
    QTimer::singleShot(0, [&] {
        std::printf("%d %d\n", window.width(), window.height());
        std::fflush(stdout);
    });
    return QApplication::exec();
}

int Bare(int width, int height) {
    QWidget window;
    window.resize(width, height);
    window.show();
    QTimer::singleShot(0, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });
    return QApplication::exec();
}

struct Sample {
    double cpuSeconds = 0;
    long voluntarySwitches = 0;
    long rssKib = 0;
    long anonKib = 0;  // resident memory that is the process's own data, not mapped files
};

Sample Read(qint64 pid) {
    Sample s;
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        // Fields after the command name (which may hold blanks) start at the last ')'.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
        if (fields.size() > 12) {
            s.cpuSeconds = (fields[11].toDouble() + fields[12].toDouble()) / ticks;
        }
    }
    QFile status(QString("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& l : status.readAll().split('\n')) {
            const QByteArray value = l.mid(l.indexOf(':') + 1).trimmed().split(' ').front();
            if (l.startsWith("VmRSS:")) {
                s.rssKib = value.toLong();
            } else if (l.startsWith("voluntary_ctxt_switches:")) {
                s.voluntarySwitches = value.toLong();
            }
        }
    }
    QFile rollup(QString("/proc/%1/smaps_rollup").arg(pid));
    if (rollup.open(QIODevice::ReadOnly)) {
        for (const QByteArray& l : rollup.readAll().split('\n')) {
            if (l.startsWith("Anonymous:")) {
                s.anonKib = l.mid(l.indexOf(':') + 1).trimmed().split(' ').front().toLong();
            }
        }
    }
    return s;
}

bool StartChild(QProcess& child, const QString& self, const QStringList& args) {
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(self, args);
    return child.waitForReadyRead(30000);
}

bool WriteSettings(const QTemporaryDir& folder, const QHostAddress& server) {
    QFile ini(QDir(folder.path()).filePath("Varno.ini"));
    if (!ini.open(QIODevice::WriteOnly)) {
        return false;
    }
    ini.write("[Varno]\nHome=Idle\nUsername=bench\nPassword=pw\nClear=30000\nServer=" +
              server.toString().toUtf8() + "\n");
    return true;
}

int Measure(const QString& self, int seconds) {
    const QHostAddress address = test::OwnLoopbackAddress(23);
    const QHostAddress botAddress = test::OwnLoopbackAddress(24);
    QTemporaryDir folder;
    QTemporaryDir botFolder;
    if (!WriteSettings(folder, address) || !WriteSettings(botFolder, botAddress)) {
        return 1;
    }

    QProcess server;
    QProcess botServer;
    QProcess window;
    QProcess bare;
    QProcess bot;
    if (!StartChild(server, self, {"--serve", address.toString()}) ||
        !StartChild(botServer, self, {"--serve", botAddress.toString()}) ||
        !StartChild(window, self, {"--window", folder.path()})) {
        std::fprintf(stderr, "a server or the window did not start\n");
        return 1;
    }
    bot.setStandardOutputFile(QProcess::nullDevice());
    bot.start(VARNO_BOT, {"--folder", botFolder.path()});
    if (!bot.waitForStarted()) {
        std::fprintf(stderr, "VarnoBot did not start\n");
        return 1;
    }
    const QList<QByteArray> size = window.readLine().trimmed().split(' ');
    if (size.size() != 2 || !StartChild(bare, self, {"--bare", size[0], size[1]})) {
        std::fprintf(stderr, "the bare window did not start\n");
        return 1;
    }
    QThread::sleep(3);  // connected, logged in, drawn
    const Sample before = Read(window.processId());
    const Sample botBefore = Read(bot.processId());
    QThread::sleep(static_cast<unsigned long>(seconds));
    const Sample after = Read(window.processId());
    const Sample bareAfter = Read(bare.processId());
    const Sample botAfter = Read(bot.processId());
    for (QProcess* p : {&bot, &bare, &window, &botServer, &server}) {
        p->kill();
        p->waitForFinished();
    }

    const double cpu = 100.0 * (after.cpuSeconds - before.cpuSeconds) / seconds;
    std::printf("idle seconds %d\n", seconds);
    std::printf("idle cpu_percent %.3f (target < 0.1)\n", cpu);
    std::printf("idle wakeups_per_s %.2f\n",
                static_cast<double>(after.voluntarySwitches - before.voluntarySwitches) / seconds);
    std::printf("idle rss_kib %ld\n", after.rssKib);
    std::printf("idle bare_rss_kib %ld\n", bareAfter.rssKib);
    std::printf("idle rss_ratio %.3f (target <= 1.3)\n",
                static_cast<double>(after.rssKib) / static_cast<double>(bareAfter.rssKib));
    std::printf("idle anon_kib %ld\n", after.anonKib);
    std::printf("idle bare_anon_kib %ld\n", bareAfter.anonKib);
    std::printf("idle anon_ratio %.3f\n",
                static_cast<double>(after.anonKib) / static_cast<double>(bareAfter.anonKib));
    std::printf("idle bot_cpu_percent %.3f\n",
                100.0 * (botAfter.cpuSeconds - botBefore.cpuSeconds) / seconds);
    std::printf(
        "idle bot_wakeups_per_s %.2f\n",
        static_cast<double>(botAfter.voluntarySwitches - botBefore.voluntarySwitches) / seconds);
    std::printf("idle bot_rss_kib %ld\n", botAfter.rssKib);
    std::printf("idle bot_rss_ratio_to_window %.3f\n",
                static_cast<double>(botAfter.rssKib) / static_cast<double>(after.rssKib));
    std::printf("idle bot_anon_kib %ld\n", botAfter.anonKib);
    std::printf("idle bot_anon_ratio_to_window %.3f\n",
                static_cast<double>(botAfter.anonKib) / static_cast<double>(after.anonKib));
    return 0;
}

}  // namespace
}  // namespace varno

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--serve" && argc == 3) {
        QCoreApplication app(argc, argv);
        return varno::Serve(QString::fromLocal8Bit(argv[2]));
    }
    QApplication app(argc, argv);
    if (mode == "--window" && argc == 3) {
        return varno::Window(QString::fromLocal8Bit(argv[2]));
    }
    if (mode == "--bare" && argc == 4) {
        return varno::Bare(std::atoi(argv[2]), std::atoi(argv[3]));
    }
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    return varno::Measure(QCoreApplication::applicationFilePath(), seconds > 0 ? seconds : 60);
}
