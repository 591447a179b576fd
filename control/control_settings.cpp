#include "control/control_settings.h"

#include "base/text_case.h"
#include "base/whole_number.h"
#include "connection/ini_file.h"
#include "connection/settings.h"
#include "control/backlog.h"

namespace varno {

ControlSettings ReadControlSettings(const std::string& iniPath) {
    ControlSettings read;
    read.on = SwitchedOn(TrimBlanks(ReadIniValue(kSettingsSection, "Control", iniPath)));
    const std::string backlog = ReadIniValue(kSettingsSection, "Backlog", iniPath);
    const std::string_view text = TrimBlanks(backlog);
    const auto lines = ParseWholeNumber(text, kMaxBacklog);
    read.backlog = lines.value_or(kDefaultBacklog);
    if (!text.empty() && !lines) {
        read.problem = std::string(kSettingsFile) + ": Backlog = '" + backlog +
                       "' is not a number; using " + std::to_string(kDefaultBacklog);
    }
    return read;
}

}  // namespace varno
