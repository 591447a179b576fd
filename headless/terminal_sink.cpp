#include "headless/terminal_sink.h"

#include <algorithm>

#include "log/line_text.h"
#include "log/terminal_text.h"

namespace varno {

std::string TerminalSink::Render(const Runs& line, bool whisper) const {
    if (!colour_) {
        if (!priorities_) {
            return PlainLine(line, whisper);
        }
        const bool red = std::any_of(line.begin(), line.end(),
                                     [](const Run& run) { return run.colour == colour::kRed; });
        return (red ? "<3>" : "<6>") + PlainLine(line, whisper);
    }
    return ColouredLine(line, whisper);
}
void TerminalSink::onLine(const Runs& line, bool whisper) {
    const std::string text = Render(line, whisper);
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
}

}  // namespace varno
