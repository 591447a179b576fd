#include "connection/settings.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "base/text_case.h"
#include "base/whole_number.h"
#include "connection/connection.h"
#include "connection/ini_file.h"
#include "connection/send_queue.h"

namespace varno {

std::string* Settings::field(std::string_view key) {
    struct Entry {
        std::string_view key;
        std::string Settings::*member;
    };
    static constexpr Entry kFields[] = {
        {"Home", &Settings::Home},
        {"Username", &Settings::Username},
        {"Password", &Settings::Password},
        {"Delay", &Settings::Delay},
        {"Trigger", &Settings::Trigger},
        {"Server", &Settings::Server},
        {"Clear", &Settings::Clear},
        {"Idle", &Settings::Idle},
        {"SendQuota", &Settings::SendQuota},
        {"SendWindow", &Settings::SendWindow},
        {"BanOnEntry", &Settings::BanOnEntry},
        {"LogFolder", &Settings::LogFolder},
        {"FloodLines", &Settings::FloodLines},
        {"RepeatLines", &Settings::RepeatLines},
        {"JoinFlood", &Settings::JoinFlood},
        {"BanMinutes", &Settings::BanMinutes},
        {"ProtectTrusted", &Settings::ProtectTrusted},
        {"Notify", &Settings::Notify},
        {"KeepWindow", &Settings::KeepWindow},
        {"Links", &Settings::Links},
        {"Find", &Settings::Find},
        {"Moderation", &Settings::Moderation},
        {"LoginTimeout", &Settings::LoginTimeout},
        {"SilenceTimeout", &Settings::SilenceTimeout},
        {"Backoff", &Settings::Backoff},
        {"Scripts", &Settings::Scripts},
    };
    for (const Entry& e : kFields) {
        if (EqualsIgnoreCase(e.key, key)) {
            return &(this->*e.member);
        }
    }
    return nullptr;
}

namespace {

void ReadKey(Settings& settings, const Edition& edition, std::string_view key,
             const std::string& iniPath) {
    const std::string_view readAs = EqualsIgnoreCase(key, "Trigger") ? edition.triggerReadKey : key;
    if (std::string* f = settings.field(key)) {
        *f = ReadIniValue(kSettingsSection, readAs, iniPath);
    }
}

void ReadFileOnlyKeys(Settings& settings, const Edition& edition, const std::string& iniPath) {
    for (const std::string_view key : kFileOnlyKeys) {
        ReadKey(settings, edition, key, iniPath);
    }
}

}  // namespace

void ReadSettings(Settings& settings, const Edition& edition, const std::string& iniPath) {
    for (const std::string_view key : edition.settingsKeys) {
        ReadKey(settings, edition, key, iniPath);
    }
    ReadFileOnlyKeys(settings, edition, iniPath);
}

std::vector<std::string> UnreadableNumbers(const Settings& settings, const Edition& edition) {
    struct Number {
        std::string_view key;
        const std::string Settings::*member;
        std::uint64_t fallback;  // what the program uses when the value is not a number
    };
    const SendQueue::Pace pace;
    const Number numbers[] = {
        {"Delay", &Settings::Delay, Connection::kInitialInterval},
        {"Clear", &Settings::Clear, edition.fixedClear},
        {"SendQuota", &Settings::SendQuota, pace.quota},
        {"SendWindow", &Settings::SendWindow, static_cast<std::uint64_t>(pace.windowMs)},
        {"BanOnEntry", &Settings::BanOnEntry, 1},
        {"BanMinutes", &Settings::BanMinutes, 0},
        {"ProtectTrusted", &Settings::ProtectTrusted, 1},
        {"LoginTimeout", &Settings::LoginTimeout, Connection::kLoginTimeoutSeconds},
        {"SilenceTimeout", &Settings::SilenceTimeout, Connection::kSilenceTimeoutSeconds},
        {"Backoff", &Settings::Backoff, 1},
    };
    std::vector<std::string> lines;
    for (const Number& n : numbers) {
        const std::string& value = settings.*n.member;
        const bool read = std::find(edition.settingsKeys.begin(), edition.settingsKeys.end(),
                                    n.key) != edition.settingsKeys.end() ||
                          std::find(std::begin(kFileOnlyKeys), std::end(kFileOnlyKeys), n.key) !=
                              std::end(kFileOnlyKeys);
        if (read && !value.empty() && !ParseWholeNumber(value, UINT64_MAX)) {
            lines.push_back(std::string(kSettingsFile) + ": " + std::string(n.key) + " = '" +
                            value + "' is not a number; using " + std::to_string(n.fallback));
        }
    }
    return lines;
}

void ReloadSettings(Settings& settings, const Edition& edition, const std::string& iniPath) {
    // The reload reads Idle before Clear; otherwise it is the start-up order.
    for (const std::string_view key :
         {"Username", "Password", "Home", "Server", "Delay", "Trigger", "Idle", "Clear"}) {
        for (const std::string_view known : edition.settingsKeys) {
            if (known == key) {
                ReadKey(settings, edition, key, iniPath);
            }
        }
    }
    ReadFileOnlyKeys(settings, edition, iniPath);
}

}  // namespace varno
