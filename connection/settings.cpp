#include "connection/settings.h"

#include "base/text_case.h"
#include "connection/ini_file.h"

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
        {"Notify", &Settings::Notify},
        {"KeepWindow", &Settings::KeepWindow},
        {"Links", &Settings::Links},
        {"Find", &Settings::Find},
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
