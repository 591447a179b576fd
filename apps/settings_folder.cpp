#include "apps/settings_folder.h"

#include <unistd.h>

#include <cstdlib>

#include "base/make_folder.h"

namespace varno {

std::string SettingsFolder(const std::string& programFolder, bool programFolderWritable,
                           const char* xdgConfigHome, const char* home) {
    if (programFolderWritable) {
        return programFolder;
    }
    std::string config;
    if (xdgConfigHome && xdgConfigHome[0] == '/') {
        config = xdgConfigHome;
    } else {
        config = std::string(home ? home : "") + "/.config";
    }
    const std::string folder = config + "/varno";
    MakeFolder(folder);
    return folder;
}

std::string SettingsFolderOf(const std::string& programFolder) {
    return SettingsFolder(programFolder, ::access(programFolder.c_str(), W_OK) == 0,
                          std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

}  // namespace varno
