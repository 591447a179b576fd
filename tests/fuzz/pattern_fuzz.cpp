// Calls find, match, gmatch and gsub of Lua's string library and ours (lua_patterns.h) with
// the same arguments and traps on any difference in what they give or raise.
//
// Input: a byte of init (-128 to 127), a byte of flags (bit 0: plain), then the pattern, the
// replacement string and the subject, the first two ended by a newline.
//
// The library may run for ever on a pattern that backtracks, so it is called only when ours
// matched within a small allowance: ours counts at least the library's work. Ours must never
// charge more than one step past its allowance.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "tests/support/pattern_differential.h"

namespace {

constexpr std::int64_t kAllowance = 20000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static varno::test::PatternDifferential lua;
    if (size < 2) {
        return 0;
    }
    const int init = static_cast<std::int8_t>(data[0]);
    const bool plain = (data[1] & 1) != 0;
    std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const auto field = [&rest] {
        const std::size_t end = rest.find('\n');
        const std::string_view text = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        return std::string(text);
    };
    const std::string pattern = field();
    const std::string replacement = field();
    const std::string subject(rest);

    lua.meter().allowance = kAllowance;
    const std::string ours = lua.Probe("ours", subject, pattern, init, replacement, plain);
    if (lua.meter().mostCharged > kAllowance + 1) {
        std::fprintf(stderr, "charged %lld steps of %lld\n",
                     static_cast<long long>(lua.meter().mostCharged),
                     static_cast<long long>(kAllowance));
        __builtin_trap();
    }
    if (ours.find("allowance of steps") != std::string::npos) {
        return 0;
    }
    const std::string library = lua.Probe("string", subject, pattern, init, replacement, plain);
    if (ours != library) {
        std::fprintf(stderr, "ours:\n%s\nthe library's:\n%s\n", ours.c_str(), library.c_str());
        __builtin_trap();
    }
    return 0;
}
