#pragma once

#include "engine/RuleComparators.h"
#include "model/ImageFile.h"

#include <vector>

class AutoMarkValueCache;
class ResultState;

// Automatic marking: for one result group, which file is kept and which files are marked for
// deletion, by the ordered selection-priority rules.
//
// The cascade tries the rule positions in order; the first position that decides is the group's
// primary rule, and the rules after it only break its ties. When no position decides, the fallback
// keeps the first candidate the last rule run left (or item 0) and marks every other unprotected
// file. A protected file is never marked; a group with a single unprotected file has that file
// marked whatever the rules say.
class AutoMarkEngine
{
public:
    // The number of rule positions the cascade tries (the length of the full rule list).
    static constexpr int rulePositions = 9;

    AutoMarkEngine(AutoMarkRules rules, AutoMarkAccessors accessors);

    // New rules for the next markings (the accessors stay).
    void setRules(AutoMarkRules rules);

    // The items to mark when the rule at position `rule` is the primary rule; empty when it
    // decides nothing. Leaves the surviving candidates in sortedIndexes().
    std::vector<int> applySelectionRule(int rule, const ImageGroup &group);

    // The cascade over the rule positions for one group; `marks` receives the items to mark (in
    // item order).
    void markGroupByRules(const ImageGroup &group, std::vector<int> &marks);
    std::vector<int> markGroupByRules(const ImageGroup &group);

    // The cascade for shown group `group` of `state`, written as that group's marks (only that
    // entry is written). Out-of-range groups are ignored.
    void applyAutoMarkToGroup(ResultState &state, int group);
    // Every shown group, in group order.
    void applyAutoMarkToAllGroups(ResultState &state);

    // The candidates that survived the last rule run, in ascending item order; element 0 is the file
    // to keep. Emptied at the start of every group's cascade.
    const std::vector<int> &sortedIndexes() const { return sortedIndexes_; }

    const RuleComparators &comparators() const { return comparators_; }

private:
    RuleComparators comparators_;
    std::vector<int> sortedIndexes_;
};

// Marks every shown group of `state` by the module-wide rules as they stand now. The file values
// the active rules need are read once per file, in parallel on worker threads, before the cascade
// runs on the calling thread; the marks of an AutoMarkRun made for this very state and rules are
// taken instead.
void autoMarkAllGroups(ResultState &state);
// The same with the given rules, reading through `cache`.
void autoMarkAllGroups(ResultState &state, AutoMarkValueCache &cache, AutoMarkRules rules);
// One shown group by the module-wide rules (its values read as needed).
void autoMarkGroup(ResultState &state, int group);
// The marks of shown group `group` by the module-wide rules, as Auto Select gives them (empty for a
// group that is not shown).
std::vector<int> ruleMarksForGroup(const ResultState &state, int group);
// Makes the result commands (ResultCommands::markGroupByRules, autoSelectAllFiles and the commands
// built on them) mark through this engine. Done once when the program starts; calling it again
// changes nothing.
void installRuleCascade();
