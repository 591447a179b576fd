#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varno {

inline constexpr std::string_view kDatabaseFile = "database.txt";

// The access database: the names allowed to give trigger commands. It is empty until the
// first load; each load replaces it whole.
class Database {
public:
    // Reads the file at path and replaces the list once the whole file has been read. A
    // missing or unreadable file, or something other than a regular file, leaves the list
    // empty.
    void LoadDatabase(const std::string& path);

    // Whether a listed entry equals the whole name, ignoring the case of ASCII letters.
    bool IsInDatabase(std::string_view name) const;

    std::size_t size() const { return entries_.size(); }
    const std::vector<std::string>& entries() const { return entries_; }

    // The entries of a database file, in file order. Fields are separated by commas and by
    // line ends (CR LF, LF or a lone CR). Blanks (spaces, tabs) before a field are skipped
    // and blanks after it are dropped. A field that starts with a double quote runs to the
    // closing quote, keeping commas and line ends; a doubled quote inside it is one quote;
    // anything after the closing quote up to the separator is added to the field. Empty
    // fields give no entry.
    static std::vector<std::string> ParseFields(std::string_view bytes);

private:
    std::vector<std::string> entries_;
};

}  // namespace varno
