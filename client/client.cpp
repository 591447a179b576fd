#include "client/client.h"

#include <algorithm>
#include <filesystem>

#include "base/text_case.h"
#include "base/whole_number.h"
#include "channel/mention.h"
#include "moderation/server_reply.h"
#include "moderation/user_menu.h"

namespace varno {

Client::Client(const Edition& edition, std::string appFolder, Ports ports)
    : edition_(edition),
      appFolder_(std::move(appFolder)),
      ports_(ports),
      writer_(edition, ports.clock, settings_.Clear),
      logFile_(ports.clock, writer_),
      connection_(edition, settings_, writer_, ports),
      events_(edition, writer_, roster_, *this),
      dispatcher_(edition, events_),
      commands_(edition, database_, *this),
      idle_(edition),
      protection_(settings_, database_, banList_, writer_, ports.clock, connection_,
                  {FilePath(kBanListFile), FilePath(kBadWordsFile), FilePath("bans.txt")},
                  {[this]() -> const std::string& { return ownName(); },
                   [this] { BanPresentUsers(); }, [this](std::string_view text) { Say(text); },
                   [this](std::string_view origin, DeedBook::Action action, std::string_view name,
                          bool done,
                          std::string_view text) { DeedEnded(origin, action, name, done, text); }}),
      attention_(settings_.Notify, ports.clock),
      scripts_(ScriptPorts()) {
    writer_.addSink(startLines_);
    ports_.r.setInterval(Connection::kInitialInterval);
    ports_.r.setEnabled(true);
    connection_.setOnConnect([this] {
        dispatcher_.reset();
        protection_.OnConnect();
    });
    connection_.setEmptyUserList([this] {
        roster_.clear();
        trusted_.Clear();
        if (watch_.usersCleared) {
            watch_.usersCleared();
        }
    });
    connection_.setSawEventLine([this] { return dispatcher_.sawEventLine(); });
    connection_.setWaitingChanged([this] { ShowUptime(); });
}

std::string Client::FilePath(std::string_view name) const {
    std::string path = appFolder_;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

std::string Client::iniPath() const {
    return FilePath(kSettingsFile);
}

void Client::Form_Load() {
    if (edition_.layoutSnapshot) {
        ports_.window.takeLayoutSnapshot();
    }
    if (edition_.startupBanners) {
        ports_.window.beep();
        writer_.WriteChat(
            {{colour::kWhite, writer_.Prefix()}, {colour::kWhite, "Varno 2.00 - By Tamsel"}});
        writer_.WriteWhisper(
            {{colour::kWhite, writer_.Prefix()}, {colour::kWhite, "Whisper Windows"}});
    }
    writer_.Line(LogTarget::Main, colour::kLightGrey, "Settings folder: " + appFolder_);
    std::error_code unknown;
    awaitingSettings_ =
        !std::filesystem::exists(std::filesystem::symlink_status(iniPath(), unknown));
    ReadSettings(settings_, edition_, iniPath());
    TellUnreadableNumbers();
    UpdateLogFolder();
    banList_.LoadBanList(FilePath(kBanListFile));
    protection_.Start();
    ReloadScripts(true);
    if (awaitingSettings_) {
        // Trying a server nobody named would only repeat "Server Down" for ever.
        ports_.r.setEnabled(false);
        writer_.Line(LogTarget::Main, colour::kLightGrey,
                     "No settings yet: fill in Options and press Ok");
        return;
    }
    connection_.Start();
}

void Client::sck_dataarrival(std::string_view block) {
    connection_.Arrived();
    protection_.Arrived();
    dispatcher_.ParseData(block);
    if (SwitchedOn(settings_.BanOnEntry)) {
        BanListed(dispatcher_.presentNames());
    }
    BanListed(dispatcher_.joinNames());
    trusted_.Settle();
}

bool Client::SparesFromBans(std::string_view name) const {
    return trusted_.SparesFromBans(name, ownName(), database_,
                                   SwitchedOn(settings_.ProtectTrusted));
}

void Client::BanListed(const std::vector<std::string>& names) {
    std::vector<std::string> others;
    others.reserve(names.size());
    for (const std::string& name : names) {
        if (!SparesFromBans(name)) {
            others.push_back(name);
        }
    }
    banList_.CheckBanList(others, [this](std::string_view line) { protection_.BanFromList(line); });
}

void Client::BanPresentUsers() {
    std::vector<std::string> names;
    names.reserve(roster_.size());
    for (std::size_t i = 0; i < roster_.size(); ++i) {
        names.push_back(roster_.at(i).text);
    }
    BanListed(names);
}

void Client::ReloadFiles(const std::vector<std::string>& names) {
    // "shitlist.txt (1 pattern)", "database.txt (2 names)".
    const auto holding = [](const std::string& file, std::size_t n, std::string_view what) {
        return file + " (" + std::to_string(n) + " " + std::string(what) + (n == 1 ? ")" : "s)");
    };
    std::string told;
    bool banListChanged = false;
    for (const std::string& name : names) {
        std::string what;
        if (name == kSettingsFile) {
            ReadSettings(settings_, edition_, iniPath());
            UpdateLogFolder();  // first, so that a log folder named now gets the lines below
            TellUnreadableNumbers();
            ReloadScripts(false);  // the folder may be another now
            what = name;
        } else if (name == kBanListFile) {
            // A list edit of the program's own was read already; reading its file again is
            // no reason to ban anyone a second time.
            const std::vector<std::string> before = banList_.patterns();
            banList_.ReloadBanList(FilePath(name));
            banListChanged = banList_.patterns() != before;
            what = holding(name, banList_.patterns().size(), "pattern");
        } else if (name == kDatabaseFile) {
            database_.LoadDatabase(FilePath(name));
            what = holding(name, database_.size(), "name");
        } else if (name == kBadWordsFile) {
            protection_.ReloadBadWords();
            what = holding(name, protection_.badWordCount(), "pattern");
        } else {
            continue;
        }
        told += (told.empty() ? "Reloaded " : ", ") + what;
    }
    if (!told.empty()) {
        writer_.Line(LogTarget::Main, colour::kLightGrey, told);
    }
    if (banListChanged) {
        BanPresentUsers();
    }
}

void Client::TellUnreadableNumbers() {
    for (const std::string& line : UnreadableNumbers(settings_, edition_)) {
        writer_.Line(LogTarget::Main, colour::kRed, line);
    }
}

void Client::UpdateLogFolder() {
    std::string folder = settings_.LogFolder;
    if (!folder.empty() && folder.front() != '/') {
        folder = FilePath(folder);
    }
    logFile_.setFolder(folder);
    writer_.removeSink(logFile_);
    if (!folder.empty()) {
        writer_.addSink(logFile_);
    }
    if (holdingStart_) {
        // The lines before the settings were read go first, as they came.
        holdingStart_ = false;
        writer_.removeSink(startLines_);
        startLines_.HandTo(folder.empty() ? nullptr : &logFile_);
    }
}

void Client::Timer1_Timer() {
    uptime_.Timer1_Timer();
    ShowUptime();
    connection_.Tick();
    protection_.Tick();
    scripts_.Tick();
}

void Client::ShowUptime() {
    std::string text = uptime_.text();
    if (const std::size_t waiting = connection_.waitingLines()) {
        text += " - " + WaitingLinesText(waiting);
    }
    ports_.window.setUptime(text);
}

void Client::Timer2_Timer() {
    if (const auto line = idle_.Timer2_Timer(settings_.Idle)) {
        SendChat(*line);
    }
}

void Client::txtSend_Enter(std::string_view text) {
    if (connection_.SendEntered(text).queued) {
        protection_.OperatorLine(text);
    }
    EchoOwnLine(text);
}

void Client::EchoOwnLine(std::string_view text) {
    if (edition_.singleRunLines) {
        writer_.Line(LogTarget::Main, colour::kWhite,
                     settings_.Username + ": " + std::string(text));
    } else {
        writer_.Line(LogTarget::Main, {{colour::kLightYellow, settings_.Username + ": "},
                                       {colour::kWhite, std::string(text)}});
    }
}

void Client::UserMenuChoice(int id, std::string_view name) {
    if (const auto line = UserMenuLine(edition_, id, name)) {
        if (id == kMenuBan || id == kMenuKick) {
            protection_.SendModeration(*line);
        } else {
            connection_.SendTyped(*line);
        }
    }
}

std::vector<OptionField> Client::Form2_Load() const {
    return LoadOptionFields(edition_, iniPath());
}

void Client::SettingsSaved(bool written) {
    if (!written) {
        writer_.Line(LogTarget::Main, colour::kRed, "Could not save the options to " + iniPath());
    }
    UpdateLogFolder();
    TellUnreadableNumbers();
}

bool Client::SaveSettings(const std::vector<IniEntry>& entries) {
    const bool written = WriteIniValues(kSettingsSection, entries, iniPath());
    ReloadSettings(settings_, edition_, iniPath());
    SettingsSaved(written);
    return written;
}

bool Client::EditListFromWindow(ListKind list, bool add, std::string_view pattern,
                                std::string& answer) {
    return protection_.ChangeList("Moderation window", list, add, pattern,
                                  [&answer](std::string_view text) { answer = text; });
}

void Client::Form2_Ok(const std::vector<OptionField>& fields) {
    SettingsSaved(SaveOptionFields(edition_, fields, iniPath(), settings_));
    if (!awaitingSettings_) {
        return;
    }
    if (settings_.Server.empty()) {
        writer_.Line(LogTarget::Main, colour::kLightGrey,
                     "No server yet: fill in Server in Options and press Ok");
        return;
    }
    // The start-up that the first start held back.
    awaitingSettings_ = false;
    ports_.r.setInterval(Connection::kInitialInterval);
    ports_.r.setEnabled(true);
    connection_.Start();
}

void Client::setChannelLabel(std::string_view text) {
    trusted_.Clear();  // the listing of the new channel follows
    scriptUsers_.clear();
    if (watch_.usersCleared) {
        watch_.usersCleared();
    }
    ports_.window.setChannelLabel(text);
    protection_.OnLoggedIn();  // only the channel event sets the label through this port
    scripts_.Channel(text);
}

void Client::setOwnName(std::string_view name) {
    ownName_ = name;
    connection_.LoggedIn(name);
    protection_.OnLoggedIn();
}

void Client::SendLine(std::string_view text) {
    commandRan_ = true;
    if (IsModerationLine(text)) {
        protection_.SendModeration(text);
    } else {
        Say(text);
    }
}

bool Client::Say(std::string_view text) {
    if (!connection_.SendLine(text).queued) {
        return false;
    }
    EchoOwnLine(text);
    return true;
}

bool Client::ServerReply(bool error, std::string_view text) {
    // The method's own name hides the type's.
    const varno::ServerReply reply = ReadServerReply(error, text, ownName());
    if (reply.kind == varno::ServerReply::Kind::Confirmed &&
        reply.action == ModerationAction::Ban) {
        ++bansConfirmed_;
    }
    if (error && SendQueue::IsDropNotice(text)) {
        connection_.HoldSending();
    }
    return protection_.OnServerReply(reply, text);
}

bool Client::HandleCommand(std::string_view speaker, std::string_view message) {
    commandRan_ = false;
    commands_.HandleCommand(speaker, message, settings_.Trigger);
    // A trigger line no command took is the scripts', whoever said it.
    const std::string_view trigger = settings_.Trigger;
    if (!commandRan_ && !scripts_.empty() && !trigger.empty() && message.starts_with(trigger) &&
        !EqualsIgnoreCase(speaker, ownName())) {
        scripts_.Command(speaker, message.substr(trigger.size()), database_.IsInDatabase(speaker));
    }
    return commandRan_;
}

void Client::UserLeft(std::string_view name) {
    trusted_.Left(name);
    protection_.OnUserLeft(name);
    scriptUsers_.erase(ToLowerAscii(name));
    if (!scripts_.empty()) {
        scripts_.Leave(name);
    }
    if (watch_.userLeft) {
        watch_.userLeft(name);
    }
}

void Client::UserHere(std::string_view name, std::string_view flags, std::string_view product,
                      bool joined) {
    // Scripts see the product's code without the brackets the gateway sends around it.
    if (product.size() >= 2 && product.front() == '[' && product.back() == ']') {
        product = product.substr(1, product.size() - 2);
    }
    const ScriptUser& user = scriptUsers_[ToLowerAscii(name)] =
        ScriptUser{std::string(name), std::string(flags), std::string(product)};
    if (joined && !scripts_.empty()) {
        scripts_.Join(name, flags, product);
    }
    if (watch_.userHere) {
        watch_.userHere(user, joined);
    }
}

void Client::FlagsChanged(std::string_view name, std::string_view flags) {
    if (const auto user = scriptUsers_.find(ToLowerAscii(name)); user != scriptUsers_.end()) {
        user->second.flags = flags;
    }
    if (!scripts_.empty()) {
        scripts_.Flags(name, flags);
    }
    if (watch_.flagsChanged) {
        watch_.flagsChanged(name, flags);
    }
}

void Client::Said(std::string_view name, std::string_view text, bool emote) {
    if (scripts_.empty() || EqualsIgnoreCase(name, ownName())) {
        return;
    }
    if (emote) {
        scripts_.Emote(name, text);
    } else {
        scripts_.Talk(name, text);
    }
}

bool Client::NamesOperator(std::string_view speaker, std::string_view text) {
    return !speaker.empty() && !EqualsIgnoreCase(speaker, ownName()) && NamesUser(text, ownName());
}

void Client::Whispered(std::string_view name, std::string_view text) {
    if (!name.empty() && !EqualsIgnoreCase(name, ownName())) {
        attention_.Whisper(name, text);
        scripts_.Whisper(name, text);
    }
}

void Client::Mentioned(std::string_view name, std::string_view text) {
    attention_.Mention(name, roster_.header(), text);
}

void Client::LoadDatabase() {
    database_.LoadDatabase(FilePath(kDatabaseFile));
}

}  // namespace varno
