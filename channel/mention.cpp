#include "channel/mention.h"

#include "base/text_case.h"

namespace varno {
namespace {

bool WordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

}  // namespace

bool NamesUser(std::string_view text, std::string_view name) {
    if (name.empty() || name.size() > text.size()) {
        return false;
    }
    // A side of the name that is not a word character (a name ending in "]", say) needs no
    // boundary there.
    const bool wordStart = WordChar(name.front());
    const bool wordEnd = WordChar(name.back());
    for (std::size_t i = 0; i + name.size() <= text.size(); ++i) {
        if (!EqualsIgnoreCase(text.substr(i, name.size()), name)) {
            continue;
        }
        const std::size_t end = i + name.size();
        const bool startOk = !wordStart || i == 0 || !WordChar(text[i - 1]);
        const bool endOk = !wordEnd || end == text.size() || !WordChar(text[end]);
        if (startOk && endOk) {
            return true;
        }
    }
    return false;
}

}  // namespace varno
