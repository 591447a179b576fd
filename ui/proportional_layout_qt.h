#pragma once

#include <vector>

#include <QList>
#include <QPointer>
#include <QSize>
#include <QWidget>

#include "ui/layout.h"

namespace varno {

// Keeps controls in proportion to their window's client area: a snapshot of every control's
// geometry is taken once, and each resize places the controls from that snapshot alone.
class ProportionalLayout {
public:
    // Records the controls' geometry and the client's size, in twips.
    void takeSnapshot(QWidget* client, const QList<QWidget*>& controls);

    // Places every control for a client area of this size in pixels. Controls that no
    // longer exist are skipped.
    void relayout(QSize clientSizePixels);

private:
    std::vector<ControlRecord> records_;
    QList<QPointer<QWidget>> controls_;
};

}  // namespace varno
