#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varno {

// The longest value a read gives back; longer stored values are cut to it.
inline constexpr std::size_t kIniValueMax = 254;

// The value of key in section of the private-profile file at path, or empty text when the
// file, the section or the key is missing. Section and key names match without regard to
// case. Spaces and tabs around the value are not part of it. A stored value that begins with
// the character of code 1 reads as empty text.
std::string ReadIniValue(std::string_view section, std::string_view key, const std::string& path);

// Stores key=value in section of the file at path, creating the file, the section or the key
// as needed and replacing an existing value; every other line stays as it was. CR and LF
// are removed from the value so that it can't add lines. The file is replaced whole through
// a temporary file in the same folder, so a failure leaves the old file intact; a new file
// is readable and writable by its owner only, an existing one keeps its mode. When path is
// a symbolic link, the file it points to is replaced in its own folder and the link stays.
// Returns whether the file was written.
bool WriteIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const std::string& path);

// Replaces the file at path (or, when path is a symbolic link, the file the link points to,
// so the link survives) with bytes through a temporary file in that file's folder, synced
// to disk before it takes the old file's place, so a failure or a crash leaves the old file
// intact. A new file is readable and writable by its owner only, an existing one keeps its
// mode; something other than a regular file at path is left alone. Returns whether the file
// was replaced.
bool ReplaceFile(const std::string& path, const std::string& bytes);

// Writes all of bytes to the open file fd, going on after an interrupted write. Returns
// whether every byte was written.
bool WriteAll(int fd, const std::string& bytes);

struct IniEntry {
    std::string_view key;
    std::string_view value;
};

// The same for several keys at once, in order, with the file read and replaced only once.
bool WriteIniValues(std::string_view section, const std::vector<IniEntry>& entries,
                    const std::string& path);

}  // namespace varno
