#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "demo/chat_commands.h"
#include "demo/flood_rule.h"
#include "demo/ports.h"
#include "demo/registry.h"

namespace varno::demo {

struct GatewayOptions {
    FloodLimits flood;
    std::int64_t nullEveryMs = 120000;   // each logged-in client gets 2000 NULL this often
    std::int64_t loginWithinMs = 30000;  // a connection not logged in this long is closed
    std::vector<std::string> admins;     // account operators
};

// The demo gateway without its sockets: the login dialogue and its time limit, the flood rule
// and the keep-alive of each connection, and the chat that ChatCommands runs. The shell calls one
// method per socket event; the cast adds simulated users that speak through actAs.
class GatewayModel {
public:
    static constexpr std::size_t kLongestName = 15;
    // The longest name or password line of a login; a longer one fails the attempt.
    static constexpr std::size_t kLongestLoginLine = 64;

    GatewayModel(SessionPort& port, Clock& clock, GatewayOptions options = {});

    void open(SessionId id, std::string_view peer);
    void receive(SessionId id, std::string_view bytes);
    void closed(SessionId id);
    // Closes each connection that has not logged in within loginWithinMs of opening, so
    // silent sockets can't hold every connection the shell allows. Sends 2000 NULL to each
    // logged-in client every nullEveryMs from its login, whatever else it was sent.
    void tick();

    // A user of the cast, logged in and in no channel; none if the name is taken or invalid.
    std::optional<SessionId> addSimulated(std::string_view name, std::string_view product);
    // A line from a simulated user, taken as if it had typed it.
    void actAs(SessionId id, std::string_view line);

    // The user's channel: empty in none, "The Void" once banned, empty for unknown ids.
    std::string channelOf(SessionId id) const;
    // The names of the connected (not simulated) users in the channel, in the order they came.
    std::vector<std::string> realUsersIn(std::string_view channel) const;
    bool hasSessions() const { return !registry_.ids().empty(); }

    static bool IsValidName(std::string_view name);

private:
    void HandleLine(SessionId id, std::string_view line);
    void LogIn(Session& s);
    void End(Session& s);

    SessionPort& port_;
    Clock& clock_;
    GatewayOptions options_;
    Registry registry_;
    ChatCommands commands_;
    SessionId nextSimulated_ = SessionId{1} << 62;
};

}  // namespace varno::demo
