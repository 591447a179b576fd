#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "moderation/list_edit.h"

namespace varno {

class Client;

// A page of the Moderation window over one pattern list: the ban list (shitlist.txt) or the
// banned words (badwords.txt). It shows the patterns as the program holds them, and changes
// them only through the path of the channel's list commands, so that a change from here is
// checked, written, logged and used as one from the channel is.
class ListPage {
public:
    ListPage(Client& client, ListKind kind);

    ListKind kind() const { return kind_; }
    // Takes the list as the program now holds it (read again when the file changed on disk
    // or from the channel); returns whether it differs from what the page held.
    bool Refresh();
    const std::vector<std::string>& patterns() const { return shown_; }
    // "1 pattern", "12 patterns".
    std::string CountText() const;

    // Adds text, blanks around it aside, and returns the answer the channel would get.
    std::string Add(std::string_view text);
    // Removes each pattern in turn; returns one answer for all of them.
    std::string Remove(const std::vector<std::string>& patterns);
    // What the program does with a name (the ban list) or a line (the banned words): the
    // patterns it matches, and whether it would be banned or kicked for them.
    std::string Test(std::string_view text) const;

private:
    std::string TestName(std::string_view name, const std::string& matches) const;
    const std::vector<std::string>& held() const;

    Client& client_;
    const ListKind kind_;
    std::vector<std::string> shown_;
};

}  // namespace varno
