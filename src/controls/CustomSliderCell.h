#pragma once

#include "model/Palette.h"

#include <QColor>
#include <QRectF>
#include <QSlider>

// A horizontal slider with a gold bar: the part from the start to the knob is drawn 5 points
// high, the rest of the bar is not drawn; no tick marks. Ticks of a slider with marks are drawn
// by CustomSliderCellWithTickMarks.
class CustomSliderCell : public QSlider
{
    Q_OBJECT
public:
    explicit CustomSliderCell(QWidget *parent = nullptr);

    static QColor gold() { return Palette::gold; }

    // (value - minimum) / (maximum - minimum), kept within 0..1; 0 when maximum equals minimum.
    static double ratio(double value, double minimum, double maximum);
    // Width of the gold part: (control width - 8) * ratio, never negative.
    static double filledWidth(double value, double minimum, double maximum, double controlWidth);
    // Centre of the knob for a ratio: from 10 points in to 10 points before the right edge.
    static double knobCentreX(double ratio, double controlWidth);

    // The bar rectangle handed to the bar drawing (origin 4 points in, full width less 8).
    virtual QRectF barRect() const;
    double currentRatio() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

    virtual void drawBarInside(QPainter &painter, const QRectF &rect);
    virtual void drawTickMarks(QPainter &painter);
    void drawKnob(QPainter &painter);

private:
    int valueForX(double x) const;
    // While the knob is held: moves it under the pointer and answers true; else ignores the event.
    bool followPointer(QMouseEvent *event);
};
