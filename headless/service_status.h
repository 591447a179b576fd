#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "connection/connection.h"

namespace varno {

// What the bot is doing, as far as the service manager is told.
struct BotFacts {
    Connection::State link = Connection::State::Down;
    bool letIn = false;         // the server has let the bot in on this connection
    std::string_view server;    // the Server setting
    std::string_view channel;   // the channel the bot is in; empty: none yet
    std::string_view name;      // the name the server knows the bot by
    std::size_t users = 0;      // in the user list
    std::size_t bansToday = 0;  // bans the server confirmed since local midnight
};

// The one line `systemctl status` shows for these facts: "In OpRoom as varnobot; 3 users;
// 2 bans today", "Logging in", "Server down, reconnecting". reconnecting: a connection or
// an attempt was lost since the start, so a new attempt is a reconnect, not the first try.
std::string StatusText(const BotFacts& facts, bool reconnecting);

// The messages a service manager is sent (sd_notify's "NAME=value" lines, one message per
// call), decided from the facts: READY=1 once, when the server first lets the bot in;
// STATUS= whenever its text changes (a change of the counts alone waits for the
// once-a-second call, so a flood of joins is not a flood of messages); RELOADING=1 and READY=1
// around a reload of a bot that is ready; STOPPING=1 once, after which nothing more is said.
class ServiceStatus {
public:
    // The message for the facts now; empty when nothing changed since the last one.
    // second: the once-a-second call, which also tells changed counts.
    std::string Update(const BotFacts& facts, bool second);
    // Before and after a reload; empty while the bot is not ready, since a reload then only
    // changes what the start-up uses.
    std::string Reloading() const;
    std::string Reloaded() const;
    std::string Stopping();

    bool ready() const { return ready_; }
    // Whether a new attempt is a reconnect (see StatusText).
    bool reconnecting() const { return reconnecting_; }

private:
    bool ready_ = false;
    bool stopping_ = false;
    bool reconnecting_ = false;
    std::string status_;
    bool statusIn_ = false;  // status_ tells the channel and its counts
};

// The bans the server confirmed since local midnight, from the client's running count of
// confirmations: each look adds what is new to the day it is taken on, and a new day starts
// the count again.
class BanTally {
public:
    void Seen(std::size_t confirmed, const Date& today);
    std::size_t Today(const Date& today) const { return today == day_ ? count_ : 0; }

private:
    Date day_;
    std::size_t count_ = 0;
    std::size_t confirmed_ = 0;  // the running count at the last look
};

// Whether JOURNAL_STREAM ("DEVICE:INODE", in decimal) names the stream with this device and
// inode: the journal reads the output, so each line may carry a syslog priority prefix.
bool NamesStream(std::string_view journalStream, std::uint64_t device, std::uint64_t inode);

}  // namespace varno
