#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/colour.h"

namespace varno {

// No part of the run is a user's text.
inline constexpr std::size_t kNoLinks = std::string::npos;

// One piece of a log line in its own colour. The text is bytes as received or typed.
struct Run {
    Colour colour = colour::kWhite;
    std::string text;
    // How a view shows the run beyond its colour, decided by whoever wrote the line. From
    // linksFrom on the text is what a user or the server wrote, and web addresses in it are
    // shown as links; a mention run belongs to a line that names the operator, shown on
    // colour::kMention.
    std::size_t linksFrom = kNoLinks;
    bool mention = false;

    // Runs are equal when they say the same in the same colour; the marks are checked on
    // their own.
    friend bool operator==(const Run& a, const Run& b) {
        return a.colour == b.colour && a.text == b.text;
    }
};

using Runs = std::vector<Run>;

// The marks of a run being written: its last piece is a user's or the server's text (links
// shown), and whether its line names the operator.
struct RunMarks {
    bool linkLastPiece = false;
    bool mention = false;
};

}  // namespace varno
