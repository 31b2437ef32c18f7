#include "controls/DashedView.h"

#include <QPaintEvent>
#include <QPainter>

DashedView::DashedView(QWidget *parent)
    : QWidget(parent)
{
}

void DashedView::paintEvent(QPaintEvent *)
{
    // The border always runs round the whole view, also when only part of it is repainted.
    m_border.frame = QRectF(rect());
    if (m_isFirst) {
        m_border.added = true;
        m_isFirst = false;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(borderColor(), 6.0);
    // Dash lengths are counted in pen widths.
    pen.setDashPattern({11.0 / 6.0, 11.0 / 6.0});
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_border.frame);
}
