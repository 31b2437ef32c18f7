#include "controls/ResetGlyph.h"
#include "model/Palette.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

QIcon resetGlyphIcon(int side)
{
    // Drawn on an 18-point grid and scaled to the asked side.
    const qreal unit = side / 18.0;
    QIcon icon;
    for (qreal scale : {1.0, 2.0}) {
        QPixmap pixmap(QSize(side, side) * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(unit, unit);
        const QColor &gold = Palette::gold;
        painter.setPen(QPen(gold, 1.8, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(QRectF(3, 3, 12, 12), 100 * 16, 290 * 16);
        QPainterPath head;
        head.moveTo(8.2, 0.6);
        head.lineTo(11.6, 3.1);
        head.lineTo(8.0, 5.6);
        head.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(gold);
        painter.drawPath(head);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
