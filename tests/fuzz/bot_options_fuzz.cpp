// Reads arbitrary arguments as VarnoBot's command line.
//
// Input: the arguments, each ended by a NUL. A command line is either read, or refused with
// a reason.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "headless/bot_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args;
    while (!input.empty()) {
        const std::size_t end = input.find('\0');
        args.emplace_back(input.substr(0, end));
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    }
    const varno::ParsedBotOptions parsed = varno::ParseBotOptions(args);
    if (parsed.options.has_value() == !parsed.error.empty()) {
        __builtin_trap();
    }
    return 0;
}
