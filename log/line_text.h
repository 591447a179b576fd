#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "log/log_run.h"

namespace varno {

// What a line of the whisper log carries after its timestamp outside the window, so that a
// terminal or a file tells it from the main log's lines.
inline constexpr std::string_view kWhisperMarker = "(whisper) ";

// The pieces of a log line as it is shown outside the window, in order: each run's
// VisibleText in the run's colour, the line end of the last run taken off, and the whisper
// marker (light grey) after the first run, the timestamp prefix.
void ForEachShownPiece(const Runs& line, bool whisper,
                       const std::function<void(Colour, const std::string&)>& piece);

// The line as UTF-8 text without colours, ending in LF: "[HH:MM:SS] text\n".
std::string PlainLine(const Runs& line, bool whisper);

}  // namespace varno
