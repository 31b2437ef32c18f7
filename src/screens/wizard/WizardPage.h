#pragma once

#include <QWidget>

#include <vector>

class QFrame;
class QLabel;
class QToolButton;
class ReorderTable;
class SYFlatButton;

// What the three pages of the selection wizard share: the table, Reset with its caption, Up, Down,
// Mark (on its plate) and Cancel, each with its caption, and the hint line. A page fills the table
// from its list and applies the edits; Mark and Cancel end the wizard (SelectionWizardPreferencesVC).
class WizardPage : public QWidget
{
    Q_OBJECT
public:
    explicit WizardPage(QWidget *parent = nullptr);

    ReorderTable *tableView = nullptr;
    QToolButton *btnReset = nullptr;
    QLabel *lblReset = nullptr;
    SYFlatButton *btnUp = nullptr;
    SYFlatButton *btnDown = nullptr;
    SYFlatButton *btnMark = nullptr;
    SYFlatButton *btnCancel = nullptr;
    QLabel *lblUp = nullptr;
    QLabel *lblDown = nullptr;
    QLabel *lblMark = nullptr;
    QLabel *lblCancel = nullptr;
    QLabel *lblHint = nullptr;
    QFrame *boxMark = nullptr;

    // Mark: button, caption colour and plate together.
    void setMarkEnabled(bool enabled);
    bool isMarkEnabled() const;
    // Up and Down by the selected row: both need a selection in a list of more than one row; Up is
    // off on the first row, Down on the last.
    void updateUpDownForSelection();
    void setUpDownEnabled(bool up, bool down);

    // Runs each time the page is about to be shown (the wizard calls it).
    virtual void willAppear() = 0;
    // Fills the table from the page's list.
    virtual void reloadTable() = 0;

    // Actions of the buttons.
    virtual void tappedReset() = 0;
    virtual void tappedUp() = 0;
    virtual void tappedDown() = 0;
    void tappedMark();
    void tappedCancel();

signals:
    // A rule, order or selection edit that may change whether Mark can be used.
    void edited();

protected:
    // Builds the common layout around `table`; `headerTexts` are the column titles.
    void setUpPage(const QStringList &headerTexts, const QString &hint);
    // Applies a drop of rows from the table; false when refused.
    virtual bool dropRows(const std::vector<int> &rows, int dropRow) = 0;
    bool eventFilter(QObject *watched, QEvent *event) override;
};
