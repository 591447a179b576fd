#include "log/display_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace varno {

bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        // Eight bytes at a time while they are ASCII, as most of what is checked is.
        for (std::uint64_t word = 0; i + 8 <= s.size(); i += 8) {
            std::memcpy(&word, s.data() + i, 8);
            if ((word & 0x8080808080808080U) != 0) {
                break;
            }
        }
        if (i == s.size()) {
            break;
        }
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= s.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        const bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
        if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

namespace {

// Windows-1252 code points for the bytes 0x80..0x9F; the five unassigned ones map to
// themselves, as the C1 controls.
constexpr std::uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// bytes as UTF-8 when utf8, else as Windows-1252.
std::string DecodedAs(std::string_view bytes, bool utf8) {
    if (utf8) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80 && c <= 0x9F) {
            AppendUtf8(out, kCp1252High[c - 0x80]);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

// Every control character of UTF-8 text as a symbol.
std::string WithSymbols(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20) {
            AppendUtf8(out, 0x2400 + c);
        } else if (c == 0x7F) {
            AppendUtf8(out, 0x2421);
        } else if (c == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            AppendUtf8(out, 0xFFFD);  // U+0080..U+009F
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

}  // namespace

std::string DisplayText(std::string_view bytes) {
    return DecodedAs(bytes, IsValidUtf8(bytes));
}

std::string VisibleText(std::string_view bytes) {
    // Printable ASCII, as nearly every line is, shows as it is.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
        return std::string(bytes);
    }
    return WithSymbols(DisplayText(bytes));
}

std::string VisibleText(std::string_view bytes, std::size_t& at) {
    // Both parts are read the way the whole is, so together they are VisibleText(bytes).
    const bool utf8 = IsValidUtf8(bytes);
    const std::size_t split = std::min(at, bytes.size());
    std::string text = WithSymbols(DecodedAs(bytes.substr(0, split), utf8));
    at = text.size();
    text += WithSymbols(DecodedAs(bytes.substr(split), utf8));
    return text;
}

}  // namespace varno
