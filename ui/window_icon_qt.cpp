#include "ui/window_icon_qt.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace varno {

QIcon WindowIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(20, 40, 90));
    p.setPen(QPen(QColor(120, 180, 255), 3));
    p.drawRoundedRect(QRectF(3, 3, 58, 58), 12, 12);
    QPainterPath v;
    v.moveTo(16, 16);
    v.lineTo(32, 50);
    v.lineTo(48, 16);
    p.setPen(QPen(QColor(255, 220, 80), 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(v);
    return QIcon(pixmap);
}

}  // namespace varno
