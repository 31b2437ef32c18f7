#include "engine/AutoMarkEngine.h"

#include "engine/AutoMarkRun.h"
#include "engine/AutoMarkValueCache.h"
#include "model/ResultCommands.h"
#include "model/ResultState.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace {

std::vector<int> unprotectedItems(const ImageGroup &group)
{
    std::vector<int> items;
    for (std::size_t i = 0; i < group.size(); ++i)
        if (group[i] && !group[i]->isProtected)
            items.push_back(int(i));
    return items;
}

// Every unprotected item of the group except `kept`, in item order.
std::vector<int> marksKeeping(const ImageGroup &group, int kept)
{
    std::vector<int> marks;
    for (std::size_t i = 0; i < group.size(); ++i)
        if (int(i) != kept && group[i] && !group[i]->isProtected)
            marks.push_back(int(i));
    return marks;
}

} // namespace

AutoMarkEngine::AutoMarkEngine(AutoMarkRules rules, AutoMarkAccessors accessors)
    : comparators_(std::move(rules), std::move(accessors))
{
}

void AutoMarkEngine::setRules(AutoMarkRules rules)
{
    comparators_ = RuleComparators(std::move(rules), comparators_.accessors());
}

std::vector<int> AutoMarkEngine::applySelectionRule(int rule, const ImageGroup &group)
{
    // The only unprotected copy is marked and the protected files are kept, whatever the rules.
    const std::vector<int> unprotected = unprotectedItems(group);
    if (unprotected.size() == 1)
        return unprotected;

    const int ruleCount = int(comparators_.rules().order.size());
    if (ruleCount == 0 || rule < 0 || rule >= ruleCount)
        return {};

    std::vector<int> all(group.size());
    for (std::size_t i = 0; i < group.size(); ++i)
        all[i] = int(i);
    sortedIndexes_ = comparators_.selectBestCandidates(rule, group, all);
    if (sortedIndexes_.empty())
        return {};

    if (sortedIndexes_.size() > 1) {
        // A tie at the last rule leaves the group undecided; the tied files stay in sortedIndexes.
        if (rule + 1 >= ruleCount)
            return {};
        for (int next = rule + 1; next < ruleCount && sortedIndexes_.size() > 1; ++next) {
            std::vector<int> narrowed = comparators_.selectBestCandidates(next, group, sortedIndexes_);
            if (!narrowed.empty())
                sortedIndexes_ = std::move(narrowed);
        }
    }
    return marksKeeping(group, sortedIndexes_.front());
}

void AutoMarkEngine::markGroupByRules(const ImageGroup &group, std::vector<int> &marks)
{
    // Nothing of another group's run may decide this group's fallback.
    sortedIndexes_.clear();
    for (int rule = 0; rule < rulePositions; ++rule) {
        std::vector<int> result = applySelectionRule(rule, group);
        if (!result.empty()) {
            marks = std::move(result);
            return;
        }
    }
    int kept = 0;
    if (!sortedIndexes_.empty() && sortedIndexes_.front() >= 0 && sortedIndexes_.front() < int(group.size()))
        kept = sortedIndexes_.front();
    marks = marksKeeping(group, kept);
}

std::vector<int> AutoMarkEngine::markGroupByRules(const ImageGroup &group)
{
    std::vector<int> marks;
    markGroupByRules(group, marks);
    return marks;
}

void AutoMarkEngine::applyAutoMarkToGroup(ResultState &state, int group)
{
    if (group < 0 || group >= state.shownGroupCount())
        return;
    if (int(state.selectedIndexArray.size()) != state.shownGroupCount())
        state.normalize();
    state.selectedIndexArray[std::size_t(group)] = markGroupByRules(state.imageDirectories[std::size_t(group)]);
}

void AutoMarkEngine::applyAutoMarkToAllGroups(ResultState &state)
{
    for (int group = 0; group < state.shownGroupCount(); ++group)
        applyAutoMarkToGroup(state, group);
}

void autoMarkAllGroups(ResultState &state, AutoMarkValueCache &cache, AutoMarkRules rules)
{
    // Sizes and modification dates are one stat per file: read them all, in parallel. Metadata is
    // read only for the files the cascade asks about (those still tied when the metadata rule is
    // reached): a first pass notes them, they are read in parallel, and their groups are marked
    // again with the values. The rules before the metadata rule never read metadata, so the second
    // pass asks about the same files and reads nothing more.
    std::vector<SelectionPriority> statRules;
    for (const SelectionPriority &criterion : rules.order)
        if (criterion.kind != SelectionPriority::Kind::ImageMetadata)
            statRules.push_back(criterion);
    cache.prefetch(state.imageDirectories, statRules);
    AutoMarkEngine engine(std::move(rules), cache.accessors());
    cache.setMetadataDeferred(true);
    engine.applyAutoMarkToAllGroups(state);
    cache.setMetadataDeferred(false);
    const std::unordered_set<const ImageFile *> fetched = cache.fetchDeferredMetadata();
    if (fetched.empty())
        return;
    for (int group = 0; group < state.shownGroupCount(); ++group) {
        const ImageGroup &files = state.imageDirectories[std::size_t(group)];
        if (std::any_of(files.begin(), files.end(), [&](const ImageFilePtr &f) { return fetched.count(f.get()); }))
            engine.applyAutoMarkToGroup(state, group);
    }
}

void autoMarkAllGroups(ResultState &state)
{
    AutoMarkRules rules = AutoMarkRules::current();
    // A large result was marked on a worker just before (AutoMarkRun): its marks are these (the
    // marks they replace go with the run, off the GUI thread).
    if (AutoMarkRun::takeMarks(state, rules, state.selectedIndexArray))
        return;
    AutoMarkRun::noteMarkingInPlace(state);
    AutoMarkValueCache cache;
    autoMarkAllGroups(state, cache, std::move(rules));
}

void autoMarkGroup(ResultState &state, int group)
{
    if (group < 0 || group >= state.shownGroupCount())
        return;
    AutoMarkValueCache cache;
    AutoMarkEngine engine(AutoMarkRules::current(), cache.accessors());
    engine.applyAutoMarkToGroup(state, group);
}

std::vector<int> ruleMarksForGroup(const ResultState &state, int group)
{
    if (group < 0 || group >= state.shownGroupCount())
        return {};
    AutoMarkValueCache cache;
    AutoMarkEngine engine(AutoMarkRules::current(), cache.accessors());
    return engine.markGroupByRules(state.imageDirectories[std::size_t(group)]);
}

void installRuleCascade()
{
    ResultCommands::setGroupMarker(ruleMarksForGroup, [](ResultState &state) { autoMarkAllGroups(state); });
}

namespace {

// Wherever the engine is part of the program, the result commands that mark "by the rules" (the
// group headers, the cell menus' Auto Select and Select commands) mark through this cascade, as
// Auto Select does. Installed before main runs, so before any result can be shown.
[[maybe_unused]] const bool ruleCascadeInstalled = [] {
    installRuleCascade();
    return true;
}();

} // namespace
