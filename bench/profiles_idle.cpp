// Ten profiles idle: two windows of Varno1 side by side, one with one profile and one with
// ten, every profile connected to one scripted gateway (a child process) and idle for a
// minute (or the seconds given). The windows' CPU times (the scheduler's, in nanoseconds)
// and resident sizes are read from /proc over the same span.
//
// Prints, one per line:
//   one_cpu_ms, ten_cpu_ms, cpu_ratio: CPU time of each window over the span, and their
//                                      ratio (target <= 10);
//   one_rss_kib, ten_rss_kib, rss_ratio: resident memory at the end, and the ratio (<= 2.5).
//
// Usage: profiles_idle [seconds]

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/login_server.h"
#include "support/gateway_server.h"
#include "ui/main_window.h"

namespace varno {
namespace {

constexpr int kProfiles = 10;

struct Sample {
    double cpuMs = 0;
    long rssKib = 0;
};

Sample Read(qint64 pid) {
    Sample s;
    QFile sched(QString("/proc/%1/schedstat").arg(pid));
    if (sched.open(QIODevice::ReadOnly)) {
        s.cpuMs = sched.readAll().split(' ').front().toDouble() / 1e6;
    }
    QFile status(QString("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& l : status.readAll().split('\n')) {
            if (l.startsWith("VmRSS:")) {
                s.rssKib = l.mid(6).trimmed().split(' ').front().toLong();
            }
        }
    }
    return s;
}

bool Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Settings(const QHostAddress& server, int n) {
    return "[Varno]\nHome=Idle\nPassword=pw\nClear=30000\nUsername=bench" + QByteArray::number(n) +
           "\nServer=" + server.toString().toUtf8() + "\n";
}

int Measure(const QString& self, int seconds) {
    const QHostAddress address = test::OwnLoopbackAddress(27);
    QTemporaryDir one;
    QTemporaryDir ten;
    bool written = Write(one.filePath("Varno.ini"), Settings(address, 0)) &&
                   Write(ten.filePath("Varno.ini"), Settings(address, 1));
    for (int i = 2; i <= kProfiles; ++i) {
        written = written && Write(ten.filePath(QString("profiles/p%1/Varno.ini").arg(i)),
                                   Settings(address, i));
    }
    if (!written) {
        return 1;
    }
    QProcess server;
    QProcess windows[2];
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(self, {"--serve", address.toString()});
    if (!server.waitForReadyRead(30000)) {
        std::fprintf(stderr, "the server did not start\n");
        return 1;
    }
    server.readLine();
    windows[0].start(self, {"--window", one.path()});
    windows[1].start(self, {"--window", ten.path()});
    // Every profile logged in, then a few seconds to settle.
    int logins = 0;
    QElapsedTimer waited;
    waited.start();
    while (logins < kProfiles + 1 && waited.elapsed() < 60000) {
        if (server.waitForReadyRead(1000)) {
            logins += static_cast<int>(server.readAll().count("logged in"));
        }
    }
    if (logins < kProfiles + 1) {
        std::fprintf(stderr, "only %d of %d profiles logged in\n", logins, kProfiles + 1);
        return 1;
    }
    QThread::sleep(3);
    const Sample before[2] = {Read(windows[0].processId()), Read(windows[1].processId())};
    QThread::sleep(static_cast<unsigned long>(seconds));
    const Sample after[2] = {Read(windows[0].processId()), Read(windows[1].processId())};
    for (QProcess* p : {&windows[0], &windows[1], &server}) {
        p->kill();
        p->waitForFinished();
    }
    const double cpu[2] = {after[0].cpuMs - before[0].cpuMs, after[1].cpuMs - before[1].cpuMs};
    std::printf("profiles seconds %d\n", seconds);
    std::printf("profiles one_cpu_ms %.1f\n", cpu[0]);
    std::printf("profiles ten_cpu_ms %.1f\n", cpu[1]);
    std::printf("profiles cpu_ratio %.2f (target <= 10)\n", cpu[1] / cpu[0]);
    std::printf("profiles one_rss_kib %ld\n", after[0].rssKib);
    std::printf("profiles ten_rss_kib %ld\n", after[1].rssKib);
    std::printf("profiles rss_ratio %.2f (target <= 2.5)\n",
                static_cast<double>(after[1].rssKib) / static_cast<double>(after[0].rssKib));
    return 0;
}

}  // namespace
}  // namespace varno

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--serve" && argc == 3) {
        QCoreApplication app(argc, argv);
        varno::bench::LoginServer server{QHostAddress(QString::fromLocal8Bit(argv[2]))};
        if (!server.listen()) {
            return 1;
        }
        std::printf("ready\n");
        std::fflush(stdout);
        return QCoreApplication::exec();
    }
    QApplication app(argc, argv);
    if (mode == "--window" && argc == 3) {
        varno::MainWindow window(varno::Edition::v201(), QString::fromLocal8Bit(argv[2]));
        window.Form_Load();
        window.show();
        return QApplication::exec();
    }
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    return varno::Measure(QCoreApplication::applicationFilePath(), seconds > 0 ? seconds : 60);
}
