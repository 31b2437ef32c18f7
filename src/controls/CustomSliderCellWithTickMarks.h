#pragma once

#include "controls/CustomSliderCell.h"

#include <vector>

// The gold slider with tick marks: a 2-point bar over the whole width, the part up to the knob
// drawn over it, and one small gold mark per tick along the top.
class CustomSliderCellWithTickMarks : public CustomSliderCell
{
    Q_OBJECT
public:
    explicit CustomSliderCellWithTickMarks(QWidget *parent = nullptr);

    int numberOfTickMarks() const { return m_tickMarks; }
    void setNumberOfTickMarks(int count);

    // The x positions of n marks across a slider `boundsWidth` wide: 10 points in from each side
    // and evenly spaced; a single mark sits at the start; none for n < 1.
    static std::vector<double> tickMarkPositions(int count, double boundsWidth);

    QRectF barRect() const override;

    // The last bar rectangle drawn.
    QRectF rectangle;

protected:
    void drawBarInside(QPainter &painter, const QRectF &rect) override;
    void drawTickMarks(QPainter &painter) override;

private:
    int m_tickMarks = 0;
};
