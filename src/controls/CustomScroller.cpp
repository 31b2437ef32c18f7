#include "controls/CustomScroller.h"

#include "controls/PopUpMode.h"

#include <QPainter>
#include <QStyleOptionSlider>
#include <QWheelEvent>

CustomScroller::CustomScroller(Qt::Orientation orientation, QWidget *parent)
    : QScrollBar(orientation, parent)
{
}

CustomScroller::CustomScroller(QWidget *parent)
    : QScrollBar(parent)
{
}

QRect CustomScroller::knobRect(Qt::Orientation orientation, const QRect &platformKnob)
{
    QRect r = platformKnob;
    if (orientation == Qt::Horizontal) {
        r.moveTop(4);
        r.setHeight(9);
    } else {
        r.moveLeft(3);
        r.setWidth(9);
    }
    return r;
}

QRect CustomScroller::knobSlotRect(Qt::Orientation orientation, const QRect &slot)
{
    QRect r = slot;
    if (orientation == Qt::Horizontal)
        r.moveTop(4);
    else
        r.moveLeft(4);
    return r;
}

QSize CustomScroller::sizeHint() const
{
    QSize hint = QScrollBar::sizeHint();
    if (orientation() == Qt::Horizontal)
        hint.setHeight(15);
    else
        hint.setWidth(15);
    return hint;
}

void CustomScroller::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(event->rect(), backgroundColor());
    if (maximum() <= minimum())
        return; // nothing to scroll: no knob
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect platformKnob = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    if (!platformKnob.isValid())
        return;
    const QRect knob = knobRect(orientation(), platformKnob);
    painter.setPen(Qt::NoPen);
    painter.setBrush(knobColor());
    painter.drawRoundedRect(QRectF(knob), 5.0, 5.0);
}

void CustomScroller::wheelEvent(QWheelEvent *event)
{
    if (isPopUpMode()) {
        event->accept();
        return;
    }
    QScrollBar::wheelEvent(event);
}
