#include "controls/MyNSTableRowView.h"

#include "model/Palette.h"
#include "controls/PopUpMode.h"

#include <QPainter>
#include <QVBoxLayout>

MyNSTableRowView::MyNSTableRowView(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void MyNSTableRowView::setBackgroundColor(const QColor &color)
{
    m_backgroundColor = color;
    update();
}

void MyNSTableRowView::setSelected(bool selected)
{
    m_selected = selected;
    update();
}

void MyNSTableRowView::setHighlightStyleNone(bool none)
{
    m_highlightNone = none;
    update();
}

QColor MyNSTableRowView::selectionFillColor() const
{
    if (!m_selected || m_highlightNone)
        return QColor();
    if (isPopUpMode())
        return QColor(Qt::transparent);
    return Palette::rowSelection;
}

void MyNSTableRowView::setCellWidget(QWidget *cell)
{
    if (m_cell) {
        layout()->removeWidget(m_cell);
        m_cell->deleteLater();
    }
    m_cell = cell;
    if (cell)
        layout()->addWidget(cell);
}

void MyNSTableRowView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_backgroundColor.isValid())
        painter.fillRect(rect(), m_backgroundColor);
    const QColor selection = selectionFillColor();
    if (selection.isValid() && selection.alpha() > 0)
        painter.fillRect(rect(), selection);
}
