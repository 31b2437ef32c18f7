#include "controls/CustomSliderCell.h"
#include "model/Palette.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

CustomSliderCell::CustomSliderCell(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

double CustomSliderCell::ratio(double value, double minimum, double maximum)
{
    const double span = maximum - minimum;
    if (!(span > 0) || !std::isfinite(span))
        return 0.0;
    return std::clamp((value - minimum) / span, 0.0, 1.0);
}

double CustomSliderCell::filledWidth(double value, double minimum, double maximum, double controlWidth)
{
    return std::max(0.0, controlWidth - 8.0) * ratio(value, minimum, maximum);
}

double CustomSliderCell::knobCentreX(double r, double controlWidth)
{
    return 10.0 + std::max(0.0, controlWidth - 20.0) * std::clamp(r, 0.0, 1.0);
}

QRectF CustomSliderCell::barRect() const
{
    return QRectF(4.0, height() / 2.0 - 2.5, std::max(0, width() - 8), 5.0);
}

double CustomSliderCell::currentRatio() const
{
    return ratio(sliderPosition(), minimum(), maximum());
}

QSize CustomSliderCell::sizeHint() const
{
    return QSize(160, 24);
}

QSize CustomSliderCell::minimumSizeHint() const
{
    return QSize(40, 20);
}

void CustomSliderCell::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (!isEnabled())
        painter.setOpacity(0.5);
    drawBarInside(painter, barRect());
    drawTickMarks(painter);
    drawKnob(painter);
    if (hasFocus()) {
        // The keyboard's place: a blue ring round the whole control, as the buttons have.
        painter.setOpacity(1.0);
        painter.setPen(QPen(Palette::focusBlue, 2.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.0, 1.0, -1.0, -1.0), 5.0, 5.0);
    }
}

void CustomSliderCell::drawBarInside(QPainter &painter, const QRectF &rect)
{
    const double filled = filledWidth(sliderPosition(), minimum(), maximum(), width());
    if (filled <= 0)
        return;
    QPainterPath path;
    path.addRoundedRect(QRectF(rect.x(), rect.y(), filled, 5.0), 2.5, 2.5);
    painter.fillPath(path, gold());
}

void CustomSliderCell::drawTickMarks(QPainter &)
{
}

void CustomSliderCell::drawKnob(QPainter &painter)
{
    const double cx = knobCentreX(currentRatio(), width());
    const double cy = height() / 2.0;
    const double radius = std::min(7.0, height() / 2.0 - 1.0);
    painter.setPen(QPen(Palette::disabledText, 0.5));
    painter.setBrush(isSliderDown() ? Palette::hoverLight : Palette::labelText);
    painter.drawEllipse(QPointF(cx, cy), radius, radius);
}

int CustomSliderCell::valueForX(double x) const
{
    const double usable = std::max(1.0, width() - 20.0);
    const double r = std::clamp((x - 10.0) / usable, 0.0, 1.0);
    return minimum() + static_cast<int>(std::lround(r * (maximum() - minimum())));
}

void CustomSliderCell::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || maximum() == minimum()) {
        event->ignore();
        return;
    }
    event->accept();
    setSliderDown(true);
    setSliderPosition(valueForX(event->position().x()));
}

bool CustomSliderCell::followPointer(QMouseEvent *event)
{
    if (!isSliderDown()) {
        event->ignore();
        return false;
    }
    event->accept();
    setSliderPosition(valueForX(event->position().x()));
    return true;
}

void CustomSliderCell::mouseMoveEvent(QMouseEvent *event)
{
    followPointer(event);
}

void CustomSliderCell::mouseReleaseEvent(QMouseEvent *event)
{
    if (followPointer(event))
        setSliderDown(false);
}
