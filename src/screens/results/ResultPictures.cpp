#include "screens/results/ResultPictures.h"

#include "screens/home/HomePictures.h"
#include "model/Palette.h"

#include <QPainter>
#include <QPainterPath>

namespace ResultPictures {

namespace {

const QColor kLight(210, 210, 210);

// A transparent picture of w x h logical pixels at device pixel ratio 2, and a painter on it.
QImage blank(int w, int h)
{
    QImage image(w * 2, h * 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(2.0);
    return image;
}

void prepare(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing);
}

} // namespace

QImage titleIcon()
{
    QImage image = blank(24, 24);
    QPainter p(&image);
    prepare(p);
    const QImage mark = HomePictures::applicationIcon(48);
    p.drawImage(QRectF(0, 0, 24, 24), mark);
    return image;
}

QImage backToHomeIcon()
{
    QImage image = blank(26, 26);
    QPainter p(&image);
    prepare(p);
    p.setPen(QPen(kLight, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath house;
    house.moveTo(4, 13);
    house.lineTo(13, 5);
    house.lineTo(22, 13);
    p.drawPath(house);
    p.drawRect(QRectF(7, 12, 12, 9));
    p.setBrush(Palette::gold);
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(11.5, 15, 3.5, 6));
    return image;
}

QImage selectionWizardIcon()
{
    QImage image = blank(26, 26);
    QPainter p(&image);
    prepare(p);
    p.setPen(QPen(kLight, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 21), QPointF(17, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(Palette::gold);
    for (const QPointF &star : {QPointF(19, 6), QPointF(22, 12), QPointF(13, 4)}) {
        QPainterPath s;
        s.moveTo(star + QPointF(0, -2.5));
        s.lineTo(star + QPointF(0.8, -0.8));
        s.lineTo(star + QPointF(2.5, 0));
        s.lineTo(star + QPointF(0.8, 0.8));
        s.lineTo(star + QPointF(0, 2.5));
        s.lineTo(star + QPointF(-0.8, 0.8));
        s.lineTo(star + QPointF(-2.5, 0));
        s.lineTo(star + QPointF(-0.8, -0.8));
        s.closeSubpath();
        p.drawPath(s);
    }
    return image;
}

QImage thumbnailViewIcon()
{
    QImage image = blank(26, 26);
    QPainter p(&image);
    prepare(p);
    p.setPen(Qt::NoPen);
    p.setBrush(kLight);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 2; ++col)
            p.drawRoundedRect(QRectF(5 + col * 9, 5 + row * 9, 7, 7), 1.5, 1.5);
    return image;
}

QImage listViewIcon()
{
    QImage image = blank(26, 26);
    QPainter p(&image);
    prepare(p);
    p.setPen(Qt::NoPen);
    p.setBrush(kLight);
    for (int row = 0; row < 3; ++row) {
        p.drawEllipse(QRectF(4, 6 + row * 6, 3, 3));
        p.drawRoundedRect(QRectF(9, 6.5 + row * 6, 13, 2.2), 1, 1);
    }
    return image;
}

QImage radioChecked()
{
    QImage image = blank(20, 20);
    QPainter p(&image);
    prepare(p);
    p.setPen(QPen(Palette::gold, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(2, 2, 16, 16));
    p.setPen(Qt::NoPen);
    p.setBrush(Palette::gold);
    p.drawEllipse(QRectF(6, 6, 8, 8));
    return image;
}

QImage radioUnchecked()
{
    QImage image = blank(20, 20);
    QPainter p(&image);
    prepare(p);
    p.setPen(QPen(Palette::gold, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(2, 2, 16, 16));
    return image;
}

QImage dialogPicture()
{
    QImage image = blank(96, 96);
    QPainter p(&image);
    prepare(p);
    p.drawImage(QRectF(4, 4, 88, 88), HomePictures::applicationIcon(176));
    return image;
}

QImage noResultsPicture()
{
    QImage image = blank(160, 160);
    QPainter p(&image);
    prepare(p);
    p.setPen(QPen(Palette::disabledText, 3));
    p.setBrush(QColor(50, 50, 50));
    p.drawRoundedRect(QRectF(22, 34, 92, 76), 10, 10);
    p.setBrush(Palette::buttonFace);
    p.drawRoundedRect(QRectF(46, 52, 92, 76), 10, 10);
    p.setPen(QPen(Palette::gold, 6, Qt::SolidLine, Qt::RoundCap));
    p.drawEllipse(QRectF(70, 66, 34, 34));
    p.drawLine(QPointF(100, 96), QPointF(118, 114));
    return image;
}

QImage statusPicture(int size)
{
    const int s = size == 128 ? 128 : 256;
    QImage image = blank(s, s);
    QPainter p(&image);
    prepare(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(9, 171, 9, 60));
    p.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84));
    p.setBrush(Palette::green);
    p.drawEllipse(QRectF(s * 0.18, s * 0.18, s * 0.64, s * 0.64));
    p.setPen(QPen(Palette::white, s * 0.06, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(s * 0.36, s * 0.51);
    tick.lineTo(s * 0.46, s * 0.61);
    tick.lineTo(s * 0.65, s * 0.40);
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
    return image;
}

QImage facebookIcon()
{
    QImage image = blank(20, 20);
    QPainter p(&image);
    prepare(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(59, 89, 152));
    p.drawRoundedRect(QRectF(1, 1, 18, 18), 4, 4);
    QFont font;
    font.setBold(true);
    font.setPixelSize(14);
    p.setFont(font);
    p.setPen(Palette::white);
    p.drawText(QRectF(1, 2, 18, 18), Qt::AlignCenter, QStringLiteral("f"));
    return image;
}

QImage twitterIcon()
{
    QImage image = blank(20, 20);
    QPainter p(&image);
    prepare(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(29, 161, 242));
    p.drawEllipse(QRectF(1, 1, 18, 18));
    p.setBrush(Palette::white);
    p.drawEllipse(QRectF(6, 6, 8, 8));
    return image;
}

} // namespace ResultPictures
