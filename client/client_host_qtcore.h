#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/clock.h"
#include "base/edition.h"
#include "base/window_port.h"
#include "client/client.h"
#include "client/timer_qtcore.h"
#include "connection/tcp_link_qtcore.h"
#include "moderation/file_watch_qtcore.h"
#include "script/script_watch_qtcore.h"

namespace varno {

// What every program puts around the Client: the socket, the timers and the clock, each
// event turned into its one call on the Client, and the lists of the settings folder read
// again when they change on disk, and the scripts when theirs do. The program adds only what it
// shows (the WindowPort).
class ClientHost {
public:
    // folder: the settings folder. afterSecond, if given, runs after each once-a-second tick.
    ClientHost(const Edition& edition, const std::string& folder, WindowPort& window,
               std::function<void()> afterSecond = {});
    ~ClientHost();
    ClientHost(const ClientHost&) = delete;
    ClientHost& operator=(const ClientHost&) = delete;

    Client& client() { return *client_; }

    // Drops the connection without a word, so that no event of it reaches a program that is
    // going away.
    void DropSocket();
    // Drops the connection and stops the timers and the file watch: nothing of the client runs
    // again, for a client that is going away while the program goes on.
    void Stop();

private:
    SystemClock clock_;
    TcpLink sck_;
    QtTimer r_;
    QtTimer retry_;
    // The send queue's wake-up: the pace of a whole window hangs on it, so it keeps time.
    QtTimer send_;
    QtTimer timer1_;
    QtTimer timer2_;
    std::unique_ptr<Client> client_;
    std::unique_ptr<FileWatch> lists_;
    std::unique_ptr<ScriptWatch> scripts_;
};

}  // namespace varno
