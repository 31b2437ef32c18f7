#include "screens/home/AddFilesRowDelegate.h"
#include "model/Palette.h"

#include <QPainter>
#include <QWidget>

QColor AddFilesRowDelegate::rowColor(int row)
{
    return row % 2 == 0 ? Palette::panelBackground : Palette::windowBackground;
}

void AddFilesRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->fillRect(option.rect, rowColor(index.row()));
}

void AddFilesRowDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                               const QModelIndex &) const
{
    if (editor)
        editor->setGeometry(option.rect);
}
