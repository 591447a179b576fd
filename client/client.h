#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/edition.h"
#include "channel/channel_events.h"
#include "channel/channel_port.h"
#include "channel/roster.h"
#include "connection/connection.h"
#include "connection/dispatcher.h"
#include "connection/options.h"
#include "connection/settings.h"
#include "log/chat_log_file.h"
#include "log/log_writer.h"
#include "moderation/ban_list.h"
#include "moderation/commands.h"
#include "moderation/database.h"
#include "moderation/idle_message.h"
#include "moderation/protection.h"
#include "moderation/uptime.h"

namespace varno {

// The lists of the settings folder that are read again when they change on disk.
inline const std::vector<std::string> kListFiles = {
    std::string(kBanListFile), std::string(kDatabaseFile), std::string(kBadWordsFile)};

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
    Connection& connection() { return connection_; }
    std::string iniPath() const;
    // The name the server knows this client by: the last name event's, else Username.
    const std::string& ownName() const { return ownName_.empty() ? settings_.Username : ownName_; }

    // Window events.
    void Form_Load();
    void sck_connect() { connection_.sck_connect(); }
    void sck_Close() { connection_.sck_Close(); }
    void sck_Error() { connection_.sck_Error(); }
    // Dispatches the block, then checks its joining users, and (unless BanOnEntry is 0) the
    // users it lists as present, against the ban list; this client's own name never.
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
    // Enter in the input line with the text it holds; the box is emptied afterwards.
    void txtSend_Enter(std::string_view text);
    // A choice of the user-list menu for the entry with this text.
    void UserMenuChoice(int id, std::string_view name);

    // The options dialog.
    std::vector<OptionField> Form2_Load() const;
    void Form2_Ok(const std::vector<OptionField>& fields);

    void SendChat(std::string_view text) { connection_.SendChat(text); }
    // Checks everyone in the user list but this client against the ban list, as a join is
    // checked: after the list changed, the users already there answer to it too.
    void BanPresentUsers();

    // The files of the settings folder changed on disk (or the operator asked): reads each
    // one named again (Varno.ini and the lists of kListFiles; other names are passed over)
    // and writes one light-grey line naming what was read and what it now holds. After the
    // ban list, the users present are checked against it.
    void ReloadFiles(const std::vector<std::string>& names);

private:
    // ChannelPort
    void setChannelLabel(std::string_view text) override;
    void HandleCommand(std::string_view speaker, std::string_view message) override;
    void LoadDatabase() override;
    void setOwnName(std::string_view name) override;
    void CheckTalk(std::string_view name, std::string_view flags, std::string_view text) override {
        protection_.CheckTalk(name, flags, text);
    }
    void CheckJoin(std::string_view name, std::string_view flags) override {
        protection_.CheckJoin(name, flags);
    }
    bool ServerReply(bool error, std::string_view text) override;
    void UserLeft(std::string_view name) override { protection_.OnUserLeft(name); }
    // CommandPort
    void SendLine(std::string_view text) override;
    void SendModeration(std::string_view text) override { protection_.SendModeration(text); }
    void Reconnect() override { connection_.Reconnect(); }
    void EditList(std::string_view speaker, ListKind list, bool add,
                  std::string_view pattern) override {
        protection_.EditList(speaker, list, add, pattern);
    }
    void CountBanList() override { protection_.CountBanList(); }

    std::string FilePath(std::string_view name) const;
    // Points the chat log on disk at the LogFolder setting (relative to the settings folder).
    void UpdateLogFolder();
    // The uptime label: the uptime, and how many lines wait to be sent while any do.
    void ShowUptime();
    // Sends a ban for each name that the ban list matches, leaving out this client's own.
    void BanListed(const std::vector<std::string>& names);

    const Edition& edition_;
    const std::string appFolder_;
    Ports ports_;
    Settings settings_;
    LogWriter writer_;
    ChatLogFile logFile_;
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
    Protection protection_;
};

}  // namespace varno
