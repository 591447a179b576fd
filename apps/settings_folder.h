#pragma once

#include <string>

namespace varno {

// Where a window program keeps Varno.ini, shitlist.txt, database.txt and a relative
// LogFolder: the folder that holds the program when it can be written; otherwise (an
// installed program) $XDG_CONFIG_HOME/varno, or ~/.config/varno when that is unset or not
// an absolute path. The fallback is created with mode 0700 when missing.
std::string SettingsFolder(const std::string& programFolder, bool programFolderWritable,
                           const char* xdgConfigHome, const char* home);

// SettingsFolder for this process: its own folder and environment.
std::string SettingsFolderOf(const std::string& programFolder);

}  // namespace varno
