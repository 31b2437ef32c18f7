#include "screens/results/DimmingBox.h"
#include "model/Palette.h"

#include <QEvent>

DimmingBox::DimmingBox(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("boxTopBlackLayer"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("background: " TWINSIFT_DIMMING_CSS ";"));
    hide();
    if (parent)
        parent->installEventFilter(this);
    cover();
}

void DimmingBox::cover()
{
    if (parentWidget())
        setGeometry(parentWidget()->rect());
    raise();
    if (m_above && m_above->parentWidget() == parentWidget() && m_above->isVisible())
        m_above->raise();
}

void DimmingBox::keepBelow(QWidget *view)
{
    m_above = view;
    cover();
}

bool DimmingBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        cover();
    return QWidget::eventFilter(watched, event);
}
