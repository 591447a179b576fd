#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "moderation/ban_list.h"
#include "moderation/database.h"

// Input: the bytes of an access database file, read also as a ban list file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const std::string& entry : varno::Database::ParseFields(bytes)) {
        if (entry.empty()) {
            __builtin_trap();
        }
    }
    for (const std::string& line : varno::BanList::SplitLines(bytes)) {
        if (line.find_first_of("\r\n") != std::string::npos) {
            __builtin_trap();
        }
    }
    return 0;
}
