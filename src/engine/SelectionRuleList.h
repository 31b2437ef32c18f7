#pragma once

#include "model/AutoMark.h"
#include "model/SelectionPriority.h"

#include <vector>

// The rule table of the selection wizard without its widgets: the nine rules in the user's order,
// the two date directions chosen on the page, and the edits. Every edit stores the rules under
// "AutoMarkTWK" and rebuilds the module-wide selectionPriorityOrder from the ticked rows, so the
// next automatic marking follows it at once. Main thread only.
class SelectionRuleList
{
public:
    SelectionRuleList();

    // The rows in table order. Until loadRules() has run it holds one blank rule.
    std::vector<AutoMark> selectionPriorities;
    int comboCaptureDate = 0;      // direction chosen for the capture-date rule
    int comboModificationDate = 0; // direction chosen for the modification-date rule

    // Reads the rules stored under "AutoMarkTWK". Stored data that does not decode, or does not
    // hold each of the identities 0-8 exactly once, gives the nine default rules instead.
    void loadRules();
    // True when the rules hold each identity 0-8 exactly once.
    static bool holdsEveryRuleOnce(const std::vector<AutoMark> &rules);

    // Rebuilds selectionPriorityOrder from the ticked rows (in table order) and saves the rows.
    void rebuildPriorityOrder();
    // Renumbers the rows (priority = row + 1) and stores them under "AutoMarkTWK".
    void saveRules();
    // The criterion of rule identity `index` at `row`; the two date rules take the page's direction
    // (which is also written into that row). `none` for an unknown identity.
    SelectionPriority priorityForRule(int index, int row);

    // The check box of `row`: ticks or unticks the rule, then rebuilds. Rows outside the list are
    // ignored.
    void setUse(int row, bool isUse);
    // The date combo of `row`: the chosen direction for that date rule, then rebuilds. A negative
    // index, or a row that is no date rule, changes no direction.
    void setDirection(int row, int comboIndex);
    // Moves the rule at `row` one up (down); at the ends it stays. Saves and rebuilds. Returns the
    // rule's new row, or -1 for a row outside the list (nothing happens).
    int moveUp(int row);
    int moveDown(int row);
    // Moves dragged rows above row `dropRow`; false (nothing changes) when the drop is refused.
    bool drop(const std::vector<int> &rows, int dropRow);
    // The nine default rules, both directions 0, stored and rebuilt.
    void reset();

    // True when selectionPriorityOrder holds at least one rule.
    static bool hasRules();
};
