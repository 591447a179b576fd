#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "log/log_writer.h"
#include "moderation/ban_list.h"
#include "moderation/database.h"
#include "moderation/list_edit.h"

namespace varno {

// The list edits that users of database.txt give from the channel and the operator from the
// program's own window: a pattern added to or removed from the ban list (shitlist.txt) or
// the word list (badwords.txt), one line of the file at a time (see AddListLine). A ban
// pattern that would match the program itself or a name in database.txt is refused, and so
// is a word pattern that would match every line. Each change writes one orange line to the
// main log, reads its list again and, for a pattern added to the ban list, checks the users
// present against it.
class ListEditor {
public:
    struct Files {
        std::string shitlist;  // shitlist.txt
        std::string badwords;  // badwords.txt
    };
    struct Hooks {
        std::function<const std::string&()> ownName;
        std::function<void()> banPresentUsers;  // checks the users present against the ban list
    };

    ListEditor(const Database& database, BanList& banList, BanList& badWords, LogWriter& writer,
               Files files, Hooks hooks);

    // A list edit that speaker asked for: the refusals, the one changed line, the orange
    // line, the reload and the check of the users present. The answer goes to answer;
    // returns whether the file changed.
    bool ChangeList(std::string_view speaker, ListKind list, bool add, std::string_view pattern,
                    const std::function<void(std::string_view)>& answer);
    // "The ban list holds N patterns", to answer.
    void CountBanList(const std::function<void(std::string_view)>& answer) const;

private:
    const Database& database_;
    BanList& banList_;
    BanList& badWords_;
    LogWriter& writer_;
    Files files_;
    Hooks hooks_;
};

}  // namespace varno
