#include "ui/profile_list.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "base/make_folder.h"
#include "base/whole_number.h"
#include "connection/ini_file.h"
#include "connection/settings.h"
#include "ui/window_memory.h"

namespace varno {
namespace {

constexpr std::string_view kSection = "Profiles";
// Names told in the line of what was passed over, and the bytes told of each.
constexpr std::size_t kNamesTold = 10;
constexpr std::size_t kNameBytesTold = 40;

std::string Join(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

// A name as the line tells it: cut after kNameBytesTold bytes, never inside a character.
std::string Told(std::string_view name) {
    if (name.size() <= kNameBytesTold) {
        return std::string(name);
    }
    std::size_t end = kNameBytesTold;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) {
        --end;
    }
    return std::string(name.substr(0, end)) + "...";
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The names in a folder, in byte order; nothing and errno set when it can't be read.
std::optional<std::vector<std::string>> Names(const std::string& folder) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

bool IsProfileName(std::string_view name) {
    return !name.empty() && name.size() <= kProfileNameBytes &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_';
           });
}

ProfileList::ProfileList(std::string settingsFolder, const std::string& keepSetting)
    : settingsFolder_(std::move(settingsFolder)), keepSetting_(keepSetting) {}

std::string ProfileList::WindowFile() const {
    return Join(settingsFolder_, kWindowFile);
}

ProfileList::Found ProfileList::Scan() {
    profiles_ = {Profile{"", settingsFolder_, true}};
    closedKept_ = 0;
    enabled_ = SwitchedOn(
        ReadIniValue(kSettingsSection, "Profiles", Join(settingsFolder_, kSettingsFile)));
    const std::string folder = Join(settingsFolder_, kProfilesFolder);
    struct stat seen {};
    if (!enabled_ || ::stat(settingsFolder_.c_str(), &seen) != 0) {
        return {};
    }
    const auto names = Names(folder);
    if (!names) {
        if (errno == ENOENT) {
            return {};
        }
        return {"", "Could not read the profiles in " + folder + ": " + std::strerror(errno)};
    }
    std::vector<struct stat> folders{seen};
    std::vector<std::string> passed;
    for (const std::string& name : *names) {
        const std::string path = Join(folder, name);
        struct stat st {};
        struct stat ini {};
        const char* why = nullptr;
        if (::lstat(path.c_str(), &st) != 0) {
            why = "unreadable";
        } else if (S_ISLNK(st.st_mode)) {
            why = "a link";
        } else if (!S_ISDIR(st.st_mode)) {
            why = "not a folder";
        } else if (!IsProfileName(name)) {
            why = "not a name of letters, digits, - and _, at most 32 bytes";
        } else if (::lstat(Join(path, kSettingsFile).c_str(), &ini) != 0) {
            why = "no Varno.ini";
        } else if (std::any_of(folders.begin(), folders.end(),
                               [&](const struct stat& f) { return SameFile(f, st); })) {
            why = "the folder of another profile";
        } else if (profiles_.size() >= kMostProfiles) {
            why = "more than 64 profiles";
        }
        if (why != nullptr) {
            passed.push_back(Told(name) + " (" + why + ")");
            continue;
        }
        folders.push_back(st);
        profiles_.push_back({name, path, true});
    }
    for (const std::string& closed : ReadClosed()) {
        for (Profile& p : profiles_) {
            if (!p.name.empty() && p.name == closed) {
                p.open = false;
            }
        }
    }
    Found found;
    for (std::size_t i = 0; i < passed.size() && i < kNamesTold; ++i) {
        found.passedOver += (i == 0 ? "Passed over in " + folder + ": " : ", ") + passed[i];
    }
    if (passed.size() > kNamesTold) {
        found.passedOver += ", and " + std::to_string(passed.size() - kNamesTold) + " more";
    }
    return found;
}

std::vector<std::string> ProfileList::ReadClosed() const {
    std::vector<std::string> names;
    if (!SwitchedOn(keepSetting_)) {
        return names;
    }
    for (std::size_t i = 1; i <= kMostProfiles; ++i) {
        std::string name = ReadIniValue(kSection, "Closed" + std::to_string(i), WindowFile());
        if (name.empty()) {
            break;
        }
        names.push_back(std::move(name));
    }
    return names;
}

bool ProfileList::SetOpen(std::size_t index, bool open) {
    if (index == 0 || index >= profiles_.size() || profiles_[index].open == open) {
        return true;
    }
    profiles_[index].open = open;
    return KeepClosed();
}

// Writes the closed profiles as Closed1.., emptying the keys a longer list left behind.
bool ProfileList::KeepClosed() {
    if (!SwitchedOn(keepSetting_)) {
        return true;
    }
    std::vector<std::string> keys;
    std::vector<std::string_view> values;
    for (const Profile& p : profiles_) {
        if (!p.open) {
            values.push_back(p.name);
        }
    }
    const std::size_t written = values.size();
    closedKept_ = std::max(closedKept_, ReadClosed().size());
    values.resize(std::max(written, closedKept_));
    for (std::size_t i = 0; i < values.size(); ++i) {
        keys.push_back("Closed" + std::to_string(i + 1));
    }
    std::vector<IniEntry> entries;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        entries.push_back({keys[i], values[i]});
    }
    if (entries.empty()) {
        return true;
    }
    if (!WriteIniValues(kSection, entries, WindowFile())) {
        return false;
    }
    closedKept_ = written;
    return true;
}

std::size_t ProfileList::Insert(Profile profile) {
    const auto at =
        std::upper_bound(profiles_.begin() + 1, profiles_.end(), profile.name,
                         [](const std::string& name, const Profile& p) { return name < p.name; });
    const auto inserted = profiles_.insert(at, std::move(profile));
    return static_cast<std::size_t>(inserted - profiles_.begin());
}

ProfileList::Made ProfileList::Make(std::string_view name) {
    if (!IsProfileName(name)) {
        return {std::nullopt, "A profile's name is 1 to 32 letters, digits, - and _"};
    }
    for (std::size_t i = 1; i < profiles_.size(); ++i) {
        if (profiles_[i].name == name) {
            return {std::nullopt,
                    std::string(name) + (profiles_[i].open ? " is open already"
                                                           : " is there already: File > Open "
                                                             "profile opens it")};
        }
    }
    if (profiles_.size() >= kMostProfiles) {
        return {std::nullopt, "There are 64 profiles already"};
    }
    const std::string folder = Join(settingsFolder_, kProfilesFolder);
    const std::string path = Join(folder, name);
    struct stat st {};
    if (!MakeFolder(folder)) {
        return {std::nullopt, "Could not make the folder " + folder};
    }
    // A folder left without settings (a profile never saved) is taken as it is.
    if (::mkdir(path.c_str(), 0700) != 0 &&
        (errno != EEXIST || ::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
        return {std::nullopt, "Could not make the folder " + path +
                                  (errno == EEXIST ? ": something else has its name"
                                                   : ": " + std::string(std::strerror(errno)))};
    }
    return {Insert({std::string(name), path, true}), ""};
}

}  // namespace varno
