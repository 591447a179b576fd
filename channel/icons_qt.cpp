#include "channel/icons_qt.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "channel/product_icon.h"

namespace varno {

namespace {

struct Badge {
    int index;
    const char* letters;
    QColor fill;
};

// One colour per product, bright enough to read on a black background.
const Badge kBadges[] = {
    {2, "CHAT", QColor(0xC8, 0xC8, 0xC8)},  {3, "DRTL", QColor(0xE0, 0x48, 0x38)},
    {4, "DSHR", QColor(0xF0, 0x90, 0x80)},  {5, "D2DV", QColor(0xE8, 0xB0, 0x20)},
    {6, "STAR", QColor(0x4F, 0xA3, 0xFF)},  {7, "SSHR", QColor(0x80, 0xE0, 0xFF)},
    {8, "GAME", QColor(0x90, 0x90, 0x90)},  {9, "SEXP", QColor(0x40, 0xC8, 0x70)},
    {10, "W2BN", QColor(0xFF, 0x8C, 0x10)}, {11, "JSTR", QColor(0xB0, 0x80, 0xF0)},
    {12, "D2XP", QColor(0xD0, 0x80, 0x48)}, {14, "STAFF", QColor(0x30, 0x70, 0xFF)},
};

QPixmap Blank() {
    const qreal ratio = qApp != nullptr ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(RosterIcons::kSize * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A rounded badge with its letters squeezed to fit the width.
QPixmap DrawBadge(const Badge& badge) {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF frame(0.5, 0.5, RosterIcons::kSize.width() - 1, RosterIcons::kSize.height() - 1);
    p.setPen(QPen(badge.fill.darker(160), 1));
    p.setBrush(badge.fill);
    p.drawRoundedRect(frame, 3, 3);

    QFont font;
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    const QString text = QString::fromLatin1(badge.letters);
    const qreal room = frame.width() - 3;
    const qreal width = QFontMetricsF(font).horizontalAdvance(text);
    const qreal squeeze = width > room ? room / width : 1.0;
    p.translate(frame.center());
    p.scale(squeeze, 1.0);
    p.setPen(badge.fill.lightness() > 140 ? Qt::black : Qt::white);
    const QRectF textBox(-width / 2 - 1, -frame.height() / 2, width + 2, frame.height());
    p.drawText(textBox, Qt::AlignCenter, text);
    return pixmap;
}

// A gold crown: a channel operator.
QPixmap DrawCrown() {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPolygonF crown(
        {{6, 12.5}, {5, 3.5}, {10, 8}, {14, 1.5}, {18, 8}, {23, 3.5}, {22, 12.5}});
    p.setPen(QPen(QColor(0xB8, 0x86, 0x0B), 1));
    p.setBrush(QColor(0xFF, 0xD7, 0x00));
    p.drawPolygon(crown);
    return pixmap;
}

// A red cross: a squelched user.
QPixmap DrawCross() {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xFF, 0x30, 0x30), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 2), QPointF(19, 12));
    p.drawLine(QPointF(19, 2), QPointF(9, 12));
    return pixmap;
}

}  // namespace

RosterIcons::RosterIcons() {
    for (const Badge& badge : kBadges) {
        images_[badge.index] = DrawBadge(badge);
    }
    images_[icon::kOperator] = DrawCrown();
    images_[icon::kSquelched] = DrawCross();
}

const QPixmap& RosterIcons::at(int index) const {
    if (index < 1 || index >= static_cast<int>(images_.size())) {
        return images_[0];
    }
    return images_[static_cast<std::size_t>(index)];
}

}  // namespace varno
