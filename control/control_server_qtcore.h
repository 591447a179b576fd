#pragma once

#include <QSocketNotifier>
#include <QTimer>
#include <map>
#include <memory>
#include <string>

#include "control/control_service.h"

namespace varno {

// The control socket: a Unix stream socket, mode 0600, whose clients are the service's. It
// never blocks: every descriptor is non-blocking, what a client does not take waits in the
// service (within its bound) while a notifier waits for room. A peer whose user is neither
// the bot's nor root is refused. One bot at a time holds a lock on the socket's folder, so a
// second bot on the same folder fails to listen and leaves the first alone; a socket that a
// bot which died left behind is replaced.
class ControlServer {
public:
    explicit ControlServer(ControlService& service);
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    struct Listening {
        bool ok = false;
        bool another = false;  // another bot holds the folder or answers on the socket
        std::string message;   // why not, in one line
    };
    Listening Listen(const std::string& path);
    const std::string& path() const { return path_; }

    // Writes what waits for each client and closes those the service is done with. Runs
    // on the next turn of the event loop after the service queued anything.
    void Flush();

private:
    struct Peer {
        int fd = -1;
        std::unique_ptr<QSocketNotifier> read;
        std::unique_ptr<QSocketNotifier> write;
    };

    void Accept();
    void Refuse(int fd, const std::string& line);
    void ReadFrom(int id);
    void Close(int id);

    ControlService& service_;
    std::string path_;
    int lock_ = -1;    // the socket's folder, locked
    int listen_ = -1;  // the listening socket
    std::unique_ptr<QSocketNotifier> accept_;
    std::map<int, Peer> peers_;  // by the service's id
    QTimer flush_;
    // Out of descriptors, accepting waits this long before it tries again.
    static constexpr int kAcceptPauseMs = 1000;
    QTimer acceptAgain_;
};

}  // namespace varno
