#pragma once

#include <string>

#include "log/log_run.h"

namespace varno {

// A log line as a colour terminal shows it: each piece (see ForEachShownPiece) after the
// 256-colour escape nearest to its run's colour, and the colour reset before the LF that ends
// the line. Control characters from the server never reach the terminal raw.
std::string ColouredLine(const Runs& line, bool whisper);

// The index in the 256-colour terminal palette (its 6x6x6 cube and grey ramp) nearest to c.
int Ansi256(Colour c);

}  // namespace varno
