#pragma once

#include <string_view>

#include "base/edition.h"
#include "moderation/database.h"
#include "moderation/list_edit.h"

namespace varno {

// What the trigger commands do to the connection.
class CommandPort {
public:
    virtual ~CommandPort() = default;
    // Sends text and CR LF while the socket is connected; drops it otherwise.
    virtual void SendLine(std::string_view text) = 0;
    // The same for a ban, kick or unban, which goes ahead of chat lines waiting to be sent.
    virtual void SendModeration(std::string_view text) = 0;
    // Closes the socket and connects again to the Server setting on port 6112.
    virtual void Reconnect() = 0;
    // Adds a pattern to a list or removes it, and answers in the channel.
    virtual void EditList(std::string_view speaker, ListKind list, bool add,
                          std::string_view pattern) = 0;
    // Answers in the channel with the number of ban patterns.
    virtual void CountBanList() = 0;
};

// The trigger commands that users listed in the access database give by talking in the
// channel: say, ban, unban (edition 2.01 only), kick, version and reconnect, and the list
// edits "shitlist add", "shitlist del", "badword add", "badword del" and "shitlist count".
class Commands {
public:
    Commands(const Edition& edition, const Database& database, CommandPort& port);

    // Runs the command in a channel message, if the speaker is listed and the message is one.
    // The trigger is the Trigger setting as it stands now.
    void HandleCommand(std::string_view speaker, std::string_view message,
                       std::string_view trigger);

private:
    const Edition& edition_;
    const Database& database_;
    CommandPort& port_;
};

}  // namespace varno
