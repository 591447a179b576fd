#include "log/line_text.h"

#include "log/display_text.h"

namespace varno {

void ForEachShownPiece(const Runs& line, bool whisper,
                       const std::function<void(Colour, const std::string&)>& piece) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        std::string_view text = line[i].text;
        if (i + 1 == line.size() && text.ends_with("\r\n")) {
            text.remove_suffix(2);
        }
        piece(line[i].colour, VisibleText(text));
        if (i == 0 && whisper) {
            piece(colour::kLightGrey, std::string(kWhisperMarker));
        }
    }
}

std::string PlainLine(const Runs& line, bool whisper) {
    std::string text;
    std::size_t size = kWhisperMarker.size() + 1;
    for (const Run& run : line) {
        size += run.text.size();
    }
    text.reserve(size);
    ForEachShownPiece(line, whisper, [&text](Colour, const std::string& shown) { text += shown; });
    text += '\n';
    return text;
}

}  // namespace varno
