#include "controls/CustomRowView.h"

#include <QApplication>
#include <QPainter>

void CustomRowView::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (!option.state.testFlag(QStyle::State_Selected)) {
        QStyleOptionViewItem opt(option);
        opt.state.setFlag(QStyle::State_HasFocus, false);
        QStyledItemDelegate::paint(painter, opt, index);
        return;
    }
    // A selected row: the selection fill replaces the item's own background (the rows' alternating
    // greys), and the content is drawn over it without the style's highlight.
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    opt.state.setFlag(QStyle::State_Selected, false);
    opt.state.setFlag(QStyle::State_HasFocus, false);
    opt.backgroundBrush = Qt::NoBrush;
    painter->fillRect(option.rect, selectionColor());
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
}
