#include "model/ResultRegrouping.h"

namespace {

template <class Keep>
ImageGroups filterGroups(const ImageGroups &all, Keep keep)
{
    ImageGroups shown;
    shown.reserve(all.size());
    for (const ImageGroup &group : all) {
        ImageGroup kept;
        kept.reserve(group.size());
        for (size_t position = 0; position < group.size(); ++position) {
            const ImageFilePtr &file = group[position];
            if (file && keep(*file, position))
                kept.push_back(file);
        }
        if (kept.size() >= 2)
            shown.push_back(std::move(kept));
    }
    return shown;
}

} // namespace

ImageGroups ResultRegrouping::groupsAtMatchingLevel(const ImageGroups &all, int level)
{
    const float threshold = float(level);
    return filterGroups(all, [threshold](const ImageFile &file, size_t position) {
        return position == 0 || file.matchingPercentage >= threshold;
    });
}

ImageGroups ResultRegrouping::videoGroups(const ImageGroups &all)
{
    return filterGroups(all, [](const ImageFile &file, size_t) { return file.isVideo; });
}

ResultRegrouping::FileMemory ResultRegrouping::remember(const ResultState &state)
{
    FileMemory memory;
    const int groups = state.shownGroupCount();
    for (int g = 0; g < groups; ++g) {
        const ImageGroup &group = state.imageDirectories[size_t(g)];
        if (size_t(g) < state.selectedIndexArray.size())
            for (int row : state.selectedIndexArray[size_t(g)])
                if (row >= 0 && size_t(row) < group.size() && group[size_t(row)])
                    memory.marked.insert(group[size_t(row)].get());
        if (size_t(g) >= state.protectionOverrideRows.size() || size_t(g) >= state.protectionOverrideStates.size())
            continue;
        const auto &rows = state.protectionOverrideRows[size_t(g)];
        const auto &states = state.protectionOverrideStates[size_t(g)];
        for (size_t k = 0; k < rows.size() && k < states.size(); ++k) {
            const int row = rows[k];
            if (row < 0 || size_t(row) >= group.size() || !group[size_t(row)])
                continue;
            if (state.isRecordedByFolder(g, row))
                continue; // the folders give it again
            memory.handProtection[group[size_t(row)].get()] = states[k];
        }
    }
    return memory;
}

void ResultRegrouping::showGroups(ResultState &state, ImageGroups groups, const FileMemory &memory, bool keepMarks)
{
    state.setShownGroups(std::move(groups));
    const bool anyHand = !memory.handProtection.empty();
    const bool anyMark = keepMarks && !memory.marked.empty();
    for (size_t g = 0; g < state.imageDirectories.size(); ++g) {
        const ImageGroup &group = state.imageDirectories[g];
        for (size_t r = 0; r < group.size(); ++r) {
            ImageFile *file = group[r].get();
            bool isProtected = false;
            if (anyHand) {
                const auto hand = memory.handProtection.find(file);
                if (hand != memory.handProtection.end()) {
                    state.protectionOverrideRows[g].push_back(int(r));
                    state.protectionOverrideStates[g].push_back(hand->second);
                    isProtected = hand->second;
                }
            }
            file->isProtected = isProtected;
            if (anyMark && !isProtected && memory.marked.count(file))
                state.selectedIndexArray[g].push_back(int(r));
        }
        if (!group.empty() && state.selectedIndexArray[g].size() >= group.size())
            state.selectedIndexArray[g].pop_back();
    }
}
