#include "connection/options.h"

#include "connection/ini_file.h"

namespace varno {
namespace {

std::string_view LabelOf(std::string_view key) {
    if (key == "Clear") {
        return "Clear Delay";
    }
    if (key == "Idle") {
        return "Idle";
    }
    static const std::string_view kLabels[] = {
        "Username:", "Password:", "Home:", "Server:", "Delay:", "Trigger:"};
    static const std::string_view kKeys[] = {"Username", "Password", "Home",
                                             "Server",   "Delay",    "Trigger"};
    for (std::size_t i = 0; i < std::size(kKeys); ++i) {
        if (kKeys[i] == key) {
            return kLabels[i];
        }
    }
    return key;
}

}  // namespace

std::vector<OptionField> LoadOptionFields(const Edition& edition, const std::string& iniPath) {
    std::vector<OptionField> fields;
    for (const std::string_view key : edition.settingsKeys) {
        fields.push_back({key, LabelOf(key), ReadIniValue(kSettingsSection, key, iniPath)});
    }
    return fields;
}

bool SaveOptionFields(const Edition& edition, const std::vector<OptionField>& fields,
                      const std::string& iniPath, Settings& settings) {
    std::vector<IniEntry> entries;
    for (const OptionField& f : fields) {
        entries.push_back({f.key, f.value});
    }
    const bool all = WriteIniValues(kSettingsSection, entries, iniPath);
    ReloadSettings(settings, edition, iniPath);
    return all;
}

}  // namespace varno
