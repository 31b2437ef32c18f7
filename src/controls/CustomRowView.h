#pragma once

#include "model/Palette.h"
#include <QStyledItemDelegate>

// Row look of the themed lists (the folder-order table): a selected row gets the fill
// Palette::rowSelection behind its content in place of its own background and of the style's highlight.
class CustomRowView : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static QColor selectionColor() { return Palette::rowSelection; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
