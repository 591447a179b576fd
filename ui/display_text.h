#pragma once

#include <string>
#include <string_view>

namespace varno {

// Text for the views: bytes that are valid UTF-8 are shown as UTF-8, anything else is read
// as Windows-1252. The result is always valid UTF-8.
std::string DisplayText(std::string_view bytes);

}  // namespace varno
