#pragma once

#include <QWidget>

class QCheckBox;

// The cell of the protected-folder table's second column: one check box, "include sub-folders".
class ProtectedFoldersSubFoldersTableCell : public QWidget
{
    Q_OBJECT
public:
    explicit ProtectedFoldersSubFoldersTableCell(QWidget *parent = nullptr);

    QCheckBox *btnCheckBox = nullptr;
    // The row the cell stands in.
    int tag = -1;
};
