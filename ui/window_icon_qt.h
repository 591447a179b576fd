#pragma once

#include <QIcon>

namespace varno {

// The program's own 64 x 64 window icon, drawn at start.
QIcon WindowIcon();

}  // namespace varno
