#include "screens/results/grid/ResultIcons.h"
#include "model/Palette.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ResultIcons {

namespace {

const QColor kGold(0xd9, 0xa4, 0x2b);

void drawLock(QPainter &p, const QRectF &r, bool open, const QColor &color)
{
    const qreal w = r.width(), h = r.height();
    QRectF body(r.left() + w * 0.18, r.top() + h * 0.45, w * 0.64, h * 0.48);
    QPen pen(color, std::max<qreal>(1.2, w * 0.1));
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    const qreal left = r.left() + w * 0.30, right = r.left() + w * 0.70;
    shackle.moveTo(left, body.top());
    shackle.lineTo(left, r.top() + h * 0.28);
    shackle.arcTo(QRectF(left, r.top() + h * 0.08, right - left, h * 0.4), 180, -180);
    shackle.lineTo(right, open ? r.top() + h * 0.30 : body.top());
    p.drawPath(shackle);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(body, w * 0.08, w * 0.08);
}

// A small picture in `frame`: its outline, a hill and a sun.
void drawPicture(QPainter &p, const QRectF &frame, const QPen &pen)
{
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const qreal w = frame.width(), h = frame.height();
    p.drawRoundedRect(frame, w * 0.08, w * 0.08);
    QPainterPath hill;
    hill.moveTo(frame.left() + w * 0.12, frame.bottom() - h * 0.16);
    hill.lineTo(frame.left() + w * 0.38, frame.top() + h * 0.45);
    hill.lineTo(frame.left() + w * 0.56, frame.top() + h * 0.66);
    hill.lineTo(frame.left() + w * 0.68, frame.top() + h * 0.54);
    hill.lineTo(frame.right() - w * 0.12, frame.bottom() - h * 0.16);
    p.drawPath(hill);
    const qreal sun = h * 0.11;
    p.drawEllipse(QPointF(frame.right() - w * 0.26, frame.top() + h * 0.28), sun, sun);
}

QPixmap render(const QString &name, int size, qreal dpr)
{
    QPixmap pixmap(int(size * dpr), int(size * dpr));
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(1, 1, size - 2, size - 2);
    if (name == QLatin1String("selectall") || name == QLatin1String("unselectall")) {
        // Two stacked boxes: ticked for "select all", crossed out for "unselect all".
        p.setPen(QPen(Palette::labelText, 1.3));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(r.left() + 4, r.top(), r.width() - 4, r.height() - 4), 2, 2);
        p.setBrush(name == QLatin1String("selectall") ? Palette::green : Palette::disabledGrey);
        const QRectF front(r.left(), r.top() + 4, r.width() - 4, r.height() - 4);
        p.drawRoundedRect(front, 2, 2);
        QPen mark(Palette::white, 1.6);
        mark.setCapStyle(Qt::RoundCap);
        p.setPen(mark);
        if (name == QLatin1String("selectall")) {
            QPainterPath tick;
            tick.moveTo(front.left() + front.width() * 0.22, front.center().y());
            tick.lineTo(front.left() + front.width() * 0.43, front.bottom() - front.height() * 0.25);
            tick.lineTo(front.right() - front.width() * 0.2, front.top() + front.height() * 0.25);
            p.drawPath(tick);
        } else {
            p.drawLine(QPointF(front.left() + front.width() * 0.25, front.center().y()),
                       QPointF(front.right() - front.width() * 0.25, front.center().y()));
        }
    } else if (name == QLatin1String("lock.png")) {
        drawLock(p, r, true, Palette::labelText);
    } else if (name == QLatin1String("unlock.png")) {
        drawLock(p, r, false, kGold);
    } else if (name == QLatin1String("NSAddTemplate") || name == QLatin1String("NSRemoveTemplate")) {
        QPen pen(Palette::labelText, 1.8);
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        const QPointF c = r.center();
        const qreal a = r.width() * 0.32;
        p.drawLine(QPointF(c.x() - a, c.y()), QPointF(c.x() + a, c.y()));
        if (name == QLatin1String("NSAddTemplate"))
            p.drawLine(QPointF(c.x(), c.y() - a), QPointF(c.x(), c.y() + a));
    }
    return pixmap;
}

} // namespace

QIcon named(const QString &name)
{
    static QHash<QString, QIcon> icons;
    auto it = icons.find(name);
    if (it == icons.end()) {
        QIcon icon;
        for (qreal dpr : {1.0, 2.0})
            icon.addPixmap(render(name, 18, dpr));
        it = icons.insert(name, icon);
    }
    return it.value();
}

QColor cellBorderColor()
{
    return Palette::cellBorder;
}
QColor cellHighlightColor()
{
    return Palette::white;
}
QColor thumbnailBackground()
{
    return Palette::windowBackground;
}
QColor headerColor()
{
    return Palette::panelBorder;
}

void paintCheckBox(QPainter &p, const QRectF &r, bool checked, bool enabled)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(checked ? Palette::green : Palette::mutedText, 1.2));
    p.setBrush(checked ? Palette::green : Palette::cardBackground);
    if (!enabled)
        p.setOpacity(0.45);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    if (checked) {
        QPen pen(Palette::white, std::max<qreal>(1.6, r.width() * 0.12));
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        p.setPen(pen);
        QPainterPath tick;
        tick.moveTo(r.left() + r.width() * 0.24, r.top() + r.height() * 0.52);
        tick.lineTo(r.left() + r.width() * 0.43, r.top() + r.height() * 0.72);
        tick.lineTo(r.left() + r.width() * 0.77, r.top() + r.height() * 0.30);
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
    }
    p.restore();
}

void paintLockBadge(QPainter &p, const QRectF &r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    drawLock(p, r, false, kGold);
    p.restore();
}

void paintVideoBadge(QPainter &p, const QRectF &r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 255, 255, 220), 2));
    p.setBrush(QColor(0, 0, 0, 120));
    p.drawEllipse(r);
    QPainterPath triangle;
    triangle.moveTo(r.left() + r.width() * 0.40, r.top() + r.height() * 0.30);
    triangle.lineTo(r.left() + r.width() * 0.72, r.center().y());
    triangle.lineTo(r.left() + r.width() * 0.40, r.top() + r.height() * 0.70);
    triangle.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Palette::glyphFill);
    p.drawPath(triangle);
    p.restore();
}

void paintOrientationBadge(QPainter &p, const QRectF &r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 140));
    p.drawEllipse(r);
    QPen pen(Palette::titleText, std::max<qreal>(1.4, r.width() * 0.09));
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QRectF arc = r.adjusted(r.width() * 0.25, r.height() * 0.25, -r.width() * 0.25, -r.height() * 0.25);
    p.drawArc(arc, 90 * 16, 270 * 16);
    const QPointF tip(arc.center().x(), arc.top());
    p.drawLine(tip, tip + QPointF(-r.width() * 0.14, -r.height() * 0.1));
    p.drawLine(tip, tip + QPointF(-r.width() * 0.12, r.height() * 0.12));
    p.restore();
}

void paintPhotosBadge(QPainter &p, const QRectF &r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QColor petals[] = {QColor(0xf4, 0xb4, 0x00), QColor(0xef, 0x6c, 0x00), QColor(0xe5, 0x39, 0x35),
                             QColor(0x8e, 0x24, 0xaa), QColor(0x1e, 0x88, 0xe5), QColor(0x43, 0xa0, 0x47)};
    p.setBrush(Palette::glyphFill);
    p.drawRoundedRect(r, r.width() * 0.22, r.width() * 0.22);
    const QPointF c = r.center();
    for (int i = 0; i < 6; ++i) {
        p.save();
        p.translate(c);
        p.rotate(60.0 * i);
        p.setBrush(petals[i]);
        p.setOpacity(0.85);
        p.drawEllipse(QRectF(-r.width() * 0.1, -r.height() * 0.38, r.width() * 0.2, r.height() * 0.3));
        p.restore();
    }
    p.restore();
}

void paintUnshownMark(QPainter &p, const QRectF &r, bool tooLarge)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = std::min(r.width(), r.height());
    const QPointF c = r.center();
    QPen pen(Palette::mutedText, std::max<qreal>(1.5, s * 0.05));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    if (tooLarge) {
        // The picture in the middle, an arrow past each of its corners pointing out.
        const QRectF frame(c.x() - s * 0.25, c.y() - s * 0.19, s * 0.5, s * 0.38);
        drawPicture(p, frame, pen);
        p.setPen(pen);
        const qreal head = s * 0.11;
        for (const QPointF corner : {QPointF(-1, -1), QPointF(1, -1), QPointF(1, 1), QPointF(-1, 1)}) {
            const QPointF from(c.x() + corner.x() * s * 0.33, c.y() + corner.y() * s * 0.27);
            const QPointF tip(c.x() + corner.x() * s * 0.47, c.y() + corner.y() * s * 0.41);
            p.drawLine(from, tip);
            p.drawLine(tip, tip - QPointF(corner.x() * head, 0));
            p.drawLine(tip, tip - QPointF(0, corner.y() * head));
        }
    } else {
        // The picture broken along a zigzag, its halves pulled apart and tilted; each half is
        // tinted so that the broken edge shows along its length.
        const QRectF frame(c.x() - s * 0.36, c.y() - s * 0.27, s * 0.72, s * 0.54);
        const qreal top = frame.top() - s, bottom = frame.bottom() + s;
        QPolygonF crack;
        crack << QPointF(c.x() + s * 0.05, top) << QPointF(c.x() + s * 0.05, frame.top())
              << QPointF(c.x() - s * 0.07, c.y() - s * 0.1) << QPointF(c.x() + s * 0.07, c.y() + s * 0.05)
              << QPointF(c.x() - s * 0.04, frame.bottom()) << QPointF(c.x() - s * 0.04, bottom);
        QColor tint = Palette::mutedText;
        tint.setAlpha(70);
        for (const int side : {-1, 1}) {
            QPolygonF half = crack;
            const qreal outer = side < 0 ? r.left() - s : r.right() + s;
            half << QPointF(outer, bottom) << QPointF(outer, top);
            QPainterPath clip;
            clip.addPolygon(half);
            p.save();
            p.translate(c.x() + side * s * 0.05, frame.bottom());
            p.rotate(side * 6.0);
            p.translate(-c.x(), -frame.bottom());
            p.setClipPath(clip, Qt::IntersectClip);
            p.setPen(Qt::NoPen);
            p.setBrush(tint);
            p.drawRoundedRect(frame, frame.width() * 0.08, frame.width() * 0.08);
            drawPicture(p, frame, pen);
            p.restore();
        }
    }
    p.restore();
}

} // namespace ResultIcons
