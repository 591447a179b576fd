#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "moderation/pattern.h"

using varno::EscapeLikePattern;
using varno::MatchesPattern;

// Input: a ban pattern, then a NUL or a newline, then a joining name.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find_first_of(std::string_view("\0\n", 2));
    const std::string_view pattern = input.substr(0, split);
    const std::string_view name =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    std::string escaped(pattern);
    EscapeLikePattern(escaped);
    if (escaped.size() < pattern.size()) {
        __builtin_trap();
    }
    MatchesPattern(name, pattern);
    if (MatchesPattern(name, "*") != !name.empty()) {
        __builtin_trap();
    }
    // A pattern of plain ASCII without wildcards matches itself.
    bool plain = !pattern.empty();
    for (const char c : pattern) {
        plain = plain && c != '*' && c != '?' && static_cast<unsigned char>(c) < 0x80;
    }
    if (plain && !MatchesPattern(pattern, pattern)) {
        __builtin_trap();
    }
    return 0;
}
