#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varno {

// How long until a timed ban is lifted, to the second below an hour: "59 s", "4 min 10 s",
// "2 h 5 min", "3 d 4 h". Zero or less: "due".
std::string TimeLeftText(std::int64_t seconds);

// The bans this program lifts by itself once their time is over, kept in a file so that
// they survive a restart: one line per ban, the name, a blank and the end time in seconds
// since 1970 (UTC), each line ending in LF. Names are kept byte for byte; one name (ASCII
// case folded) has at most one pending ban.
class TimedBans {
public:
    struct Ban {
        std::string name;
        std::int64_t endUnix = 0;

        friend bool operator==(const Ban&, const Ban&) = default;
    };

    enum class LoadResult { Read, Missing, Damaged, Unreadable };

    explicit TimedBans(std::string path) : path_(std::move(path)) {}

    // Replaces the pending bans with the file's. Missing: none. Damaged (a line that is not a
    // ban): the well-formed lines are kept, and the file should be written again. Unreadable
    // (it is there but can't be read whole): none, and the timed bans are off, so the bans
    // it may hold are never written over.
    LoadResult Load();
    // Writes every pending ban to the file, replacing it whole (see ReplaceFile). Nothing is
    // written while the timed bans are off.
    bool Save() const;

    // A ban of name that ends at endUnix; it replaces a pending ban of the same name. A name
    // that is empty or holds a blank or a line end is not recorded. While the timed bans are
    // off, the file is read again first and nothing is recorded if it still can't be.
    // Returns whether the ban was recorded.
    bool Add(std::string_view name, std::int64_t endUnix);
    // Forgets the pending ban of name; returns whether there was one.
    bool Remove(std::string_view name);
    // Takes out the bans whose end time has come, in the order they were recorded.
    std::vector<std::string> TakeDue(std::int64_t nowUnix);

    const std::vector<Ban>& bans() const { return bans_; }
    const std::string& path() const { return path_; }

    // The bans in the bytes of a file, in order; damaged is set when a line is not a ban.
    static std::vector<Ban> Parse(std::string_view bytes, bool& damaged);
    static std::string Format(const std::vector<Ban>& bans);

private:
    std::string path_;
    std::vector<Ban> bans_;
    bool off_ = false;  // the file could not be read
};

}  // namespace varno
