// The control socket from outside: VarnoBot logged in to the scripted gateway, 1,000 talk
// lines in its backlog, and a client on its socket. Prints, one per line:
//   status_trip_us, bare_trip_us, status_trip_ratio: a status request and its answer, against
//       a bare request and an answer of the same size over a Unix socket to a process that
//       only echoes (target <= 5);
//   log1000_ms, pipe_ms, log1000_ratio: varnoctl log -n 1000 into a pipe, the process and
//       all, against cat writing the same lines into a pipe (target <= 3).
// Each time is the least of its runs.
//
// Usage: control_trip

#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/gateway_server.h"

extern char** environ;

namespace varno {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTrips = 2000;
constexpr int kRuns = 20;

double Us(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// Reads from fd until a LF; false at the end.
bool ReadLine(int fd, std::string& line) {
    line.clear();
    char c = 0;
    while (::read(fd, &c, 1) == 1) {
        if (c == '\n') {
            return true;
        }
        line += c;
    }
    return false;
}

// A line that fills the socket's buffer in one read: the answer comes whole.
bool ReadAnswer(int fd, std::string& buffer) {
    buffer.clear();
    char chunk[65536];
    while (buffer.empty() || buffer.back() != '\n') {
        const ssize_t n = ::read(fd, chunk, sizeof(chunk));
        if (n <= 0) {
            return false;
        }
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
    return true;
}

double Trips(int fd, const std::string& request) {
    std::string answer;
    const auto start = Clock::now();
    for (int i = 0; i < kTrips; ++i) {
        if (::write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size()) ||
            !ReadAnswer(fd, answer)) {
            return -1;
        }
    }
    return Us(Clock::now() - start) / kTrips;
}

// A process that answers each line with size bytes and a LF, as fast as it can.
double BareTrips(const std::string& request, std::size_t size) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pair[0]);
        const std::string answer = std::string(size, 'x') + "\n";
        std::string buffer;
        while (ReadAnswer(pair[1], buffer)) {
            if (::write(pair[1], answer.data(), answer.size()) < 0) {
                break;
            }
        }
        ::_exit(0);
    }
    ::close(pair[1]);
    const double us = Trips(pair[0], request);
    ::close(pair[0]);
    ::waitpid(child, nullptr, 0);
    return us;
}

// Runs argv with its output into a pipe that is read to its end; the time it all took.
double Spawned(const std::vector<std::string>& args, std::string* output = nullptr) {
    int out[2];
    if (::pipe(out) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string read;
    char chunk[65536];
    for (ssize_t n; (n = ::read(out[0], chunk, sizeof(chunk))) > 0;) {
        read.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double us = Us(Clock::now() - start);
    if (output) {
        *output = std::move(read);
    }
    return spawned == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? us : -1;
}

int Run() {
    QTemporaryDir dir;
    test::GatewayServer server(test::OwnLoopbackAddress(77));
    if (!server.listen()) {
        return 1;
    }
    const QString folder = dir.path();
    QFile ini(folder + "/Varno.ini");
    ini.open(QIODevice::WriteOnly);
    ini.write(
        "[Varno]\nUsername=bench\nPassword=pw\nHome=Bench\nSendQuota=0\nBacklog=1000\nServer=" +
        server.host().toUtf8() + "\n");
    ini.close();
    QProcess bot;
    bot.start(VARNO_BOT, {"--folder", folder, "--color=never"});
    if (!bot.waitForStarted() || !server.waitForReceived("/join Bench\r\n")) {
        return 1;
    }
    server.send("2010 NAME bench\r\n1007 CHANNEL \"Bench\"\r\n1001 USER bench 0010 [CHAT]\r\n");
    QByteArray talk;
    for (int i = 0; i < 1000; ++i) {
        talk += "1005 TALK user" + QByteArray::number(i % 40) + " 0010 \"a line of talk, number " +
                QByteArray::number(i) + ", as channels have them\"\r\n";
    }
    server.send(talk);
    QByteArray out;
    if (!test::GatewayServer::waitUntil(
            [&] {
                out += bot.readAllStandardOutput();
                return out.contains("number 999,");
            },
            10000)) {
        return 1;
    }

    const std::string path = (folder + "/control.sock").toStdString();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    std::string line;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        !ReadLine(fd, line)) {
        return 1;
    }
    const std::string request = "{\"id\":1,\"command\":\"status\"}\n";
    std::string answer;
    if (::write(fd, request.data(), request.size()) < 0 || !ReadAnswer(fd, answer)) {
        return 1;
    }
    double trip = 1e9;
    double bare = 1e9;
    for (int run = 0; run < 5; ++run) {
        trip = std::min(trip, Trips(fd, request));
        bare = std::min(bare, BareTrips(request, answer.size() - 1));
    }
    ::close(fd);

    const std::vector<std::string> ctl = {
        VARNOCTL, "--folder", folder.toStdString(), "--color=never", "log", "-n", "1000"};
    std::string lines;
    if (Spawned(ctl, &lines) < 0 || std::count(lines.begin(), lines.end(), '\n') != 1000) {
        return 1;
    }
    const std::string file = (folder + "/lines.txt").toStdString();
    std::FILE* f = std::fopen(file.c_str(), "wb");
    std::fwrite(lines.data(), 1, lines.size(), f);
    std::fclose(f);
    const std::vector<std::string> status = {VARNOCTL, "--folder", folder.toStdString(), "status"};
    double log = 1e18;
    double cat = 1e18;
    double started = 1e18;
    for (int run = 0; run < kRuns; ++run) {
        log = std::min(log, Spawned(ctl));
        cat = std::min(cat, Spawned({"/bin/cat", file}));
        started = std::min(started, Spawned(status));
    }
    bot.terminate();
    bot.waitForFinished();
    if (trip <= 0 || bare <= 0 || log <= 0 || cat <= 0) {
        return 1;
    }
    std::printf("control status_trip_us %.1f\ncontrol bare_trip_us %.1f\n", trip, bare);
    std::printf("control status_trip_ratio %.2f\n", trip / bare);
    std::printf("control log1000_ms %.2f\ncontrol pipe_ms %.2f\n", log / 1000, cat / 1000);
    std::printf("control log1000_ratio %.2f\n", log / cat);
    std::printf("control varnoctl_status_ms %.2f\n", started / 1000);
    return 0;
}

}  // namespace
}  // namespace varno

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return varno::Run();
}
