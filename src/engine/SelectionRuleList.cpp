#include "engine/SelectionRuleList.h"

#include "engine/WizardLists.h"
#include "model/ModuleState.h"
#include "platform/Log.h"

#include <set>

namespace {

constexpr int captureDateRule = 4;
constexpr int modificationDateRule = 7;

} // namespace

SelectionRuleList::SelectionRuleList()
    : selectionPriorities(1, AutoMark{0, false, 0, QString(), QStringList(), 0})
{
}

bool SelectionRuleList::holdsEveryRuleOnce(const std::vector<AutoMark> &rules)
{
    if (rules.size() != 9)
        return false;
    std::set<int> identities;
    for (const AutoMark &rule : rules)
        if (rule.index >= 0 && rule.index <= 8)
            identities.insert(rule.index);
    return identities.size() == 9;
}

void SelectionRuleList::loadRules()
{
    std::optional<std::vector<AutoMark>> stored = storedAutoMarkRules();
    if (stored && holdsEveryRuleOnce(*stored))
        selectionPriorities = std::move(*stored);
    else
        selectionPriorities = defaultAutoMarkRules();
}

SelectionPriority SelectionRuleList::priorityForRule(int index, int row)
{
    const bool hasRow = row >= 0 && row < int(selectionPriorities.size());
    if (index == captureDateRule) {
        if (hasRow)
            selectionPriorities[std::size_t(row)].comboIndex = comboCaptureDate;
        return SelectionPriority(SelectionPriority::Kind::CaptureDate, comboCaptureDate);
    }
    if (index == modificationDateRule) {
        if (hasRow)
            selectionPriorities[std::size_t(row)].comboIndex = comboModificationDate;
        return SelectionPriority(SelectionPriority::Kind::ModificationDate, comboModificationDate);
    }
    const SelectionPriority criterion = criterionForRule(index, 0);
    if (criterion.kind == SelectionPriority::Kind::none)
        platform::printLine(QStringLiteral("Not found"));
    return criterion;
}

void SelectionRuleList::rebuildPriorityOrder()
{
    selectionPriorityOrder.clear();
    // At most nine rows, and never past the rows that exist.
    const int rows = std::min<int>(9, int(selectionPriorities.size()));
    for (int row = 0; row < rows; ++row) {
        const AutoMark &rule = selectionPriorities[std::size_t(row)];
        if (!rule.isUse)
            continue;
        selectionPriorityOrder.push_back(priorityForRule(rule.index, row));
    }
    saveRules();
}

void SelectionRuleList::saveRules()
{
    renumberEntries(selectionPriorities);
    storeAutoMarkRules(selectionPriorities);
}

void SelectionRuleList::setUse(int row, bool isUse)
{
    if (row < 0 || row >= int(selectionPriorities.size()))
        return;
    platform::printLine(QStringLiteral("index: %1 state: %2").arg(row).arg(isUse ? 1 : 0));
    selectionPriorities[std::size_t(row)].isUse = isUse;
    rebuildPriorityOrder();
}

void SelectionRuleList::setDirection(int row, int comboIndex)
{
    if (row >= 0 && row < int(selectionPriorities.size()) && comboIndex >= 0) {
        const int index = selectionPriorities[std::size_t(row)].index;
        if (index == captureDateRule)
            comboCaptureDate = comboIndex;
        else if (index == modificationDateRule)
            comboModificationDate = comboIndex;
    }
    rebuildPriorityOrder();
}

int SelectionRuleList::moveUp(int row)
{
    if (row < 0 || row >= int(selectionPriorities.size()))
        return -1;
    const int target = moveEntry(selectionPriorities, row, row > 0 ? row - 1 : row);
    saveRules();
    rebuildPriorityOrder();
    return target;
}

int SelectionRuleList::moveDown(int row)
{
    const int n = int(selectionPriorities.size());
    if (row < 0 || row >= n)
        return -1;
    const int target = moveEntry(selectionPriorities, row, row < n - 1 ? row + 1 : row);
    saveRules();
    rebuildPriorityOrder();
    return target;
}

bool SelectionRuleList::drop(const std::vector<int> &rows, int dropRow)
{
    if (!dropEntries(selectionPriorities, rows, dropRow))
        return false;
    saveRules();
    rebuildPriorityOrder();
    return true;
}

void SelectionRuleList::reset()
{
    storeAutoMarkRules(defaultAutoMarkRules());
    loadRules();
    comboCaptureDate = 0;
    comboModificationDate = 0;
    rebuildPriorityOrder();
}

bool SelectionRuleList::hasRules()
{
    return !selectionPriorityOrder.empty();
}
