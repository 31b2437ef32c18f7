#include "screens/home/AddFilesRowDelegate.h"

#include <QWidget>

void AddFilesRowDelegate::paint(QPainter *, const QStyleOptionViewItem &, const QModelIndex &) const
{
}

void AddFilesRowDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                               const QModelIndex &) const
{
    if (editor)
        editor->setGeometry(option.rect);
}
