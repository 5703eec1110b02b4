#include "ui/appicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap Draw(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    // The reader: a rounded slab with a status light.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2b, 0x5b, 0x84));
    p.drawRoundedRect(QRectF(6, 30, 30, 28), 5, 5);
    p.setBrush(QColor(0x7f, 0xd1, 0x6b));
    p.drawEllipse(QPointF(14, 50), 3, 3);
    // The waves towards a tag.
    QPen wave(QColor(0xe8, 0x8a, 0x1a), 4, Qt::SolidLine, Qt::RoundCap);
    p.setPen(wave);
    p.setBrush(Qt::NoBrush);
    for (int r = 12; r <= 36; r += 12)
        p.drawArc(QRectF(21 - r, 44 - r, 2 * r, 2 * r), 20 * 16, 50 * 16);
    // The tag.
    p.setPen(QPen(QColor(0x33, 0x33, 0x33), 2));
    p.setBrush(QColor(0xf4, 0xf1, 0xe8));
    p.drawRoundedRect(QRectF(44, 4, 16, 12), 2, 2);
    return pixmap;
}

} // namespace

QIcon AppIcon() {
    static const QIcon icon = [] {
        QIcon i;
        for (int size : {16, 24, 32, 48, 64, 128, 256})
            i.addPixmap(Draw(size));
        return i;
    }();
    return icon;
}
