#pragma once

#include "model/Palette.h"
#include <QColor>
#include <QRect>
#include <QScrollBar>

// The dark scroller: black background with a rounded knob 9 points thick in the window grey. While pop-up
// mode is on, wheel events over it are dropped.
class CustomScroller : public QScrollBar
{
    Q_OBJECT
public:
    explicit CustomScroller(Qt::Orientation orientation, QWidget *parent = nullptr);
    explicit CustomScroller(QWidget *parent = nullptr);

    virtual QColor backgroundColor() const { return Palette::black; }
    static QColor knobColor() { return Palette::windowBackground; }

    // The knob drawn for the style's knob rectangle: 9 points thick, 4 points from the top of a
    // horizontal scroller or 3 points from the left of a vertical one.
    static QRect knobRect(Qt::Orientation orientation, const QRect &platformKnob);
    // The knob slot: moved to 4 points from the top (horizontal) or the left (vertical).
    static QRect knobSlotRect(Qt::Orientation orientation, const QRect &slot);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
};
