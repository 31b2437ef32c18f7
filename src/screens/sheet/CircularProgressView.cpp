#include "screens/sheet/CircularProgressView.h"

#include <QEasingCurve>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

CircularProgressView::CircularProgressView(QWidget *parent)
    : DeterminateAnimation(parent)
{
    configureLayers();
}

void CircularProgressView::setStrokeWidth(qreal width)
{
    m_strokeWidth = width;
    notifyViewRedesigned();
}

void CircularProgressView::setShowPercent(bool show)
{
    m_showPercent = show;
    notifyViewRedesigned();
}

qreal CircularProgressView::resolvedStrokeWidth() const
{
    // A negative width would draw nothing useful (or a hairline); it stands for the automatic
    // width, wherever the ring is drawn.
    return m_strokeWidth < 0 ? width() * 0.05 : m_strokeWidth;
}

void CircularProgressView::configureLayers()
{
    notifyViewRedesigned();
    m_strokeEnd = 0.0;
    m_displayedStrokeEnd = 0.0;
    m_percentText = QStringLiteral("0%");
    // When the ring is first built its text takes the foreground colour; later redesigns turn it
    // blue.
    m_textColor = foreground();
    update();
}

void CircularProgressView::notifyViewRedesigned()
{
    m_textColor = QColor(Qt::blue);
    update();
}

void CircularProgressView::updateProgress()
{
    const qreal target = std::clamp(progress(), 0.0, 1.0);
    m_strokeEnd = target;
    m_percentText = QString::number(static_cast<long long>(std::trunc(progress() * 100.0))) + QLatin1Char('%');

    if (m_animation) {
        m_animation->stop();
        m_animation->deleteLater();
    }
    if (animated() && isVisible()) {
        auto *animation = new QVariantAnimation(this);
        animation->setDuration(500);
        animation->setEasingCurve(QEasingCurve::Linear);
        animation->setStartValue(m_displayedStrokeEnd);
        animation->setEndValue(target);
        connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
            m_displayedStrokeEnd = value.toReal();
            update();
        });
        m_animation = animation;
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        m_displayedStrokeEnd = target;
    }
    update();
}

void CircularProgressView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBackground(painter);

    const QRectF bounds(rect());
    const QPointF centre = bounds.center();
    const qreal r = radius();
    const QRectF circle(centre.x() - r, centre.y() - r, 2 * r, 2 * r);

    QPen basePen(m_bgColor, baseCircleLineWidth());
    painter.setPen(basePen);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(circle);

    if (m_displayedStrokeEnd > 0.0) {
        QPen arcPen(foreground(), arcLineWidth());
        arcPen.setCapStyle(Qt::SquareCap);
        painter.setPen(arcPen);
        // From the top, clockwise (Qt counts angles anticlockwise in 1/16 degree).
        const int span = -static_cast<int>(std::lround(m_displayedStrokeEnd * 360.0 * 16.0));
        painter.drawArc(circle, 90 * 16, span);
    }

    if (m_showPercent && fontPixelSize() >= 1.0) {
        QFont font(QStringLiteral("Helvetica Neue Light"));
        font.setWeight(QFont::Light);
        font.setPixelSize(std::max(1, static_cast<int>(fontPixelSize())));
        painter.setFont(font);
        painter.setPen(m_textColor);
        painter.drawText(bounds, Qt::AlignCenter, m_percentText);
    }
}
