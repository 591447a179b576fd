#pragma once

#include <QString>
#include <string_view>

#include "log/display_text.h"

namespace varno {

// Bytes of the server or of a file as a label, a list entry or a box shows them (see
// DisplayText).
inline QString Shown(std::string_view bytes) {
    return QString::fromStdString(DisplayText(bytes));
}

}  // namespace varno
