#pragma once

#include <optional>

#include <QPoint>

#include "base/edition.h"

class QWidget;

namespace varno {

// Shows the user-list popup with its right edge at the pointer (screen coordinates) and
// waits for the choice. Returns the chosen entry's identifier; nothing when dismissed.
std::optional<int> ExecUserMenu(const Edition& edition, QPoint globalPointer, QWidget* parent);

}  // namespace varno
