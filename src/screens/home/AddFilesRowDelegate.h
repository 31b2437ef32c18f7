#pragma once

#include <QColor>
#include <QStyledItemDelegate>

// The delegate of the scan-list table. A row in view is drawn by its own row widget, which gets the
// whole cell; the delegate paints only the row's background, so a row whose widget is still to be
// made never shows as a hole.
class AddFilesRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The panel background for even rows, the window background for odd rows, counting from row 0.
    static QColor rowColor(int row);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
};
