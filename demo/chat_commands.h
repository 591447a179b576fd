#pragma once

#include <string_view>

#include "demo/registry.h"

namespace varno::demo {

// What a logged-in user's line does: talk to the channel, or a slash command answered with
// the lines a real gateway sends.
class ChatCommands {
public:
    static constexpr std::size_t kLongestChannelName = 31;
    // Names one channel's ban list holds at most; a ban past it is refused, so the list and
    // the time to search it stay bounded.
    static constexpr std::size_t kMostBans = 1000;

    explicit ChatCommands(Registry& registry) : registry_(registry) {}

    void Run(Session& s, std::string_view line);

private:
    void Talk(Session& s, std::string_view text);
    void Emote(Session& s, std::string_view text);
    void Whisper(Session& s, std::string_view rest);
    void Join(Session& s, std::string_view name);
    void Whois(Session& s, std::string_view name);
    void Ban(Session& s, std::string_view rest);
    void Unban(Session& s, std::string_view name);
    void Kick(Session& s, std::string_view rest);
    void Squelch(Session& s, std::string_view name, bool on);
    void Designate(Session& s, std::string_view name);
    void Help(Session& s);

    // The channel the user may speak in, or null after telling the user why not.
    Channel* SpeakingChannel(Session& s);
    // The user's channel if the user is its operator, or null after telling the user why not:
    // in no channel, or the given error.
    Channel* OperatedChannel(Session& s, std::string_view error);
    // Whom a moderator may not ban or kick, the name's kind: "administrators" for an account
    // operator, logged in or not, "operators" for an operator of the channel or the moderator
    // itself; empty for anyone else. `target` is the name's user, if logged in.
    std::string_view Untouchable(const Session& s, const Channel& c, std::string_view name,
                                 const Session* target) const;

    Registry& registry_;
};

}  // namespace varno::demo
