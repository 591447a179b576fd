#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "demo/ports.h"
#include "demo/session.h"

namespace varno::demo {

// A channel of the gateway. It exists while someone is in it; its bans go with it.
struct Channel {
    std::string name;
    std::vector<SessionId> members;   // in the order they came
    std::vector<std::string> banned;  // lower-case names
    std::string heir;                 // lower-case name the operator designated
};

// The users, the channels and the moves between them, with the lines each move sends.
class Registry {
public:
    static constexpr std::string_view kPublicChannel = "Chat";
    static constexpr std::string_view kVoid = "The Void";

    Registry(SessionPort& port, std::vector<std::string> admins);

    Session& add(SessionId id, bool simulated, FloodLimits limits);
    // Takes the session out of its channel and forgets it.
    void remove(SessionId id);
    Session* find(SessionId id);
    const Session* find(SessionId id) const;
    // A logged-in user, by name without regard to the case of ASCII letters.
    Session* findByName(std::string_view name);
    std::vector<SessionId> ids() const;

    Channel* channel(std::string_view name) const;
    std::size_t channelCount() const { return channels_.size(); }
    std::size_t loggedInCount() const;
    void rememberAccount(std::string_view name);
    bool isKnownAccount(std::string_view name) const;
    std::size_t accountCount() const { return accounts_.size(); }

    // Account operators carry flags 0008 everywhere and may moderate any channel. An account
    // is one by its name, whether it is logged in or not.
    bool isAdmin(std::string_view name) const;
    bool isOperator(const Session& s) const;

    void send(Session& s, std::string_view bytes);
    // To everyone in the channel but `except`, leaving out those who squelch `from`.
    void sendChannel(const Channel& c, std::string_view bytes, const Session* except,
                     const Session* from = nullptr);

    // Moves the user into the channel, creating it, unless the channel bans the user.
    // Returns false if banned.
    bool enter(Session& s, std::string_view channelName);
    void leave(Session& s);
    // The channel of the banned: no one to see, nothing to say.
    void enterVoid(Session& s);

private:
    std::string flagsIn(const Session& s, const Channel& c, bool first) const;
    void handOver(Channel& c);  // to the designated heir when the operator leaves

    SessionPort& port_;
    std::vector<std::string> admins_;  // lower-case
    std::map<SessionId, std::unique_ptr<Session>> sessions_;
    std::vector<std::unique_ptr<Channel>> channels_;
    std::vector<std::string> accounts_;  // lower-case
};

}  // namespace varno::demo
