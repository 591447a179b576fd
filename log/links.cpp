#include "log/links.h"

#include <algorithm>

#include "base/text_case.h"

namespace varno {
namespace {

bool AddressChar(char ch) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7F) {
        return false;
    }
    return std::string_view("<>\"`{}|\\^").find(ch) == std::string_view::npos;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view head) {
    return text.size() >= head.size() && EqualsIgnoreCase(text.substr(0, head.size()), head);
}

bool Alphanumeric(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The end of an address that starts at `begin` and may run to `end`: trailing punctuation
// and unmatched closing brackets belong to the sentence around it.
std::size_t TrimEnd(std::string_view text, std::size_t begin, std::size_t end) {
    while (end > begin) {
        const char last = text[end - 1];
        if (std::string_view(".,;:!?'*").find(last) != std::string_view::npos) {
            --end;
            continue;
        }
        if (last == ')') {
            const std::string_view word = text.substr(begin, end - begin);
            if (std::count(word.begin(), word.end(), '(') <
                std::count(word.begin(), word.end(), ')')) {
                --end;
                continue;
            }
        }
        break;
    }
    return end;
}

}  // namespace

std::vector<LinkSpan> FindLinks(std::string_view text) {
    std::vector<LinkSpan> links;
    // Every user's line is looked at, and nearly none holds an address: one that has neither
    // "://" nor a full stop (as in "www.") is passed over at once.
    if (text.find("://") == std::string_view::npos && text.find('.') == std::string_view::npos) {
        return links;
    }
    std::size_t i = 0;
    while (i < text.size()) {
        // Addresses start a word: not in the middle of one, nor inside a longer address.
        if (i > 0 && (Alphanumeric(text[i - 1]) || text[i - 1] == '/' || text[i - 1] == '.')) {
            ++i;
            continue;
        }
        const std::string_view rest = text.substr(i);
        std::size_t head = 0;
        std::string scheme;
        if (StartsWithIgnoreCase(rest, "https://")) {
            head = 8;
        } else if (StartsWithIgnoreCase(rest, "http://")) {
            head = 7;
        } else if (StartsWithIgnoreCase(rest, "www.")) {
            head = 4;
            scheme = "http://";
        } else {
            ++i;
            continue;
        }
        std::size_t end = i + head;
        while (end < text.size() && AddressChar(text[end])) {
            ++end;
        }
        end = TrimEnd(text, i + head, end);
        if (end == i + head || !Alphanumeric(text[i + head])) {
            i += head;  // a scheme with no host after it
            continue;
        }
        links.push_back({i, end, scheme + std::string(text.substr(i, end - i))});
        i = end;
    }
    return links;
}

}  // namespace varno
