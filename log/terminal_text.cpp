#include "log/terminal_text.h"

#include <algorithm>
#include <cstdlib>

#include "log/line_text.h"

namespace varno {
namespace {

constexpr int kCubeLevels[6] = {0, 95, 135, 175, 215, 255};

int Nearest(int value) {
    int best = 0;
    for (int i = 1; i < 6; ++i) {
        if (std::abs(kCubeLevels[i] - value) < std::abs(kCubeLevels[best] - value)) {
            best = i;
        }
    }
    return best;
}

int Distance(int r, int g, int b, int r2, int g2, int b2) {
    return (r - r2) * (r - r2) + (g - g2) * (g - g2) + (b - b2) * (b - b2);
}

}  // namespace

int Ansi256(Colour c) {
    const int r = static_cast<int>((c >> 16) & 0xFF);
    const int g = static_cast<int>((c >> 8) & 0xFF);
    const int b = static_cast<int>(c & 0xFF);
    const int ri = Nearest(r);
    const int gi = Nearest(g);
    const int bi = Nearest(b);
    const int cube = 16 + 36 * ri + 6 * gi + bi;
    const int cubeDistance = Distance(r, g, b, kCubeLevels[ri], kCubeLevels[gi], kCubeLevels[bi]);
    // The grey ramp: 24 steps from 8 to 238.
    const int step = std::min(23, std::max(0, ((r + g + b) / 3 - 8 + 5) / 10));
    const int grey = 8 + 10 * step;
    return Distance(r, g, b, grey, grey, grey) < cubeDistance ? 232 + step : cube;
}

std::string ColouredLine(const Runs& line, bool whisper) {
    std::string text;
    ForEachShownPiece(line, whisper, [&text](Colour c, const std::string& shown) {
        text += "\x1b[38;5;" + std::to_string(Ansi256(c)) + "m";
        text += shown;
    });
    text += "\x1b[0m\n";
    return text;
}

}  // namespace varno
