#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varno {

// The folder of the settings folder whose subfolders are the further profiles.
inline constexpr std::string_view kProfilesFolder = "profiles";
// A profile's name: its folder's, of letters, digits, '-' and '_', at most this long.
inline constexpr std::size_t kProfileNameBytes = 32;
// Past this many profiles, further folders are passed over: each is a connection.
inline constexpr std::size_t kMostProfiles = 64;

bool IsProfileName(std::string_view name);

// One client of the window: its settings folder and whether it is open (has a tab).
struct Profile {
    std::string name;  // empty for the first profile, the settings folder itself
    std::string folder;
    bool open = true;
};

// Which profiles there are: the settings folder first, then each subfolder of profiles/ that
// holds a Varno.ini, in the byte order of the names. Which of them were closed is kept in
// the [Profiles] section of window.ini (Closed1=NAME, Closed2=... in order), unless the
// KeepWindow key is 0; the Profiles key 0 of the first profile's Varno.ini keeps to the
// first profile alone.
class ProfileList {
public:
    // keepSetting: the first profile's KeepWindow key as read; it is followed as it changes.
    ProfileList(std::string settingsFolder, const std::string& keepSetting);

    // What a look at the folders found to say, for the first profile's log.
    struct Found {
        std::string passedOver;  // one light-grey line naming what was passed over, or empty
        std::string failure;     // one red line: profiles/ could not be read, or empty
    };
    // Finds the profiles afresh, each open unless window.ini says it was closed.
    Found Scan();

    bool enabled() const { return enabled_; }
    const std::vector<Profile>& profiles() const { return profiles_; }
    // Opens or closes a profile other than the first and keeps it in window.ini; false only
    // when window.ini could not be written.
    bool SetOpen(std::size_t index, bool open);

    // A new profile of this name: profiles/NAME made (0700) and open, in its place in the
    // order; its index, or the reason it could not be made.
    struct Made {
        std::optional<std::size_t> index;
        std::string error;
    };
    Made Make(std::string_view name);

private:
    std::string WindowFile() const;
    std::vector<std::string> ReadClosed() const;
    bool KeepClosed();
    std::size_t Insert(Profile profile);

    const std::string settingsFolder_;
    const std::string& keepSetting_;
    bool enabled_ = true;
    std::vector<Profile> profiles_;
    std::size_t closedKept_ = 0;  // how many ClosedN keys window.ini holds
};

}  // namespace varno
