#include "controls/customHeaderTableView.h"

#include <QPainter>
#include <QPainterPath>

customHeaderTableView::customHeaderTableView(Qt::Orientation orientation, QWidget *parent)
    : QHeaderView(orientation, parent)
{
}

void customHeaderTableView::paintEvent(QPaintEvent *event)
{
    QHeaderView::paintEvent(event);
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF bounds = QRectF(viewport()->rect());
    QPainterPath frame;
    frame.setFillRule(Qt::OddEvenFill);
    frame.addRect(bounds);
    frame.addRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.fillPath(frame, frameColor());
}
