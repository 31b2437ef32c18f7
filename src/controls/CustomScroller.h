#pragma once

#include <QColor>
#include <QRect>
#include <QScrollBar>

// The dark scroller: black background with a grey-34 rounded knob 9 points thick. While pop-up
// mode is on, wheel events over it are dropped.
class CustomScroller : public QScrollBar
{
    Q_OBJECT
public:
    explicit CustomScroller(Qt::Orientation orientation, QWidget *parent = nullptr);
    explicit CustomScroller(QWidget *parent = nullptr);

    virtual QColor backgroundColor() const { return QColor(Qt::black); }
    static QColor knobColor() { return QColor(34, 34, 34); }

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
