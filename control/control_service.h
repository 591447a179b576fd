#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "client/client.h"
#include "control/backlog.h"
#include "control/control_session.h"
#include "control/messages.h"
#include "control/request.h"

namespace varno {

// The control socket without the socket: its clients, each request turned into one call on
// the Client through the entry points the window's menus and the Moderation window's pages
// use (one path to a deed, a list edit or a rule, whoever asks), the answers, and the events
// of the log, the users, the status and the deeds for the clients that subscribed. A deed's
// answer waits for the server's reply, as a script's does; a client gone before it comes
// loses nothing (the deed goes on, and the log tells its end).
//
// The shell writes what waits for each client, closes those in closing() and tells of each
// client that went away (Closed). Nothing here blocks or waits for a client.
class ControlService {
public:
    struct Ports {
        std::function<std::string()> statusLine;  // as the service manager is told it
        std::function<std::uint64_t()> bansToday;
        std::function<void()> reload;  // Varno.ini, the lists and the scripts, as on SIGHUP
    };

    ControlService(Client& client, Backlog& backlog, Hello hello, Ports ports);
    ~ControlService();
    ControlService(const ControlService&) = delete;
    ControlService& operator=(const ControlService&) = delete;

    // Called when anything is queued for a client: the shell writes it soon.
    void setWake(std::function<void()> wake) { wake_ = std::move(wake); }

    // A client connected: its id, the greeting waiting for it. Past kMaxClients that still
    // send requests: nothing, and refusal holds the one line to write before closing it.
    std::optional<int> Open(std::string& refusal);
    // Bytes the client sent, and the end of them.
    void Read(int id, std::string_view bytes);
    void ReadEnd(int id);
    // The client is gone: it is forgotten.
    void Closed(int id);

    // What waits to be written to a client; n bytes of it were written.
    std::string_view waiting(int id) const;
    void Wrote(int id, std::size_t n);
    // The clients to close now: dropped (a line too long, too much waiting), or done (their
    // input ended and nothing waits, no answer to come).
    std::vector<int> closing() const;
    std::size_t clients() const { return sessions_.size(); }

    // The once-a-second tick: a changed status goes to its subscribers.
    void Tick();

    // The report the status command answers with.
    StatusReport Status() const;

private:
    struct Entry {
        ControlSession session;
        bool dropped = false;  // to close at once
    };
    struct WaitingDeed {
        int session;
        std::string id;  // the request's
        DeedBook::Action action;
        std::string name;
    };

    void Handle(int id, std::string_view line);
    // The answer's line for a request, or empty when it comes later.
    std::string Answer(int id, const Request& request);
    std::string Moderate(int id, const Request& request);
    std::string Send(const Request& request);
    std::string EditList(const Request& request);
    std::string SetRules(const Request& request);
    std::string Lift(const Request& request);
    // The last n log lines, as many of the newest as fit in what may wait for the client.
    std::string LogLines(int id, const Request& request, std::size_t n);
    // Queues line for the client; one that would pass kMaxWaitingBytes drops the client.
    void Queue(int id, std::string_view line, bool addLineEnd = false);
    void Drop(int id, std::string_view why);
    // Writes the red lines of the clients dropped since the last call. A client may be
    // dropped while a log line goes to the followers: its line waits till then.
    void TellDrops();
    void ToSubscribers(Topic topic, std::string_view line, bool addLineEnd = false);
    bool Subscribed(Topic topic) const;
    void DeedEnded(std::string_view origin, DeedBook::Action action, std::string_view name,
                   bool done, std::string_view text);

    Client& client_;
    Backlog& backlog_;
    Hello hello_;
    Ports ports_;
    std::map<int, Entry> sessions_;
    int nextId_ = 1;
    std::vector<WaitingDeed> deeds_;
    StatusReport told_;  // the status last told to subscribers
    std::function<void()> wake_;
    std::vector<std::string> drops_;  // why each client was dropped, not yet logged
};

}  // namespace varno
