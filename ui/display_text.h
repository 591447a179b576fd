#pragma once

#include <string>
#include <string_view>

namespace varno {

// Text for the views: bytes that are valid UTF-8 are shown as UTF-8, anything else is read
// as Windows-1252. The result is always valid UTF-8.
std::string DisplayText(std::string_view bytes);

// DisplayText with every control character (below 0x20, and 0x7F) shown as the symbol that
// stands for it (U+2400 to U+241F, U+2421), so that no name or message can break a layout.
std::string VisibleText(std::string_view bytes);

}  // namespace varno
