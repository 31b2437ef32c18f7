#include "screens/sheet/BaseView.h"

#include <QPainter>
#include <QPainterPath>

BaseView::BaseView(QWidget *parent)
    : QWidget(parent)
    , m_background(QColor::fromRgbF(0.344921875f, 0.4078125f, 0.462890625f, 1.0f))
    , m_foreground(QColor::fromRgbF(0.258984375f, 0.678515625f, 0.415625f, 1.0f))
{
    // Only the base part is built here: a derived view builds its own parts from its own
    // constructor, once it exists.
    BaseView::configureLayers();
}

void BaseView::setBackground(const QColor &color)
{
    m_background = color;
    notifyViewRedesigned();
}

void BaseView::setForeground(const QColor &color)
{
    m_foreground = color;
    notifyViewRedesigned();
}

void BaseView::setCornerRadius(qreal radius)
{
    m_cornerRadius = radius;
    notifyViewRedesigned();
}

void BaseView::configureLayers()
{
    BaseView::notifyViewRedesigned();
}

void BaseView::notifyViewRedesigned()
{
    update();
}

void BaseView::paintBackground(QPainter &painter) const
{
    if (m_background.alpha() == 0)
        return;
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    painter.fillPath(path, m_background);
}

void BaseView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBackground(painter);
}
