#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace varno {

// A web address in a text: where it stands (bytes begin..end) and what a click opens.
struct LinkSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string url;

    friend bool operator==(const LinkSpan&, const LinkSpan&) = default;
};

// The web addresses in text: words that start with "http://" or "https://" (any letter
// case), or with "www." (then opened as "http://" + the word). An address runs to the next
// blank, control or non-ASCII byte or one of < > " ` { } | \ ^; full stops, commas and
// the like at its end, and a closing bracket that opens nowhere in it, are left out. Only
// these two schemes are ever found; the text itself is never changed.
std::vector<LinkSpan> FindLinks(std::string_view text);

}  // namespace varno
