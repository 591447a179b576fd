#pragma once

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

inline std::string ToLowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = LowerAscii(c);
    }
    return out;
}

}  // namespace varno
