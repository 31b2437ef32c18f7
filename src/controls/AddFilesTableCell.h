#pragma once

#include <QWidget>

class QCheckBox;
class QFrame;
class QLabel;
class QToolButton;
class PaddedTextField;

// One row of the scan list: a background box, the tick that takes the entry into the next scan,
// the entry's icon, its path (plain text, elided in the middle) and a delete button. The scan
// list fills and wires it; the cell ignores hover while pop-up mode is on. The tick and the button
// take no keyboard focus: the list is one Tab stop and acts on its current row by keys.
class AddFilesTableCell : public QWidget
{
    Q_OBJECT
public:
    explicit AddFilesTableCell(QWidget *parent = nullptr);

    QFrame *boxParent = nullptr;
    QCheckBox *checkButton = nullptr;
    QLabel *imgView = nullptr;
    PaddedTextField *url = nullptr;
    QToolButton *btnDelete = nullptr;

    // The small cross drawn on the delete button.
    static QIcon deleteIcon();

protected:
    bool event(QEvent *event) override;
};
