#include "channel/mention.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "base/text_case.h"

namespace varno {
namespace {

bool WordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// Whether the name stands at text[at] as a whole word.
bool NamedAt(std::string_view text, std::size_t at, std::string_view name, bool wordStart,
             bool wordEnd) {
    const std::size_t end = at + name.size();
    return EqualsIgnoreCase(text.substr(at, name.size()), name) &&
           (!wordStart || at == 0 || !WordChar(text[at - 1])) &&
           (!wordEnd || end == text.size() || !WordChar(text[end]));
}

}  // namespace

bool NamesUser(std::string_view text, std::string_view name) {
    if (name.empty() || name.size() > text.size()) {
        return false;
    }
    // A side of the name that is not a word character (a name ending in "]", say) needs no
    // boundary there.
    const bool wordStart = WordChar(name.front());
    const bool wordEnd = WordChar(name.back());
    // Every talk line is looked at, and nearly every place in it fails on its first two
    // bytes. The places where they stand (a letter in either case: byte | 0x20) are found
    // eight at a time, without a branch per byte; only there is the whole name compared.
    const auto foldOf = [](unsigned char c) -> std::uint64_t {
        return c >= 'a' && c <= 'z' ? 0x20 : 0;
    };
    const auto first = static_cast<unsigned char>(LowerAscii(name.front()));
    const auto second = static_cast<unsigned char>(name.size() > 1 ? LowerAscii(name[1]) : 0);
    const std::uint64_t fold0 = foldOf(first);
    const std::uint64_t fold1 = foldOf(second);
    const std::size_t lastStart = text.size() - name.size();
    std::size_t at = 0;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
        // A name of one byte has no second: every byte matches an empty test.
        const std::uint64_t keep1 = name.size() > 1 ? ~0ULL : 0;
        while (at + 9 <= text.size() && at <= lastStart) {
            std::uint64_t word0 = 0;
            std::uint64_t word1 = 0;
            std::memcpy(&word0, text.data() + at, 8);
            std::memcpy(&word1, text.data() + at + 1, 8);
            const std::uint64_t x = ((word0 | kOnes * fold0) ^ kOnes * first) |
                                    (((word1 | kOnes * fold1) ^ kOnes * second) & keep1);
            // The lowest byte flagged is the first that is zero: the first place.
            const std::uint64_t zero = (x - kOnes) & ~x & (kOnes * 0x80);
            if (zero == 0) {
                at += 8;
                continue;
            }
            at += static_cast<std::size_t>(std::countr_zero(zero) / 8);
            if (at <= lastStart && NamedAt(text, at, name, wordStart, wordEnd)) {
                return true;
            }
            ++at;
        }
    }
    for (; at <= lastStart; ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if ((byte | fold0) == first && NamedAt(text, at, name, wordStart, wordEnd)) {
            return true;
        }
    }
    return false;
}

}  // namespace varno
