#include "screens/wizard/SelectionPriorityPreferencesVC.h"

#include "model/TextLookup.h"
#include "screens/wizard/ReorderTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>

namespace {

QString t(const char *key)
{
    return localizedText(QString::fromLatin1(key));
}

} // namespace

SelectionPriorityPreferencesVC::SelectionPriorityPreferencesVC(QWidget *parent)
    : WizardPage(parent)
{
    setObjectName(QStringLiteral("SelectionPriorityPreferences"));
    setUpPage({t("IDS_TWK_239"), t("IDS_TWK_129"), t("IDS_TWK_128"), t("IDS_TWK_65")}, t("IDS_TWK_122"));
    QHeaderView *header = tableView->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    header->setSectionResizeMode(1, QHeaderView::Fixed);
    header->setSectionResizeMode(2, QHeaderView::Fixed);
    header->setSectionResizeMode(3, QHeaderView::Stretch);
    tableView->setColumnWidth(0, 56);
    tableView->setColumnWidth(1, 72);
    tableView->setColumnWidth(2, 240);
    rules.loadRules();
    reloadTable();
}

QCheckBox *SelectionPriorityPreferencesVC::checkBoxAt(int row) const
{
    QWidget *cell = tableView->cellWidget(row, 0);
    return cell ? cell->findChild<QCheckBox *>() : nullptr;
}

SelectionPriorityCellView::SelectionPriorityCellView(const QStringList &choices, int chosen, QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    comboBoxRule = new QComboBox(this);
    comboBoxRule->setEditable(false); // only the listed directions can be chosen
    comboBoxRule->addItems(choices);
    comboBoxRule->setCurrentIndex(chosen >= 0 && chosen < choices.size() ? chosen : 0);
    layout->addWidget(comboBoxRule);
}

QComboBox *SelectionPriorityPreferencesVC::comboBoxAt(int row) const
{
    auto *cell = qobject_cast<SelectionPriorityCellView *>(tableView->cellWidget(row, 3));
    return cell ? cell->comboBoxRule : nullptr;
}

void SelectionPriorityPreferencesVC::reloadTable()
{
    const int selected = tableView->selectedRow();
    tableView->clearContents();
    tableView->setRowCount(int(rules.selectionPriorities.size()));
    for (int row = 0; row < tableView->rowCount(); ++row) {
        const AutoMark &rule = rules.selectionPriorities[std::size_t(row)];

        auto *holder = new QWidget;
        auto *centre = new QHBoxLayout(holder);
        centre->setContentsMargins(0, 0, 0, 0);
        auto *check = new QCheckBox(holder);
        check->setChecked(rule.isUse);
        check->setAccessibleName(rule.name);
        centre->addWidget(check, 0, Qt::AlignCenter);
        connect(check, &QCheckBox::toggled, this, [this, row](bool on) { tappedCheckBox(row, on); });
        tableView->setItem(row, 0, new QTableWidgetItem);
        tableView->setCellWidget(row, 0, holder);

        auto *priority = new QTableWidgetItem(QString::number(rule.priority));
        priority->setTextAlignment(Qt::AlignCenter);
        tableView->setItem(row, 1, priority);
        tableView->setItem(row, 2, new QTableWidgetItem(rule.name));
        tableView->setItem(row, 3, new QTableWidgetItem);
        if (rule.rule.size() > 1) {
            auto *cell = new SelectionPriorityCellView(rule.rule, rule.comboIndex);
            connect(cell->comboBoxRule, &QComboBox::activated, this,
                    [this, row](int index) { tappedComboBox(row, index); });
            tableView->setCellWidget(row, 3, cell);
        } else {
            tableView->item(row, 3)->setText(rule.rule.value(0));
        }
    }
    tableView->paintRowBackgrounds();
    if (selected >= 0 && selected < tableView->rowCount())
        tableView->selectRowAlone(selected);
}

void SelectionPriorityPreferencesVC::tappedCheckBox(int row, bool on)
{
    rules.setUse(row, on);
    // The save renumbers and reloads, as the table shows the stored rows.
    reloadTable();
    emit edited();
}

void SelectionPriorityPreferencesVC::tappedComboBox(int row, int index)
{
    rules.setDirection(row, index);
    reloadTable();
    emit edited();
}

void SelectionPriorityPreferencesVC::rebuildPriorityOrder()
{
    rules.rebuildPriorityOrder();
    reloadTable();
    emit edited();
}

void SelectionPriorityPreferencesVC::willAppear()
{
    rules.loadRules();
    reloadTable();
    if (tableView->selectedRow() < 0)
        setUpDownEnabled(false, false);
}

void SelectionPriorityPreferencesVC::tappedReset()
{
    rules.reset();
    reloadTable();
    emit edited();
}

void SelectionPriorityPreferencesVC::tappedUp()
{
    const int target = rules.moveUp(tableView->selectedRow());
    if (target < 0)
        return;
    reloadTable();
    tableView->selectRowAlone(target);
    emit edited();
}

void SelectionPriorityPreferencesVC::tappedDown()
{
    const int target = rules.moveDown(tableView->selectedRow());
    if (target < 0)
        return;
    reloadTable();
    tableView->selectRowAlone(target);
    emit edited();
}

bool SelectionPriorityPreferencesVC::dropRows(const std::vector<int> &rows, int dropRow)
{
    return rules.drop(rows, dropRow);
}
