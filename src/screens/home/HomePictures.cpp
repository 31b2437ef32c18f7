#include "screens/home/HomePictures.h"

#include "screens/welcome/WelcomePictures.h"
#include "model/Palette.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace HomePictures {

namespace {

QImage blank(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// A transparent canvas of w x h logical pixels for a screen of the given ratio; a painter on it
// draws in logical pixels.
QPixmap canvas(int w, int h, qreal ratio)
{
    if (!(ratio > 0))
        ratio = 1.0;
    QPixmap pixmap(qCeil(w * ratio), qCeil(h * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// Two overlapping photo frames: the mark of the application.
void drawMark(QPainter &p, const QRectF &r)
{
    const double s = r.width();
    p.setRenderHint(QPainter::Antialiasing);
    QRectF back(r.x() + s * 0.06, r.y() + s * 0.10, s * 0.60, s * 0.60);
    QRectF front(r.x() + s * 0.34, r.y() + s * 0.30, s * 0.60, s * 0.60);
    p.setPen(Qt::NoPen);
    p.setBrush(Palette::gold);
    p.drawRoundedRect(back, s * 0.10, s * 0.10);
    p.setBrush(Palette::green);
    p.drawRoundedRect(front, s * 0.10, s * 0.10);
    // A mountain and a sun inside the front frame.
    QPainterPath hill;
    hill.moveTo(front.left() + front.width() * 0.12, front.bottom() - front.height() * 0.16);
    hill.lineTo(front.left() + front.width() * 0.42, front.top() + front.height() * 0.42);
    hill.lineTo(front.left() + front.width() * 0.62, front.top() + front.height() * 0.66);
    hill.lineTo(front.left() + front.width() * 0.74, front.top() + front.height() * 0.54);
    hill.lineTo(front.right() - front.width() * 0.12, front.bottom() - front.height() * 0.16);
    hill.closeSubpath();
    p.setBrush(Palette::glyphFill);
    p.drawPath(hill);
    p.drawEllipse(QPointF(front.left() + front.width() * 0.72, front.top() + front.height() * 0.28),
                  front.width() * 0.09, front.width() * 0.09);
}

void drawPhoto(QPainter &p, const QRectF &r, const QColor &frame, const QColor &fill)
{
    p.setPen(QPen(frame, 2));
    p.setBrush(fill);
    p.drawRoundedRect(r, 6, 6);
    QPainterPath hill;
    hill.moveTo(r.left() + r.width() * 0.12, r.bottom() - r.height() * 0.15);
    hill.lineTo(r.left() + r.width() * 0.40, r.top() + r.height() * 0.45);
    hill.lineTo(r.left() + r.width() * 0.60, r.top() + r.height() * 0.68);
    hill.lineTo(r.left() + r.width() * 0.72, r.top() + r.height() * 0.56);
    hill.lineTo(r.right() - r.width() * 0.12, r.bottom() - r.height() * 0.15);
    hill.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(frame);
    p.drawPath(hill);
    p.drawEllipse(QPointF(r.left() + r.width() * 0.72, r.top() + r.height() * 0.28), r.width() * 0.07,
                  r.width() * 0.07);
}

// A gold check mark in a circle, at the right end of a 99 x 30 picture.
QPixmap marker(qreal ratio)
{
    QPixmap image = canvas(99, 30, ratio);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Palette::gold);
    p.drawEllipse(QRectF(71, 3, 24, 24));
    p.setPen(QPen(Palette::windowBackground, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath tick;
    tick.moveTo(77.5, 15.5);
    tick.lineTo(81.5, 19.5);
    tick.lineTo(89, 11);
    p.drawPath(tick);
    return image;
}

} // namespace

QPixmap titleIcon(qreal ratio)
{
    QPixmap icon = QPixmap::fromImage(applicationIcon(qCeil(24 * (ratio > 0 ? ratio : 1.0))));
    icon.setDevicePixelRatio(ratio > 0 ? ratio : 1.0);
    return icon;
}

QImage applicationIcon(int size)
{
    // The product logo, centred in a square.
    const QImage logo = WelcomePictures::logo();
    QImage image = blank(size, size);
    QPainter p(&image);
    if (logo.isNull()) {
        drawMark(p, QRectF(0, 0, size, size));
        return image;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QImage scaled = logo.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    p.drawImage((size - scaled.width()) / 2, (size - scaled.height()) / 2, scaled);
    return image;
}

QPixmap addFilesIcon(qreal ratio)
{
    QPixmap image = canvas(20, 20, ratio);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Palette::green);
    p.drawEllipse(QRectF(1, 1, 18, 18));
    p.setPen(QPen(Palette::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 5.5), QPointF(10, 14.5));
    p.drawLine(QPointF(5.5, 10), QPointF(14.5, 10));
    return image;
}

QPixmap similarMarker(qreal ratio)
{
    return marker(ratio);
}

QPixmap exactMarker(qreal ratio)
{
    return marker(ratio);
}

QPixmap similarModePicture(qreal ratio)
{
    QPixmap image = canvas(189, 116, ratio);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawPhoto(p, QRectF(14, 18, 84, 70), Palette::secondaryText, Palette::headerBackground);
    p.save();
    p.translate(132, 58);
    p.rotate(8);
    drawPhoto(p, QRectF(-42, -34, 78, 64), Palette::gold, Palette::headerBackground);
    p.restore();
    return image;
}

QPixmap exactModePicture(qreal ratio)
{
    QPixmap image = canvas(189, 116, ratio);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawPhoto(p, QRectF(12, 22, 78, 66), Palette::green, Palette::headerBackground);
    drawPhoto(p, QRectF(99, 22, 78, 66), Palette::green, Palette::headerBackground);
    p.setPen(QPen(Palette::green, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(88, 100), QPointF(101, 100));
    p.drawLine(QPointF(88, 106), QPointF(101, 106));
    return image;
}

QPixmap dropPicture(qreal ratio)
{
    QPixmap image = canvas(170, 170, ratio);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Palette::hoverBorder, 3, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(8, 8, 154, 154), 18, 18);
    drawPhoto(p, QRectF(42, 34, 86, 70), Palette::secondaryText, Palette::fieldBackground);
    p.setPen(QPen(Palette::green, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(85, 112), QPointF(85, 146));
    p.drawLine(QPointF(71, 132), QPointF(85, 146));
    p.drawLine(QPointF(99, 132), QPointF(85, 146));
    return image;
}

} // namespace HomePictures
