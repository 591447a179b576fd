#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>

namespace varno {

// The values one script keeps across restarts: keys of 1 to 200 bytes, each holding a
// string, an integer, a float or a boolean. Keys and values together stay within 64 KiB: a
// key counts its bytes, a string value its bytes, a number or a boolean 8.
//
// The file (NAME.store beside NAME.lua) holds one line per key, "KEY<TAB><T><VALUE>" ended
// by LF, where T is s (string), i (integer, decimal), f (float, shortest round-trip text) or
// b (boolean, 1 or 0). In KEY and in a string VALUE, backslash, tab, CR and LF are written
// as \\, \t, \r and \n; every other byte is written as it is. A line that does not read
// back so (a damaged or hand-edited file) is skipped, as is a key past the bound: the rest
// is kept. Nothing is written until a value changes, and then only through Save.
class ScriptStore {
public:
    using Value = std::variant<std::string, std::int64_t, double, bool>;
    using Values = std::map<std::string, Value, std::less<>>;

    static constexpr std::size_t kMaxBytes = 64 * 1024;
    static constexpr std::size_t kMaxKeyBytes = 200;
    static constexpr std::size_t kNumberBytes = 8;
    // Why Set refused a value.
    static constexpr std::string_view kFullText = "the store would pass 64 KiB";

    // Reads the store at path; a missing or unreadable file is an empty store.
    explicit ScriptStore(std::string path);

    const Value* Get(std::string_view key) const;
    // Stores value under key (of 1 to kMaxKeyBytes bytes). False, and nothing changed, when
    // the store would pass kMaxBytes.
    bool Set(std::string_view key, Value value);
    void Erase(std::string_view key);

    const Values& values() const { return values_; }
    std::size_t bytes() const { return bytes_; }
    bool changed() const { return changed_; }

    // Writes the file, replacing it whole, when a value changed since it was read or last
    // written. A failed write leaves the store changed, so the next Save tries again; it
    // alone returns false.
    bool Save();

    // The values read from the bytes of a store file, and what they count.
    static Values Parse(std::string_view bytes, std::size_t& counted);
    static std::string Format(const Values& values);
    // What a key and its value count against kMaxBytes.
    static std::size_t Bytes(std::string_view key, const Value& value);

private:
    std::string path_;
    Values values_;
    std::size_t bytes_ = 0;
    bool changed_ = false;
};

}  // namespace varno
