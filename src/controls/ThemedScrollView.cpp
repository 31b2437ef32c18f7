#include "controls/ThemedScrollView.h"

#include "controls/CustomScroller.h"
#include "controls/CustomTableScroller.h"
#include "model/Palette.h"
#include "controls/PopUpMode.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace {

// Drops wheel events on a scroll area's viewport while pop-up mode is on.
class PopUpWheelGuard : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Wheel && isPopUpMode()) {
            event->accept();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

ThemedScrollView::ThemedScrollView(QWidget *parent)
    : QScrollArea(parent)
{
    applyTheme(this, false);
}

void ThemedScrollView::applyTheme(QAbstractScrollArea *area, bool tableScrollers)
{
    if (!area)
        return;
    if (tableScrollers) {
        area->setVerticalScrollBar(new CustomTableScroller(Qt::Vertical, area));
        area->setHorizontalScrollBar(new CustomTableScroller(Qt::Horizontal, area));
    } else {
        area->setVerticalScrollBar(new CustomScroller(Qt::Vertical, area));
        area->setHorizontalScrollBar(new CustomScroller(Qt::Horizontal, area));
    }
    // No corner widget: a scroll area keeps room for one even when a single scroller is shown,
    // which would leave a square at the end of that scroller. The corner square is painted by
    // the area itself, and only while both scrollers are shown.
    area->viewport()->installEventFilter(new PopUpWheelGuard(area));
    area->setFrameShape(QFrame::NoFrame);
}

QRect ThemedScrollView::cornerRect(const QAbstractScrollArea *area)
{
    if (!area)
        return QRect();
    const QScrollBar *v = area->verticalScrollBar();
    const QScrollBar *h = area->horizontalScrollBar();
    if (!v || !h || !v->isVisible() || !h->isVisible())
        return QRect();
    // The scrollers sit in containers of their own; their frames are taken in the area's
    // coordinates.
    const QPoint hEnd = h->mapTo(area, QPoint(h->width(), 0));
    const QPoint vEnd = v->mapTo(area, QPoint(0, v->height()));
    return QRect(hEnd.x(), vEnd.y(), v->width(), h->height());
}

bool ThemedScrollView::event(QEvent *event)
{
    const bool handled = QScrollArea::event(event);
    if (event->type() == QEvent::Paint) {
        const QRect corner = cornerRect(this);
        if (!corner.isEmpty()) {
            QPainter painter(this);
            painter.fillRect(corner, Palette::black);
        }
    }
    return handled;
}

void ThemedScrollView::wheelEvent(QWheelEvent *event)
{
    if (isPopUpMode()) {
        event->accept();
        return;
    }
    QScrollArea::wheelEvent(event);
}
