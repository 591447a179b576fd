#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/edition.h"
#include "base/whole_number.h"
#include "channel/channel_events.h"
#include "channel/channel_port.h"
#include "channel/roster.h"
#include "client/attention.h"
#include "connection/connection.h"
#include "connection/dispatcher.h"
#include "connection/ini_file.h"
#include "connection/options.h"
#include "connection/settings.h"
#include "log/chat_log_file.h"
#include "log/held_lines.h"
#include "log/log_writer.h"
#include "moderation/ban_list.h"
#include "moderation/commands.h"
#include "moderation/database.h"
#include "moderation/idle_message.h"
#include "moderation/protection.h"
#include "moderation/trust.h"
#include "moderation/uptime.h"
#include "script/script_host.h"

namespace varno {

// The lists of the settings folder that are read again when they change on disk.
inline const std::vector<std::string> kListFiles = {
    std::string(kBanListFile), std::string(kDatabaseFile), std::string(kBadWordsFile)};

// The origin of the deeds asked for through the control socket, as the end of a deed names
// it (see ClientWatch): a script's name is a file's, and never holds a '/'.
inline constexpr std::string_view kControlOrigin = "/control";

// Who watches the client from outside the program (the control socket): the users of the
// channel as they come, go and change, and the ends of deeds asked for by scripts and through
// the control socket. Any of them may be left empty.
struct ClientWatch {
    // A user listed on entering the channel (joined false), or joining it.
    std::function<void(const ScriptUser& user, bool joined)> userHere;
    std::function<void(std::string_view name)> userLeft;
    std::function<void(std::string_view name, std::string_view flags)> flagsChanged;
    // The user list was emptied: a new channel's listing follows, or the connection went.
    std::function<void()> usersCleared;
    // origin: the script's name, or kControlOrigin. done: the server confirmed it; else
    // text holds the server's words or why it was given up.
    std::function<void(std::string_view origin, DeedBook::Action action, std::string_view name,
                       bool done, std::string_view text)>
        deedEnded;
};

// The main window's behaviour: every platform event of the window arrives here as one call,
// and everything the window shows is in the models this holds.
class Client : private ChannelPort, private CommandPort {
public:
    using Ports = Connection::Ports;

    // appFolder: the folder that holds Varno.ini, shitlist.txt and database.txt.
    Client(const Edition& edition, std::string appFolder, Ports ports);
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    const Edition& edition() const { return edition_; }
    const Settings& settings() const { return settings_; }
    LogWriter& logs() { return writer_; }
    Roster& roster() { return roster_; }
    const BanList& banList() const { return banList_; }
    const Database& database() const { return database_; }
    const std::string& appFolder() const { return appFolder_; }
    const Protection& protection() const { return protection_; }
    // Whispers and lines that name the operator, told to a window program's desktop.
    Attention& attention() { return attention_; }
    // Whether the window shows web addresses as links (Links) and has a find bar (Find).
    bool showsLinks() const { return SwitchedOn(settings_.Links); }
    bool hasFindBar() const { return SwitchedOn(settings_.Find); }
    Connection& connection() { return connection_; }
    std::string iniPath() const;
    // The name the server knows this client by: the last name event's, else Username.
    const std::string& ownName() const { return ownName_.empty() ? settings_.Username : ownName_; }

    // Window events.
    // Reads the settings and the lists and connects; without a Varno.ini at all (a first
    // start) it asks for settings instead and connects once Ok has saved a server.
    void Form_Load();
    // The bans the server has confirmed for this client, whoever asked for them, in this run.
    std::size_t bansConfirmed() const { return bansConfirmed_; }
    // A first start waiting for Ok to save a server: nothing connects meanwhile.
    bool awaitingSettings() const { return awaitingSettings_; }
    void sck_connect() { connection_.sck_connect(); }
    void sck_Close() { connection_.sck_Close(); }
    void sck_Error() { connection_.sck_Error(); }
    // Dispatches the block, then checks its joining users, and (unless BanOnEntry is 0) the
    // users it lists as present, against the ban list (see BanListed).
    void sck_dataarrival(std::string_view block);
    void r_timer() { connection_.r_timer(); }
    void retry_timer() { connection_.retry_timer(); }
    void send_timer() { connection_.send_timer(); }
    void Timer1_Timer();
    void Timer2_Timer();
    void mnuConnect_Click() { connection_.mnuConnect_Click(); }
    void mnuDisconnect_Click() { connection_.mnuDisconnect_Click(); }
    void mnuReconnect_Click() { connection_.mnuReconnect_Click(); }
    void Command1_Click() { writer_.Command1_Click(); }
    // Enter in the input line with the text it holds, sent with an empty line after it and
    // shown whether or not it could be sent; the box is emptied afterwards.
    void txtSend_Enter(std::string_view text);
    // A choice of the user-list menu for the entry with this text.
    void UserMenuChoice(int id, std::string_view name);

    // The options dialog.
    std::vector<OptionField> Form2_Load() const;
    void Form2_Ok(const std::vector<OptionField>& fields);

    // The Moderation window.
    Clock& clock() { return ports_.clock; }
    // Whether the ban list leaves name alone (see TrustedUsers::SparesFromBans).
    bool SparesFromBans(std::string_view name) const;
    // A list edit from the window: the path of the channel's list commands, with the answer
    // given back instead of said; returns whether the file changed.
    bool EditListFromWindow(ListKind list, bool add, std::string_view pattern, std::string& answer);
    // The same for another asker, whom the orange line names ("varnoctl").
    bool EditListFor(std::string_view asker, ListKind list, bool add, std::string_view pattern,
                     std::string& answer);
    std::optional<std::string> LiftBan(std::string_view name) { return protection_.LiftBan(name); }
    // Writes keys of the settings file as Ok of the options dialog does, and uses them at once.
    bool SaveSettings(const std::vector<IniEntry>& entries);

    Connection::Sent SendChat(std::string_view text) { return connection_.SendChat(text); }

    // The control socket.
    void setWatch(ClientWatch watch) { watch_ = std::move(watch); }
    // The users present, in the user list's order, with their flags and products.
    std::vector<ScriptUser> presentUsers() const;
    // A user of the user list (its name as listed), with the flags and product last seen.
    ScriptUser PresentUser(const std::string& name) const;
    // A ban, kick or unban ("ban", "kick", "unban") asked for through the control socket: a
    // deed of the program's own, as a script's is (trusted users spared from bans and kicks,
    // its orange line naming "varnoctl"), whose end is told to the watch with kControlOrigin.
    // Returns why it was refused at once, or empty text when it is under way.
    std::string ControlModeration(std::string_view action, std::string_view name,
                                  std::string_view reason);
    // Checks everyone in the user list against the ban list, as a join is checked: after the
    // list changed, the users already there answer to it too.
    void BanPresentUsers();

    // The files of the settings folder changed on disk (or the operator asked): reads each
    // one named again (Varno.ini and the lists of kListFiles; other names are passed over)
    // and writes one light-grey line naming what was read and what it now holds. After a
    // change of the ban list, the users present are checked against it.
    void ReloadFiles(const std::vector<std::string>& names);

    // The operator's scripts (the Scripts setting's folder): loaded at start, again when a
    // file of theirs changes (force: every one afresh, as on a reload asked for).
    const ScriptHost& scripts() const { return scripts_; }
    std::string scriptsFolder() const;
    void ReloadScripts(bool force);
    // Ends every script, each told first (on_stop): for a program going away, while the
    // connection, the log and the window still work.
    void StopScripts();

private:
    // ChannelPort
    void setChannelLabel(std::string_view text) override;
    bool HandleCommand(std::string_view speaker, std::string_view message) override;
    void LoadDatabase() override;
    void setOwnName(std::string_view name) override;
    bool CheckTalk(std::string_view name, std::string_view flags, std::string_view text) override {
        return protection_.CheckTalk(name, flags, text);
    }
    void CheckJoin(std::string_view name, std::string_view flags) override {
        protection_.CheckJoin(name, flags);
    }
    void UserFlags(std::string_view name, std::string_view flags) override {
        trusted_.Flags(name, flags);
    }
    void UserLeft(std::string_view name) override;
    void UserHere(std::string_view name, std::string_view flags, std::string_view product,
                  bool joined) override;
    void FlagsChanged(std::string_view name, std::string_view flags) override;
    void Said(std::string_view name, std::string_view text, bool emote) override;
    bool NamesOperator(std::string_view speaker, std::string_view text) override;
    void Whispered(std::string_view name, std::string_view text) override;
    void Mentioned(std::string_view name, std::string_view text) override;
    bool ServerReply(bool error, std::string_view text) override;
    // CommandPort; each call tells HandleCommand that a command ran.
    void SendLine(std::string_view text) override;
    void SendModeration(std::string_view text) override {
        commandRan_ = true;
        protection_.SendModeration(text);
    }
    void Reconnect() override {
        commandRan_ = true;
        connection_.Reconnect();
    }
    void EditList(std::string_view speaker, ListKind list, bool add,
                  std::string_view pattern) override {
        commandRan_ = true;
        protection_.EditList(speaker, list, add, pattern);
    }
    void CountBanList() override {
        commandRan_ = true;
        protection_.CountBanList();
    }

    // Sends a line of the program's own in the channel and, once it is queued, writes it to
    // the main log as a typed line is: the server does not echo what this client says.
    // Returns whether it was queued.
    bool Say(std::string_view text);
    // What the scripts may do and ask (see ScriptHost::Ports).
    ScriptHost::Ports ScriptPorts();
    std::string ScriptModeration(std::string_view script, std::string_view action,
                                 std::string_view name, std::string_view reason);
    // A deed asked by a script or the control socket (origin, as the deeds know it; asker, as
    // its orange line names it; who, as its red lines do): checked as the program's own are,
    // then opened. Returns why it was refused, or "" when it is under way.
    std::string Moderate(std::string_view origin, std::string_view asker, std::string_view who,
                         std::string_view action, std::string_view name, std::string_view reason);
    // The end of a deed a script or the control socket asked for.
    void DeedEnded(std::string_view origin, DeedBook::Action action, std::string_view name,
                   bool done, std::string_view text);
    // The main log's line for a line this client said.
    void EchoOwnLine(std::string_view text);
    std::string FilePath(std::string_view name) const;
    // One red line for each number setting that is not a number.
    void TellUnreadableNumbers();
    // After the settings were written: the lines about them and the log folder.
    void SettingsSaved(bool written);
    // Points the chat log on disk at the LogFolder setting (relative to the settings folder).
    void UpdateLogFolder();
    // The uptime label: the uptime, and how many lines wait to be sent while any do.
    void ShowUptime();
    // Sends a ban for each name that the ban list matches, leaving out this client's own and,
    // unless ProtectTrusted is 0, the database's names and trusted users (see TrustedUsers).
    void BanListed(const std::vector<std::string>& names);

    const Edition& edition_;
    const std::string appFolder_;
    Ports ports_;
    Settings settings_;
    LogWriter writer_;
    ChatLogFile logFile_;
    // The lines of the start until the LogFolder setting is read: the file gets them then.
    HeldLines startLines_;
    bool holdingStart_ = true;
    Roster roster_;
    Connection connection_;
    ChannelEvents events_;
    Dispatcher dispatcher_;
    BanList banList_;
    Database database_;
    Commands commands_;
    Uptime uptime_;
    IdleMessage idle_;
    std::string ownName_;
    bool awaitingSettings_ = false;
    TrustedUsers trusted_;
    Protection protection_;
    Attention attention_;
    bool commandRan_ = false;
    ScriptHost scripts_;
    // The flags and product of each user present, for the scripts: kept whether any runs or
    // not, so that a script loaded later knows them too (ASCII case folded names).
    std::unordered_map<std::string, ScriptUser> scriptUsers_;
    std::size_t bansConfirmed_ = 0;
    ClientWatch watch_;
};

}  // namespace varno
