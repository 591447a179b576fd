#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "connection/line_framer.h"
#include "demo/flood_rule.h"
#include "demo/ports.h"

namespace varno::demo {

// One user of the gateway: a connection while it logs in, then a named user in a channel.
struct Session {
    enum class Stage { kProtocolByte, kUsername, kPassword, kLoggedIn };

    Session(SessionId sessionId, bool isSimulated, FloodLimits limits)
        : id(sessionId), simulated(isSimulated), flood(limits) {}

    SessionId id;
    bool simulated;  // a user of the demo's cast: nothing is sent anywhere
    Stage stage = Stage::kProtocolByte;
    bool protocolByteLast = false;  // the protocol byte is the last byte read: a 0x04 may follow
    std::string peer;               // the address the connection came from
    LineFramer framer;
    FloodRule flood;
    std::string name;  // while logging in: the name given; then the account name
    std::string product = "[CHAT]";
    std::string channel;  // empty while in no channel
    std::string flags = "0010";
    std::vector<std::string> squelched;  // lower-case names whose talk this user ignores
    std::int64_t openedMs = 0;    // when the connection opened: it has loginWithinMs to log in
    std::int64_t nextNullMs = 0;  // when a logged-in connection is next sent 2000 NULL
};

}  // namespace varno::demo
