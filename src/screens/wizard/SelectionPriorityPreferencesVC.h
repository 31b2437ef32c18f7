#pragma once

#include "engine/SelectionRuleList.h"
#include "screens/wizard/WizardPage.h"

#include <QWidget>

class QCheckBox;
class QComboBox;

// The cell of the Rule column for a rule with a choice (the direction of the two date rules): its
// combo box of the rule's choices.
class SelectionPriorityCellView : public QWidget
{
    Q_OBJECT
public:
    SelectionPriorityCellView(const QStringList &choices, int chosen, QWidget *parent = nullptr);

    QComboBox *comboBoxRule = nullptr;
};

// Page 0 of the selection wizard: the nine marking rules as a table (Use, Priority, Name, Rule), in
// the order in which they are tried. Ticking, ordering and the date directions take effect at once
// for the next marking (SelectionRuleList). Made once by the screen registry
// ("SelectionPriorityPreferences").
class SelectionPriorityPreferencesVC : public WizardPage
{
    Q_OBJECT
public:
    explicit SelectionPriorityPreferencesVC(QWidget *parent = nullptr);

    SelectionRuleList rules;

    // The check box and the date combo of a row (nullptr when the row has none).
    QCheckBox *checkBoxAt(int row) const;
    QComboBox *comboBoxAt(int row) const;

    void tappedCheckBox(int row, bool on);
    void tappedComboBox(int row, int index);
    void rebuildPriorityOrder();

    void willAppear() override;
    void reloadTable() override;
    void tappedReset() override;
    void tappedUp() override;
    void tappedDown() override;

protected:
    bool dropRows(const std::vector<int> &rows, int dropRow) override;
};
