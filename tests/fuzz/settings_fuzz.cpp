// Reads arbitrary bytes as the settings file, and writes to it.
//
// Input: the bytes of Varno.ini. Every key of both editions is read (a value is never longer
// than the read bound, never starts with the character of code 1 and has no blank at either
// end); the settings of both editions are read and their numbers checked, each line naming
// the file; then one key is written and must read back as written, with every other key
// unchanged.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/edition.h"
#include "connection/ini_file.h"
#include "connection/settings.h"
#include "temp_file.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

constexpr std::string_view kKeys[] = {"Username", "Password", "Home",  "Server", "Delay",
                                      "Trigger",  "trigger",  "Clear", "Idle"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const varno::fuzz::TempFile file("settings_fuzz.ini");
    const std::string& path = file.path;
    if (!file.write(std::string_view(reinterpret_cast<const char*>(data), size))) {
        return 0;
    }
    std::string before[std::size(kKeys)];
    for (std::size_t i = 0; i < std::size(kKeys); ++i) {
        before[i] = varno::ReadIniValue("Varno", kKeys[i], path);
        const std::string& v = before[i];
        if (v.size() > varno::kIniValueMax || (!v.empty() && v.front() == '\x01') ||
            (!v.empty() && (IsBlank(v.front()) || IsBlank(v.back())))) {
            __builtin_trap();
        }
    }
    for (const varno::Edition* edition : {&varno::Edition::v201(), &varno::Edition::v200()}) {
        varno::Settings settings;
        varno::ReadSettings(settings, *edition, path);
        for (const std::string& line : varno::UnreadableNumbers(settings, *edition)) {
            if (!line.starts_with("Varno.ini: ")) {
                __builtin_trap();
            }
        }
    }
    if (!varno::WriteIniValue("Varno", "Server", "127.0.0.1", path)) {
        return 0;
    }
    for (std::size_t i = 0; i < std::size(kKeys); ++i) {
        const std::string after = varno::ReadIniValue("Varno", kKeys[i], path);
        if (kKeys[i] == "Server" ? after != "127.0.0.1" : after != before[i]) {
            __builtin_trap();
        }
    }
    return 0;
}
