#pragma once

#include <string>
#include <vector>

#include "base/colour.h"

namespace varno {

// One piece of a log line in its own colour. The text is bytes as received or typed.
struct Run {
    Colour colour = colour::kWhite;
    std::string text;

    friend bool operator==(const Run&, const Run&) = default;
};

using Runs = std::vector<Run>;

}  // namespace varno
