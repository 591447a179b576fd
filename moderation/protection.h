#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "connection/connection.h"
#include "connection/settings.h"
#include "log/log_writer.h"
#include "moderation/ban_lifter.h"
#include "moderation/ban_list.h"
#include "moderation/channel_guard.h"
#include "moderation/database.h"
#include "moderation/deed_book.h"
#include "moderation/deed_runner.h"
#include "moderation/given_up_bans.h"
#include "moderation/list_editor.h"
#include "moderation/timed_bans.h"

namespace varno {

// The banned words, one wildcard pattern per line, beside the settings file.
inline constexpr std::string_view kBadWordsFile = "badwords.txt";

// Whether a line is a ban, kick or unban naming someone.
bool IsModerationLine(std::string_view line);

// The bot's own rules for the channel, off until their keys are set: kicks for floods,
// repeated lines and banned words, bans for join floods, bans lifted after BanMinutes (see
// BanLifter), and the list edits (see ListEditor). Every action writes one orange line to
// the main log.
//
// While lines are paced (SendQuota above 0), every ban, kick and unban of the program's own
// is a deed (see DeedRunner): its orange line, the record of a timed ban and the forgetting of
// one follow the server's confirmation, not the sending. With pacing off, a line sent is
// taken as done.
class Protection {
public:
    struct Files {
        std::string shitlist;  // shitlist.txt
        std::string badwords;  // badwords.txt
        std::string bans;      // bans.txt
    };
    struct Hooks {
        std::function<const std::string&()> ownName;
        std::function<void()> banPresentUsers;      // checks the users present against the ban list
        std::function<void(std::string_view)> say;  // a line of its own in the channel
        // The end of a deed a script asked for: done when the server confirmed it, else
        // the server's words or why it was given up.
        std::function<void(std::string_view script, DeedBook::Action action, std::string_view name,
                           bool done, std::string_view text)>
            scriptDeedEnded;
    };

    Protection(const Settings& settings, const Database& database, BanList& banList,
               LogWriter& writer, Clock& clock, Connection& connection, Files files, Hooks hooks);

    // Start-up: reads the word list and the pending bans.
    void Start();
    // Reads badwords.txt again; a missing file means no banned words.
    void ReloadBadWords();
    std::size_t badWordCount() const { return badWords_.patterns().size(); }

    // A talk or emote line, and a join (whispers are never checked). CheckTalk returns whether
    // a rule acted on the line.
    bool CheckTalk(std::string_view name, std::string_view flags, std::string_view text);
    void CheckJoin(std::string_view name, std::string_view flags);

    // A new connection begins; the server has let this client in (its name or a channel).
    // Open deeds are sent again after the login.
    void OnConnect();
    void OnLoggedIn() { runner_.OnLoggedIn(); }
    // A read from the server begins: its replies may answer the lines written before it.
    void Arrived() { runner_.Arrived(); }
    // The once-a-second tick: lifts the bans whose time is over (once logged in), sends the
    // deeds that wait, gives up those out of tries, and forgets users the counting rules no
    // longer need.
    void Tick();

    // Sends a ban, kick or unban of the bot's own. A ban done is recorded to be lifted after
    // BanMinutes (when above 0); an unban done forgets the pending ban. Returns whether it
    // went out (or is open as a deed).
    bool SendModeration(std::string_view line);
    // A ban the ban list asks for ("/ban NAME boo": on entry, for a join, or in a check of the
    // users present), as SendModeration, but not while a ban of NAME that the list asked for
    // is held as given up (see GivenUpBans).
    void BanFromList(std::string_view line);
    // The same for a script's ban, kick or unban (note: its orange line once done), told to
    // the script through Hooks::scriptDeedEnded once the server answers it, paced or not; who
    // names the script in red lines.
    // Returns "" when a deed was opened (or merged into an equal open one), else why not (see
    // DeedRunner::ScriptModeration).
    std::string ScriptModeration(std::string_view script, std::string_view who,
                                 std::string_view line, std::string note) {
        return runner_.ScriptModeration(script, who, line, std::move(note));
    }
    // A line the operator typed: an "/unban NAME" forgets the pending ban of NAME (once the
    // server confirms it, while lines are paced).
    void OperatorLine(std::string_view line) { lifter_.OperatorLine(line); }

    // A server info or error line, paired with the line it answers (see DeedBook); returns
    // whether the server's line is not to be shown: a refusal of a deed, which the log tells
    // of in its own words, a kick's refusal whose user left, and the answer to the probe.
    // reply: the line read with ReadServerReply; text: its words.
    bool OnServerReply(const ServerReply& reply, std::string_view text);
    void OnUserLeft(std::string_view name) { runner_.OnUserLeft(name); }

    // The list edits from the channel: the answer is said in the channel.
    void EditList(std::string_view speaker, ListKind list, bool add, std::string_view pattern) {
        lists_.ChangeList(speaker, list, add, pattern, hooks_.say);
    }
    // A list edit that speaker asked for, from the channel or the program's own window (see
    // ListEditor::ChangeList); returns whether the file changed.
    bool ChangeList(std::string_view speaker, ListKind list, bool add, std::string_view pattern,
                    const std::function<void(std::string_view)>& answer) {
        return lists_.ChangeList(speaker, list, add, pattern, answer);
    }
    void CountBanList() { lists_.CountBanList(hooks_.say); }
    // Lifts the pending timed ban of name now (see BanLifter::LiftBan).
    std::optional<std::string> LiftBan(std::string_view name) { return lifter_.LiftBan(name); }

    const ChannelGuard& guard() const { return guard_; }
    const TimedBans& timedBans() const { return lifter_.bans(); }
    const BanList& badWords() const { return badWords_; }
    const DeedBook& deeds() const { return runner_.deeds(); }

private:
    // Reads the rule keys again when their texts changed.
    void Refresh();
    void Act(std::string_view name, ChannelGuard::Verdict verdict);
    // A ban, kick or unban of the program's own ended.
    void DeedEnded(DeedBook::Action action, std::string_view name, bool done);

    const Settings& settings_;
    const Database& database_;
    const BanList& banList_;
    Clock& clock_;
    Connection& connection_;
    Files files_;
    Hooks hooks_;
    ChannelGuard guard_;
    BanList badWords_;
    std::string floodText_;  // FloodLines, RepeatLines and JoinFlood as last read
    std::string repeatText_;
    std::string joinText_;
    DeedRunner runner_;
    BanLifter lifter_;
    ListEditor lists_;
    GivenUpBans givenUp_;
};

}  // namespace varno
