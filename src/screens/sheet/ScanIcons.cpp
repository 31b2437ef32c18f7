#include "screens/sheet/ScanIcons.h"
#include "model/Palette.h"

#include <QByteArray>
#include <QPainter>

namespace {

const char kIconFound[] =
    "iVBORw0KGgoAAAANSUhEUgAAABoAAAAaCAYAAACpSkzOAAACZklEQVRIx8WWX0hTURzHP1OLVoHGGkQMnK3AmWDQH7eQyhGDlSPwQvaSyurFBQU9RJ"
    "T0ENJDkdCD96kGs+htT0XCqDt6iGagT8YMkhQMwjEswhZG2MPuuWx397rtJvV7uud3fvd8zu/8+X0P/COzVRMUSESbgSDQA/"
    "gBJ5AF0sAzIKlI8oJlUCAR9QExwFvFfDJARJHkdNWgQCK6FZCBAQurNA4MKZL8Y11QIBF1qLNzWoAIywJeRZJzhiA1k/m/"
    "hBTD3CKzOl2nvEEQ1HHksozUjX+7QZBi8yuSnC7OKGZ1JBs2rh/qN+uOaRmp92TeKmiwrYfvqyskPqbMQtwio6BVSLfrIOdbQzz/"
    "9Iau3R3cORo1Cgs2qB9hK5DWHc0MH4lwb+oJ/"
    "d5ThFu6OPvihlFoWIB8tUKc9ibGuq8B0Lv3BJ5GF+cmbvLz96pRuE8sneGRPrPnGK96x2h3eEr8W+o38+jksNb2NLq4lLpLNv/"
    "VdF4ClDWCXD7QB8CD41c1mA0btzovsm2TXYsdeRdjdnndmpoVoLJCOPftc0lbwAbaTtO5a7/"
    "mfzw7QWpxqtJKp+sBWvoOb0d3IJbyy0wvfSDk9mu+kNtPx859Wnvyy3tGp59WggDcFxkljXpncnNceT1q+OfKrzy3Jx+"
    "yxlo1oGQdgCpamVpgF16OmJ0wvWUUSV4oLkERs0g9rMIJ01sEymUiDpgWrXaHB6e9qZrNFxZXJHkQoEHXMQSEMLlXM7m5agFQuDJaPSrRI1WkvBjcq"
    "xpNKKwm53rhQ5VfNxC3CBmnoKy5Yuf/fQUZAMW7LkyhANf8rvsD7rjBXIudMAsAAAAASUVORK5CYII=";

const char kIconAlert[] =
    "iVBORw0KGgoAAAANSUhEUgAAABAAAAAQCAYAAAAf8/9hAAAA8UlEQVQ4y6WSu4oCMRiFPy/jKhY2CjbCVAFLX8J+GxGmsbTSSitLy+lnYesUK/"
    "gCvoCl5cJUgS3X3ss4YhOHQecS8UBIcv7DyfmTwJsoZBWVFCXgApRtxw+TNMWcAz4fZvMESgoLOMeoiu34wSsJhjn79ARKiipwWK4CNruQfq/"
    "EYmAB1GzHP5okGJnyTwZKijrgpRh4up6ZYEw2xqkGSooG4OYYuFqXmGCKGSJd9ApKiibwH1f9/l05BfBhQbfz1G3Ldvx9nJ0/"
    "KtbbkMn3mfU28RfPoxaUFG1gZhj/jpmSol3QBh75t5+Er7Je/OjxMm5f3jzXZ0lLCQAAAABJRU5ErkJggg==";

QImage decode(const char *base64)
{
    return QImage::fromData(QByteArray::fromBase64(QByteArray(base64)), "PNG");
}

} // namespace

QImage iconFound()
{
    return decode(kIconFound);
}

QImage iconAlert()
{
    return decode(kIconAlert);
}

QImage iconInfo()
{
    return QImage(QStringLiteral(":/images/info.png"));
}

QImage infoBadge(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::focusBlue);
    painter.drawEllipse(QRectF(0.5, 0.5, side - 1.0, side - 1.0));
    // The letter: a dot over a rounded stem.
    painter.setBrush(Palette::white);
    const qreal stem = side * 0.13;
    painter.drawEllipse(QPointF(side / 2.0, side * 0.28), stem * 0.62, stem * 0.62);
    painter.drawRoundedRect(QRectF((side - stem) / 2.0, side * 0.40, stem, side * 0.36), stem / 2.0, stem / 2.0);
    return image;
}
