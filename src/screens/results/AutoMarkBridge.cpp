#include "screens/results/AutoMarkBridge.h"

namespace AutoMarkBridge {

void applyAutoMarkToGroup(ResultState &state, int group, std::vector<int> &sortedIndexes)
{
    if (group < 0 || group >= state.shownGroupCount())
        return;
    if (!state.isConsistent())
        state.normalize();
    const ImageGroup &files = state.imageDirectories[size_t(group)];
    std::vector<int> unprotected;
    for (int r = 0; r < int(files.size()); ++r)
        if (files[size_t(r)] && !files[size_t(r)]->isProtected)
            unprotected.push_back(r);
    std::vector<int> marks;
    if (unprotected.size() == 1) {
        marks = unprotected;
    } else {
        sortedIndexes.clear();
        const int kept = 0;
        for (int r : unprotected)
            if (r != kept)
                marks.push_back(r);
    }
    state.selectedIndexArray[size_t(group)] = std::move(marks);
}

} // namespace AutoMarkBridge
