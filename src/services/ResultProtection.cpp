#include "services/ResultProtection.h"

#include "model/ModuleState.h"
#include "services/ProtectedFolders.h"

void rederiveProtection(ResultState &state)
{
    if (!state.isConsistent())
        state.normalize();

    // Files of one folder share the answer; the folder text of a file is its URL less the name.
    // The answer itself is the service's containment rule (links resolved on both sides).
    forgetResolvedFolders();
    resizeProtectedSubFolderFlags();
    const bool anyFolder = !protectedFolders.empty();
    ResultFileKeys &keys = state.fileKeys();
    if (anyFolder)
        keys.trimTo(state);
    std::vector<signed char> folderIsProtected; // per folder id of the keys: -1 not asked yet
    auto protects = [&](const ImageFile &file) {
        const int folder = keys.of(file).folder;
        if (folder < 0)
            return liesInProtectedFolder(*file.url);
        if (size_t(folder) >= folderIsProtected.size())
            folderIsProtected.resize(size_t(keys.folderCount()), -1);
        signed char &known = folderIsProtected[size_t(folder)];
        if (known < 0)
            known = liesInProtectedFolder(*file.url) ? 1 : 0;
        return known == 1;
    };

    for (int g = 0; g < state.shownGroupCount(); ++g) {
        const ImageGroup &group = state.imageDirectories[size_t(g)];
        for (int r = 0; r < int(group.size()); ++r) {
            ImageFile *file = group[size_t(r)].get();
            if (!file)
                continue;
            const auto recorded = state.recordedProtection(g, r);
            if (recorded && !state.isRecordedByFolder(g, r)) {
                file->isProtected = *recorded;
                if (*recorded)
                    state.unmark(g, r);
                continue;
            }
            if (recorded)
                state.removeProtectionOverride(g, r);
            file->isProtected = false;
            if (!anyFolder || !file->url)
                continue;
            if (!protects(*file))
                continue;
            file->isProtected = true;
            state.unmark(g, r);
            state.protectionOverrideRows[size_t(g)].push_back(r);
            state.protectionOverrideStates[size_t(g)].push_back(true);
            state.recordFolderProtection(g, r);
        }
    }
}
