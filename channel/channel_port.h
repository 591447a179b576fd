#pragma once

#include <string_view>

namespace varno {

// What the channel events need from the rest of the program: the channel label above the
// roster, the trigger commands and the access database.
class ChannelPort {
public:
    virtual ~ChannelPort() = default;
    // The caption of Label1.
    virtual void setChannelLabel(std::string_view channel) = 0;
    // Runs a trigger command if the speaker may give one and the message holds one.
    virtual void HandleCommand(std::string_view speaker, std::string_view message) = 0;
    // Reads the access database again from its file.
    virtual void LoadDatabase() = 0;
    // The name the server gave this client at login (the name event).
    virtual void setOwnName(std::string_view name) = 0;
    // A talk or emote line and a join, for the channel's protection rules.
    virtual void CheckTalk(std::string_view name, std::string_view flags,
                           std::string_view text) = 0;
    virtual void CheckJoin(std::string_view name, std::string_view flags) = 0;
    // The flags of a user the channel lists, a user joining or a flags change, and a user
    // leaving: who is staff, an operator or an administrator right now.
    virtual void UserFlags(std::string_view /*name*/, std::string_view /*flags*/) {}
    virtual void UserLeft(std::string_view /*name*/) {}
};

}  // namespace varno
