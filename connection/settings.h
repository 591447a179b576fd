#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/edition.h"

namespace varno {

// The settings file's name and its one section.
inline constexpr std::string_view kSettingsFile = "Varno.ini";
inline constexpr std::string_view kSettingsSection = "Varno";

// The in-memory settings: every key as the text read from the settings file.
struct Settings {
    std::string Home;
    std::string Username;
    std::string Password;
    std::string Delay;
    std::string Trigger;
    std::string Server;
    std::string Clear;
    std::string Idle;

    // Keys read from the file only (the options dialog does not show them). Each one empty or
    // missing keeps the behaviour of a program without it.
    std::string SendQuota;    // units a send window may hold; 0 sends every line at once
    std::string SendWindow;   // the send window in milliseconds
    std::string BanOnEntry;   // 0: only joining users are checked against the ban list
    std::string LogFolder;    // where the chat log is kept on disk; empty: nowhere
    std::string FloodLines;   // "N/S": more than N lines in S seconds is a flood
    std::string RepeatLines;  // "N/S": the same text N times in S seconds
    std::string JoinFlood;    // "N/S": more than N joins in S seconds
    std::string BanMinutes;   // bans the program sends are lifted after this many minutes
    std::string Notify;       // 0: no desktop notification or attention request
    std::string KeepWindow;   // 0: the window opens centred and window.ini is left alone
    std::string Links;        // 0: web addresses in the logs are plain text
    std::string Find;         // 0: no find bar
    std::string Moderation;   // 0: no Moderation window in the menu

    // 0: the ban list spares only this client, not the database's names and staff.
    std::string ProtectTrusted;
    // Seconds from connecting to the server's name line before the login is given up; 0:
    // wait for ever.
    std::string LoginTimeout;
    // Seconds of silence after which a logged-in connection is taken as dead; 0: never.
    std::string SilenceTimeout;
    // 0: reconnect at once after a session however short, and a second after a failed
    // attempt, without doubling the wait.
    std::string Backoff;
    // The folder of the operator's Lua scripts, relative to the settings folder; empty: none.
    std::string Scripts;

    // The field that holds the key (matched without regard to case); nullptr for none.
    std::string* field(std::string_view key);
};

// The keys every edition reads from the file, after its own keys, at start-up and on reload.
inline constexpr std::string_view kFileOnlyKeys[] = {
    "SendQuota", "SendWindow", "BanOnEntry",     "LogFolder",      "FloodLines", "RepeatLines",
    "JoinFlood", "BanMinutes", "ProtectTrusted", "Notify",         "KeepWindow", "Links",
    "Find",      "Moderation", "LoginTimeout",   "SilenceTimeout", "Backoff",    "Scripts"};

// The start-up read: every key of the edition in order, from the settings file at iniPath.
void ReadSettings(Settings& settings, const Edition& edition, const std::string& iniPath);

// The keys the edition reads as whole numbers whose value is set but is not one: one line
// each, naming the value and what is used instead, e.g.
// "Varno.ini: SendQuota = 'four' is not a number; using 4".
std::vector<std::string> UnreadableNumbers(const Settings& settings, const Edition& edition);

// The reload after Ok in the options dialog, in its own order.
void ReloadSettings(Settings& settings, const Edition& edition, const std::string& iniPath);

}  // namespace varno
