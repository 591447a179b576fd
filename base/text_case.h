#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace varno {

// Letter case as the wire knows it: only the ASCII letters A-Z and a-z fold.
inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

inline bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// s without the blanks and tabs around it.
inline std::string_view TrimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The eight bytes at p with the ASCII capitals A-Z made small, all at once: a byte from 'A'
// to 'Z' (and below 0x80) gets its 0x20 bit.
inline std::uint64_t FoldedWord(const char* p, std::size_t n = 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, n);
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    const std::uint64_t low = word & (kOnes * 0x7F);
    const std::uint64_t fromA = low + kOnes * (0x80 - 'A');      // bit 7: byte >= 'A'
    const std::uint64_t pastZ = low + kOnes * (0x80 - 'Z' - 1);  // bit 7: byte > 'Z'
    const std::uint64_t capital = (fromA ^ pastZ) & ~word & (kOnes * 0x80);
    return word | capital >> 2;
}

// A hash of s that ignores ASCII letter case, eight bytes at a time, for lookups by a name or
// a text as received without building its folded copy first.
inline std::size_t FoldedHash(std::string_view s) {
    constexpr std::uint64_t kMix = 0x9E3779B97F4A7C15ULL;
    std::uint64_t hash = s.size() * kMix;
    std::size_t at = 0;
    for (; at + 8 <= s.size(); at += 8) {
        hash = (std::rotl(hash, 29) ^ FoldedWord(s.data() + at)) * kMix;
    }
    if (at < s.size()) {
        hash = (std::rotl(hash, 29) ^ FoldedWord(s.data() + at, s.size() - at)) * kMix;
    }
    return static_cast<std::size_t>(hash ^ hash >> 32);
}

// The hash and equality of unordered containers keyed by names, letter case ignored; they
// take a string_view, so a lookup by a name as received allocates nothing.
struct FoldedNameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return FoldedHash(s); }
};
struct FoldedNameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return EqualsIgnoreCase(a, b); }
};

inline std::string ToLowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = LowerAscii(c);
    }
    return out;
}

// A word of one or more bytes, none of them a blank or a control byte: a name in a line the
// server reads by its blanks, naming no one but the user it spells.
inline bool IsWireName(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte == 0x7F) {
            return false;
        }
    }
    return true;
}

}  // namespace varno
