#pragma once

#include <string>
#include <string_view>

namespace varno {

// Whether bytes are UTF-8 as the standard has it: no overlong form, no surrogate, nothing
// past U+10FFFF, no sequence cut short.
bool IsValidUtf8(std::string_view bytes);

// Text for the views: bytes that are valid UTF-8 are shown as UTF-8, anything else is read
// as Windows-1252. The result is always valid UTF-8.
std::string DisplayText(std::string_view bytes);

// DisplayText with every control character shown as a symbol, so that nothing the server
// sends can break a view's layout or reach a terminal as a control sequence: C0 controls
// as the symbols U+2400..U+241F, DEL as U+2421, C1 controls as U+FFFD.
std::string VisibleText(std::string_view bytes);

// VisibleText of bytes, and `at` moved from a byte of bytes to where that byte's character
// begins in the result (at most bytes.size(), a character boundary).
std::string VisibleText(std::string_view bytes, std::size_t& at);

}  // namespace varno
