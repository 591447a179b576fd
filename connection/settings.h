#pragma once

#include <string>
#include <string_view>

#include "apps/edition.h"

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

    // The field that holds the key (matched without regard to case); nullptr for none.
    std::string* field(std::string_view key);
};

// The start-up read: every key of the edition in order, from the settings file at iniPath.
void ReadSettings(Settings& settings, const Edition& edition, const std::string& iniPath);

// The reload after Ok in the options dialog, in its own order.
void ReloadSettings(Settings& settings, const Edition& edition, const std::string& iniPath);

}  // namespace varno
