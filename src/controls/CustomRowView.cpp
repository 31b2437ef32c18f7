#include "controls/CustomRowView.h"

#include <QPainter>

void CustomRowView::paint(QPainter *painter, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const
{
    QStyleOptionViewItem opt(option);
    const bool selected = opt.state.testFlag(QStyle::State_Selected);
    opt.state.setFlag(QStyle::State_Selected, false);
    opt.state.setFlag(QStyle::State_HasFocus, false);
    if (selected)
        painter->fillRect(option.rect, selectionColor());
    QStyledItemDelegate::paint(painter, opt, index);
}
