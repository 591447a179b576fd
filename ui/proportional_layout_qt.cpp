#include "ui/proportional_layout_qt.h"

#include <QRect>

namespace varno {

void ProportionalLayout::takeSnapshot(QWidget* client, const QList<QWidget*>& controls) {
    records_.clear();
    controls_.clear();
    const QSize clientSize = client != nullptr ? client->size() : QSize(0, 0);
    for (QWidget* control : controls) {
        ControlRecord record;
        record.clientHeight = PixelsToTwips(clientSize.height());
        record.clientWidth = PixelsToTwips(clientSize.width());
        if (control != nullptr) {
            const QRect g = control->geometry();
            record.top = PixelsToTwips(g.top());
            record.left = PixelsToTwips(g.left());
            record.width = PixelsToTwips(g.width());
            record.height = PixelsToTwips(g.height());
        }
        records_.push_back(record);
        controls_.append(control);
    }
}

void ProportionalLayout::relayout(QSize clientSizePixels) {
    const std::vector<Geometry> geometry =
        Relayout(records_, static_cast<double>(clientSizePixels.height()) * kTwipsPerPixel,
                 static_cast<double>(clientSizePixels.width()) * kTwipsPerPixel);
    for (qsizetype i = 0; i < controls_.size(); ++i) {
        QWidget* control = controls_[i];
        if (control == nullptr) {
            continue;
        }
        const Geometry& g = geometry[static_cast<std::size_t>(i)];
        QRect rect = control->geometry();
        if (g.top) {
            rect.moveTop(TwipsToPixels(*g.top));
        }
        if (g.left) {
            rect.moveLeft(TwipsToPixels(*g.left));
        }
        if (g.width) {
            rect.setWidth(TwipsToPixels(*g.width));
        }
        if (g.height) {
            rect.setHeight(TwipsToPixels(*g.height));
        }
        control->setGeometry(rect);
    }
}

}  // namespace varno
