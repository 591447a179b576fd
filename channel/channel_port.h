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
    // Runs a trigger command if the speaker may give one and the message holds one; returns
    // whether it did.
    virtual bool HandleCommand(std::string_view speaker, std::string_view message) = 0;
    // Reads the access database again from its file.
    virtual void LoadDatabase() = 0;
    // The name the server gave this client at login (the name event).
    virtual void setOwnName(std::string_view name) = 0;
    // A talk or emote line and a join, for the channel's protection rules. CheckTalk returns
    // whether a rule acted on the line.
    virtual bool CheckTalk(std::string_view name, std::string_view flags,
                           std::string_view text) = 0;
    virtual void CheckJoin(std::string_view name, std::string_view flags) = 0;
    // The flags of a user the channel lists, a user joining or a flags change, and a user
    // leaving: who is staff, an operator or an administrator right now.
    virtual void UserFlags(std::string_view /*name*/, std::string_view /*flags*/) {}
    virtual void UserLeft(std::string_view /*name*/) {}
    // A user the channel lists (joined: false) or who joins, with the product the line
    // names; a flags change of a user; a talk or emote line of someone else.
    virtual void UserHere(std::string_view /*name*/, std::string_view /*flags*/,
                          std::string_view /*product*/, bool /*joined*/) {}
    virtual void FlagsChanged(std::string_view /*name*/, std::string_view /*flags*/) {}
    virtual void Said(std::string_view /*name*/, std::string_view /*text*/, bool /*emote*/) {}
    // Whether a channel line of speaker names this client (never its own lines).
    virtual bool NamesOperator(std::string_view speaker, std::string_view text) = 0;
    // A whisper received, and a channel line that names this client and that no command or
    // rule acted on: the operator may want to be told.
    virtual void Whispered(std::string_view name, std::string_view text) = 0;
    virtual void Mentioned(std::string_view name, std::string_view text) = 0;
    // An info (error: true for an error) line of the server, which may answer a ban, kick or
    // unban of this client's. Returns whether the program told the operator what it meant
    // already, so that the line itself is not shown again.
    virtual bool ServerReply(bool /*error*/, std::string_view /*text*/) { return false; }
};

}  // namespace varno
