#include "controls/PaddedTextField.h"

#include <QPainter>

#include <cmath>

PaddedTextField::PaddedTextField(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void PaddedTextField::setRightPadding(double padding)
{
    m_rightPadding = padding;
    update();
}

QRect PaddedTextField::drawingRectForBounds(const QRect &bounds, double rightPadding)
{
    QRect r = bounds;
    const int pad = static_cast<int>(std::lround(std::max(0.0, rightPadding)));
    r.setWidth(std::max(0, bounds.width() - pad));
    return r;
}

void PaddedTextField::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = drawingRectForBounds(contentsRect(), m_rightPadding);
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(area, static_cast<int>(alignment()) | Qt::TextSingleLine, shown);
}
