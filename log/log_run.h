#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/colour.h"

namespace varno {

// No part of the run is a user's text.
inline constexpr std::uint32_t kNoLinks = UINT32_MAX;

// One piece of a log line in its own colour. The text is bytes as received or typed.
struct Run {
    Run() = default;
    Run(Colour c, std::string t) : colour(c), text(std::move(t)) {}

    // How a view shows the run beyond its colour, decided by whoever wrote the line. From
    // linksFrom on the text is what a user or the server wrote, and web addresses in it are
    // shown as links; a mention run belongs to a line that names the operator, shown on
    // colour::kMention. Kept beside the colour, so that a run takes no more room than its
    // colour and text did (a flooded log holds thousands).
    Colour colour = colour::kWhite;
    std::uint32_t linksFrom = kNoLinks;
    std::string text;
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
