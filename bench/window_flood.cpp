// A flood through the real main window: a scripted gateway server in a child process sends
// 10,000 users (1001), 100,000 talk lines (1005) and 10,000 leaves (1003) as fast as the
// socket takes them, to a real window on the offscreen platform with a real QTcpSocket.
//
// Prints, one per line:
//   flood_ms, floor_ms, ratio: first byte to last line shown, against the same runs appended
//                              straight into a bare QPlainTextEdit and the same names into a
//                              bare QListWidget, in this process;
//   worst_probe_late_ms:       the worst lateness of a 10 ms timer during the flood;
//   rss_after_users_kib, peak_rss_kib, peak_rss_ratio: resident memory after the first
//                              10,000 lines, the peak by the end of the flood, and their ratio.
//
// With "rules", every protection rule is on (flood, repeat, join flood, timed bans and 1,000
// banned-word patterns), and the figures are labelled EDITION+rules.
//
// With "profiles", the flood runs twice, first in the first tab of a window of ten whose
// other nine profiles are logged in to a quiet gateway and idle, then in a window of one,
// their timers running beside the probe. Labelled EDITION+profiles, it prints the probe's
// worst lateness of each (worst_probe_late_ms_one, worst_probe_late_ms) and the difference
// (late_ms_over_one, target <= 20).
//
// Usage: window_flood [2.00|2.01] [rules|profiles]   (the program runs itself with --serve
// for the servers)

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/login_server.h"
#include "bench/session.h"
#include "channel/channel_events.h"
#include "channel/roster_view.h"
#include "client/client.h"
#include "connection/dispatcher.h"
#include "connection/settings.h"
#include "log/display_text.h"
#include "support/client_fixture.h"
#include "ui/chat_log_view.h"

namespace varno {
namespace {

constexpr std::size_t kUsers = 10000;
constexpr std::size_t kTalk = 100000;
constexpr std::size_t kFloorChunk = 16 * 1024;  // session bytes per event-loop turn, floor

const std::string& Flood() {
    static const std::string bytes = bench::FloodSession(kUsers, kTalk);
    return bytes;
}

long RssKib() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').front().toLong();
        }
    }
    return -1;
}

long PeakRssKib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The server: listens on the given address, waits for the login, sends the flood after
// delayMs and keeps the connection until the client goes away.
int Serve(const QString& address, int delayMs) {
    test::GatewayServer server{QHostAddress(address)};
    if (!server.listen()) {
        std::fprintf(stderr, "cannot listen on %s\n", qPrintable(address));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    if (!server.waitForConnections(1, 30000) || !server.waitForReceived("/join ", 30000)) {
        return 1;
    }
    test::GatewayServer::waitUntil([] { return false; }, delayMs);
    server.send(QByteArray::fromStdString(Flood()));
    test::GatewayServer::waitUntil([&] { return !server.connected(); }, 600000);
    return 0;
}

// What the flood shows: per line of the session, the runs of its log line, and the roster
// change. Found by running the session through the core once, untimed.
struct ShownLine {
    std::vector<Run> runs;
    enum class Roster { None, Add, Remove } roster = Roster::None;
    std::string name;
};

class Recorder : public ChatLogListener, public ChannelPort {
public:
    void onAppended(const Run& run) override { current.push_back(run); }
    void onCleared() override {}
    void setChannelLabel(std::string_view) override {}
    bool HandleCommand(std::string_view, std::string_view) override { return false; }
    void LoadDatabase() override {}
    void setOwnName(std::string_view) override {}
    bool CheckTalk(std::string_view, std::string_view, std::string_view) override { return false; }
    void CheckJoin(std::string_view, std::string_view) override {}
    bool NamesOperator(std::string_view, std::string_view) override { return false; }
    void Whispered(std::string_view, std::string_view) override {}
    void Mentioned(std::string_view, std::string_view) override {}
    std::vector<Run> current;
};

std::vector<ShownLine> ShownLines(const Edition& edition) {
    SystemClock clock;
    Settings settings;
    LogWriter writer(edition, clock, settings.Clear);
    Roster roster;
    Recorder recorder;
    writer.main().setListener(&recorder);
    ChannelEvents events(edition, writer, roster, recorder);
    Dispatcher dispatcher(edition, events);
    std::vector<ShownLine> lines;
    std::string_view bytes = Flood();
    while (!bytes.empty()) {
        const std::size_t end = bytes.find("\r\n") + 2;
        const std::size_t before = roster.size();
        ShownLine line;
        if (bytes.starts_with("1001")) {
            line.roster = ShownLine::Roster::Add;
        } else if (bytes.starts_with("1003")) {
            line.roster = ShownLine::Roster::Remove;
        }
        dispatcher.ParseData(bytes.substr(0, end));
        if (line.roster == ShownLine::Roster::Add && roster.size() > before) {
            line.name = roster.at(roster.size() - 1).text;
        }
        line.runs = std::move(recorder.current);
        recorder.current.clear();
        lines.push_back(std::move(line));
        bytes.remove_prefix(end);
    }
    return lines;
}

// The floor: the same runs straight into a bare QPlainTextEdit, the same names into a bare
// QListWidget, both shown at the window's sizes, the event loop running between chunks.
double FloorMs(const std::vector<ShownLine>& lines, QSize logSize, QSize listSize) {
    QPlainTextEdit log;
    log.setReadOnly(true);
    log.resize(logSize);
    QListWidget list;
    list.resize(listSize);
    log.show();
    list.show();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    QTextCursor cursor(log.document());
    cursor.movePosition(QTextCursor::End);
    std::size_t chunk = 0;
    bool firstBlock = true;
    cursor.beginEditBlock();
    for (const ShownLine& line : lines) {
        if (!firstBlock) {
            cursor.insertBlock();
        }
        firstBlock = false;
        for (const Run& run : line.runs) {
            QTextCharFormat format;
            format.setForeground(QColor::fromRgb(run.colour));
            std::string_view text = run.text;
            if (text.ends_with("\r\n")) {
                text.remove_suffix(2);
            }
            cursor.insertText(QString::fromStdString(DisplayText(text)), format);
            chunk += run.text.size();
        }
        if (line.roster == ShownLine::Roster::Add) {
            list.addItem(QString::fromStdString(DisplayText(line.name)));
        } else if (line.roster == ShownLine::Roster::Remove) {
            delete list.takeItem(0);
        }
        if (chunk >= kFloorChunk) {
            cursor.endEditBlock();
            log.verticalScrollBar()->setValue(log.verticalScrollBar()->maximum());
            QCoreApplication::processEvents();
            cursor.beginEditBlock();
            chunk = 0;
        }
    }
    cursor.endEditBlock();
    log.verticalScrollBar()->setValue(log.verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    log.viewport()->repaint();
    list.viewport()->repaint();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

struct FloodFigures {
    double ms = 0;
    double worstLateMs = 0;
    long rssAfterUsers = 0;
    long peakRss = 0;
};

FloodFigures RunFlood(const Edition& edition, test::ClientFixture& fixture, QProcess& server) {
    FloodFigures figures;
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = -1;
    qint64 start = -1;
    bool usersIn = false;
    bool done = false;

    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        Client& client = fixture.window().client();
        if (start < 0 && client.connection().state() == Connection::State::Connected) {
            start = now;  // the login is on its way; the flood follows it
        }
        if (start >= 0 && lastTick >= 0) {
            figures.worstLateMs =
                std::max(figures.worstLateMs, static_cast<double>(now - lastTick) / 1e6 - 10.0);
        }
        lastTick = now;
        const std::size_t users = client.roster().size();
        if (!usersIn && users >= kUsers) {
            usersIn = true;
            figures.rssAfterUsers = RssKib();
        }
        if (usersIn && users == 0) {
            done = true;
        }
    });
    probe.start();
    fixture.start();
    while (!done && server.state() == QProcess::Running) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    probe.stop();
    QCoreApplication::processEvents();
    fixture.window().rtbc()->viewport()->repaint();
    fixture.window().lusers()->viewport()->repaint();
    figures.ms = static_cast<double>(clock.nsecsElapsed() - start) / 1e6;
    figures.peakRss = PeakRssKib();
    if (!done) {
        std::fprintf(stderr, "the flood did not finish (edition %s)\n", edition.name.data());
        figures.ms = -1;
    }
    return figures;
}

bool StartServer(QProcess& server, const char* self, const QStringList& args) {
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QString::fromLocal8Bit(self), args);
    if (!server.waitForReadyRead(30000)) {
        std::fprintf(stderr, "a server did not start\n");
        return false;
    }
    server.readLine();
    return true;
}

const std::string kFloodSettings = "Home=Flood\nUsername=bench\nPassword=pw\nClear=30000\nServer=";

// The flood's worst probe lateness in a window of one profile and in one of ten.
int MeasureProfiles(const Edition& edition, const char* self) {
    const QHostAddress address = test::OwnLoopbackAddress(17);
    const QHostAddress quiet = test::OwnLoopbackAddress(18);
    constexpr int kDelayMs = 2000;  // the other profiles log in meanwhile
    double late[2] = {0, 0};
    // Ten first: the cold start of the first run counts against them.
    for (const int profiles : {10, 1}) {
        QProcess server;
        QProcess logins;
        if (!StartServer(server, self,
                         {"--serve", address.toString(), QString::number(kDelayMs)}) ||
            (profiles > 1 && !StartServer(logins, self, {"--logins", quiet.toString()}))) {
            return 1;
        }
        test::ClientFixture fixture(edition);
        fixture.writeSettings(kFloodSettings + address.toString().toStdString() + "\n");
        for (int i = 2; i <= profiles; ++i) {
            fixture.writeFile(QString("profiles/p%1/Varno.ini").arg(i),
                              "[Varno]\nHome=Idle\nPassword=pw\nUsername=idle" +
                                  QByteArray::number(i) + "\nServer=" + quiet.toString().toUtf8() +
                                  "\n");
        }
        const FloodFigures flood = RunFlood(edition, fixture, server);
        const int loggedIn =
            profiles > 1 ? static_cast<int>(logins.readAll().count("logged in")) : 0;
        if (flood.ms < 0 || loggedIn != profiles - 1) {
            std::fprintf(stderr, "%d of %d idle profiles logged in\n", loggedIn, profiles - 1);
            return 1;
        }
        late[profiles > 1 ? 1 : 0] = flood.worstLateMs;
        for (QProcess* p : {&server, &logins}) {
            p->kill();
            p->waitForFinished();
        }
    }
    const std::string e = std::string(edition.name) + "+profiles";
    std::printf("flood %s worst_probe_late_ms_one %.1f\n", e.c_str(), late[0]);
    std::printf("flood %s worst_probe_late_ms %.1f\n", e.c_str(), late[1]);
    std::printf("flood %s late_ms_over_one %.1f (target <= 20)\n", e.c_str(), late[1] - late[0]);
    return 0;
}

int Measure(const Edition& edition, const char* self, bool rules) {
    const std::vector<ShownLine> lines = ShownLines(edition);
    const QHostAddress address = test::OwnLoopbackAddress(17);

    QProcess server;
    if (!StartServer(server, self, {"--serve", address.toString(), "0"})) {
        return 1;
    }

    test::ClientFixture fixture(edition);
    const std::string ruleKeys =
        rules ? "FloodLines=6/5\nRepeatLines=3/10\nJoinFlood=3/20\nBanMinutes=60\n" : "";
    if (rules) {
        fixture.writeFile("badwords.txt", QByteArray::fromStdString(bench::WordList(1000)));
    }
    fixture.writeSettings(kFloodSettings + address.toString().toStdString() + "\n" + ruleKeys);
    const FloodFigures flood = RunFlood(edition, fixture, server);
    const QSize logSize = fixture.window().rtbc()->size();
    const QSize listSize = fixture.window().lusers()->size();
    server.kill();
    server.waitForFinished();

    const double floor = FloorMs(lines, logSize, listSize);
    const std::string e = std::string(edition.name) + (rules ? "+rules" : "");
    std::printf("flood %s flood_ms %.0f\n", e.c_str(), flood.ms);
    std::printf("flood %s floor_ms %.0f\n", e.c_str(), floor);
    std::printf("flood %s ratio %.2f (target <= 1.5)\n", e.c_str(), flood.ms / floor);
    std::printf("flood %s worst_probe_late_ms %.1f (target < 100)\n", e.c_str(), flood.worstLateMs);
    std::printf("flood %s rss_after_users_kib %ld\n", e.c_str(), flood.rssAfterUsers);
    std::printf("flood %s peak_rss_kib %ld\n", e.c_str(), flood.peakRss);
    std::printf("flood %s peak_rss_ratio %.3f (target <= 1.15)\n", e.c_str(),
                static_cast<double>(flood.peakRss) / static_cast<double>(flood.rssAfterUsers));
    return flood.ms < 0 ? 1 : 0;
}

}  // namespace
}  // namespace varno

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 4 && std::string(argv[1]) == "--serve") {
        QCoreApplication app(argc, argv);
        return varno::Serve(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    }
    if (argc == 3 && std::string(argv[1]) == "--logins") {
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
    const bool tray = argc > 1 && std::string(argv[1]) == "2.00";
    const std::string mode = argc > 2 ? argv[2] : "";
    const varno::Edition& edition = tray ? varno::Edition::v200() : varno::Edition::v201();
    if (mode == "profiles") {
        return varno::MeasureProfiles(edition, argv[0]);
    }
    return varno::Measure(edition, argv[0], mode == "rules");
}
