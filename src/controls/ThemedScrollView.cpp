#include "controls/ThemedScrollView.h"

#include "controls/CustomScroller.h"
#include "controls/CustomTableScroller.h"
#include "controls/PopUpMode.h"

#include <QAbstractScrollArea>
#include <QEvent>
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
    auto *corner = new QWidget(area);
    corner->setAutoFillBackground(true);
    QPalette pal = corner->palette();
    pal.setColor(QPalette::Window, Qt::black);
    corner->setPalette(pal);
    area->setCornerWidget(corner);
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
    return QRect(h->geometry().right() + 1, v->geometry().bottom() + 1, v->width(), h->height());
}

void ThemedScrollView::wheelEvent(QWheelEvent *event)
{
    if (isPopUpMode()) {
        event->accept();
        return;
    }
    QScrollArea::wheelEvent(event);
}
