#include "controls/TableScrollView.h"

#include "controls/PopUpMode.h"
#include "controls/ThemedScrollView.h"

#include <QWheelEvent>

TableScrollView::TableScrollView(QWidget *parent)
    : QTableView(parent)
{
    ThemedScrollView::applyTheme(this, true);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, fillColor());
    pal.setColor(QPalette::Window, fillColor());
    setPalette(pal);
    viewport()->setAutoFillBackground(true);
    viewport()->setPalette(pal);
}

void TableScrollView::wheelEvent(QWheelEvent *event)
{
    if (isPopUpMode()) {
        event->accept();
        return;
    }
    QTableView::wheelEvent(event);
}
