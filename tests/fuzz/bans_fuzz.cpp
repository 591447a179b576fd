// Reads arbitrary bytes as bans.txt, writes the bans read and reads them again.
//
// Input: the bytes of bans.txt. A file that is there is never unreadable; every ban read has
// a name without blanks or line ends; what is written reads back whole and the same.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "moderation/timed_bans.h"
#include "temp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const varno::fuzz::TempFile file("bans_fuzz.txt");
    if (!file.write(std::string_view(reinterpret_cast<const char*>(data), size))) {
        return 0;
    }
    varno::TimedBans bans(file.path);
    if (bans.Load() == varno::TimedBans::LoadResult::Unreadable) {
        __builtin_trap();
    }
    for (const varno::TimedBans::Ban& ban : bans.bans()) {
        if (ban.name.empty() || ban.name.find_first_of(" \t\r\n") != std::string::npos) {
            __builtin_trap();
        }
    }
    if (!bans.Save()) {
        return 0;
    }
    varno::TimedBans again(file.path);
    if (again.Load() != varno::TimedBans::LoadResult::Read || again.bans() != bans.bans()) {
        __builtin_trap();
    }
    return 0;
}
