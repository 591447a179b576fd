#include "headless/bot_setup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/edition.h"
#include "base/make_folder.h"
#include "connection/ini_file.h"
#include "connection/settings.h"
#include "moderation/ban_list.h"
#include "moderation/database.h"
#include "moderation/protection.h"

namespace varno {
namespace {

std::string PathIn(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

// Creates path with bytes; never replaces what is there. An empty text on success, else why.
// The files are the owner's only: Varno.ini holds the password, database.txt who may command.
std::string CreateNew(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return std::strerror(errno);
    }
    errno = 0;
    if (!WriteAll(fd, bytes)) {
        const std::string why = std::strerror(errno != 0 ? errno : EIO);
        ::close(fd);
        return why;
    }
    return ::close(fd) == 0 ? std::string() : std::strerror(errno);
}

}  // namespace

std::string SettingsProblem(const std::string& folder) {
    const std::string ini = PathIn(folder, kSettingsFile);
    struct stat st {};
    if (::stat(ini.c_str(), &st) != 0) {
        return ini + " is missing; VarnoBot --init --folder " + folder +
               " writes one to fill in (see man varno.ini)";
    }
    if (const int fd = ::open(ini.c_str(), O_RDONLY | O_CLOEXEC); fd < 0) {
        return ini + " cannot be read: " + std::strerror(errno);
    } else {
        ::close(fd);
    }
    Settings settings;
    ReadSettings(settings, Edition::v201(), ini);
    for (const auto& [key, value] :
         {std::pair{"Server", &settings.Server}, std::pair{"Username", &settings.Username}}) {
        if (value->empty()) {
            return ini + " has no " + key + "; see man varno.ini";
        }
    }
    return {};
}

std::string StartingSettingsText() {
    return "; VarnoBot's settings (the window programs Varno1 and Varno read them too).\n"
           "; Fill in Server and Username at least; see man varno.ini for every key.\n"
           "; A line starting with ; is a comment; an empty value takes the default.\n"
           "[Varno]\n"
           "; Account name to log in with (required).\n"
           "Username=\n"
           "; The account's password, stored as typed: keep this file to its owner.\n"
           "Password=\n"
           "; Channel joined after login.\n"
           "Home=\n"
           "; Host name of the chat server; the port is always 6112 (required).\n"
           "Server=\n"
           "; Reconnect timer in milliseconds, read at start; empty: 100.\n"
           "Delay=\n"
           "; The one character that starts a trigger command, for example ! (then !say\n"
           "; hello); empty: no commands.\n"
           "Trigger=\n"
           "; Characters a log holds before it clears itself; empty: 30000.\n"
           "Clear=\n"
           "; Text said in the channel after a quiet while; empty: none.\n"
           "Idle=\n"
           "; Units of sending a window may hold (one per 40 bytes begun); 0 sends unpaced.\n"
           "SendQuota=4\n"
           "; The send window in milliseconds.\n"
           "SendWindow=5000\n"
           "; 1 checks the users present on entering a channel against the ban list; 0 only "
           "joins.\n"
           "BanOnEntry=1\n"
           "; Folder of the chat log on disk, one file a day, relative to this folder; empty: "
           "none.\n"
           "LogFolder=\n"
           "; N/S: more than N lines in S seconds from one user is a flood (kick); empty: off.\n"
           "FloodLines=\n"
           "; N/S: the same text N times in S seconds is repeating (kick); empty: off.\n"
           "RepeatLines=\n"
           "; N/S: more than N joins of one user in S seconds is a join flood (ban); empty: "
           "off.\n"
           "JoinFlood=\n"
           "; Bans the bot sends are lifted after this many minutes; empty: they stay.\n"
           "BanMinutes=\n"
           "; 1: bans never hit the bot, database.txt's names, staff, operators or admins;\n"
           "; 0: they spare only the bot.\n"
           "ProtectTrusted=1\n"
           "; Seconds from connecting to the server's name line before the login is given up\n"
           "; and tried again; 0: wait for ever.\n"
           "LoginTimeout=30\n"
           "; Seconds without a line from the server before the connection is taken as dead\n"
           "; and replaced (a probe goes after two thirds of it); 0: never.\n"
           "SilenceTimeout=210\n"
           "; 1: reconnects after short sessions and failed attempts wait longer each time in\n"
           "; a row; 0: at once after a session, a second after a failed attempt.\n"
           "Backoff=1\n";
}

StartingSet WriteStartingSet(const std::string& folder) {
    const std::vector<std::pair<std::string_view, std::string>> files = {
        {kSettingsFile, StartingSettingsText()},
        {kBanListFile, ""},
        {kDatabaseFile, ""},
        {kBadWordsFile, ""},
    };
    for (const auto& [name, bytes] : files) {
        struct stat st {};
        if (::lstat(PathIn(folder, name).c_str(), &st) == 0) {
            return {false, PathIn(folder, name) + " exists already; nothing was written"};
        }
    }
    if (!MakeFolder(folder)) {
        return {false, "cannot make the folder " + folder + ": " + std::strerror(errno)};
    }
    std::string written;
    for (const auto& [name, bytes] : files) {
        const std::string path = PathIn(folder, name);
        if (const std::string why = CreateNew(path, bytes); !why.empty()) {
            return {false, "cannot write " + path + ": " + why +
                               (written.empty() ? "" : " (written before it:" + written + ")")};
        }
        written += " " + std::string(name);
    }
    const std::string ini = PathIn(folder, kSettingsFile);
    return {true, "Wrote" + written + " in " + folder +
                      ".\nNext: fill in Server, Username and Password (and Home) in " + ini +
                      ",\nput ban patterns in shitlist.txt and the names allowed to give "
                      "commands in database.txt,\nthen start VarnoBot --folder " +
                      folder + ". See man varno.ini.\n"};
}

}  // namespace varno
