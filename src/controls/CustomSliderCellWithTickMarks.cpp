#include "controls/CustomSliderCellWithTickMarks.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

CustomSliderCellWithTickMarks::CustomSliderCellWithTickMarks(QWidget *parent)
    : CustomSliderCell(parent)
{
}

void CustomSliderCellWithTickMarks::setNumberOfTickMarks(int count)
{
    m_tickMarks = std::max(0, count);
    update();
}

std::vector<double> CustomSliderCellWithTickMarks::tickMarkPositions(int count, double boundsWidth)
{
    std::vector<double> xs;
    if (count < 1)
        return xs;
    if (count == 1) {
        xs.push_back(10.0);
        return xs;
    }
    const double usable = std::max(0.0, boundsWidth - 20.0);
    const double spacing = usable / (count - 1);
    xs.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        xs.push_back(10.0 + i * spacing);
    return xs;
}

QRectF CustomSliderCellWithTickMarks::barRect() const
{
    return QRectF(4.0, height() / 2.0 - 1.0, std::max(0, width() - 8), 2.0);
}

void CustomSliderCellWithTickMarks::drawBarInside(QPainter &painter, const QRectF &rect)
{
    rectangle = rect;
    QPainterPath whole;
    whole.addRoundedRect(QRectF(rect.x(), rect.y(), rect.width(), 2.0), 1.0, 1.0);
    painter.fillPath(whole, gold());
    const double filled = filledWidth(sliderPosition(), minimum(), maximum(), width());
    if (filled > 0) {
        QPainterPath part;
        part.addRoundedRect(QRectF(rect.x(), rect.y(), filled, 2.0), 1.0, 1.0);
        painter.fillPath(part, gold());
    }
}

void CustomSliderCellWithTickMarks::drawTickMarks(QPainter &painter)
{
    if (m_tickMarks <= 0)
        return;
    painter.setPen(QPen(gold(), 0.5));
    painter.setBrush(gold());
    for (double x : tickMarkPositions(m_tickMarks, width()))
        painter.drawRoundedRect(QRectF(x, 1.0, 1.0, 3.0), 0.5, 0.5);
}
