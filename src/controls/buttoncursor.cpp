#include "controls/buttoncursor.h"

#include <QEnterEvent>

buttoncursor::buttoncursor(QWidget *parent)
    : QPushButton(parent)
{
}

buttoncursor::buttoncursor(const QString &text, QWidget *parent)
    : QPushButton(text, parent)
{
}

void buttoncursor::enterEvent(QEnterEvent *event)
{
    QPushButton::enterEvent(event);
    setCursor(Qt::PointingHandCursor);
}

void buttoncursor::leaveEvent(QEvent *event)
{
    QPushButton::leaveEvent(event);
    setCursor(Qt::ArrowCursor);
}
