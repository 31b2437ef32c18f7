#include "services/ResultProtection.h"

#include "model/ModuleState.h"
#include "services/ProtectedFolders.h"

#include <QHash>

void rederiveProtection(ResultState &state)
{
    if (!state.isConsistent())
        state.normalize();

    // Files of one folder share the answer; the folder text of a file is its URL less the name.
    // The answer itself is the service's containment rule (links resolved on both sides).
    forgetResolvedFolders();
    resizeProtectedSubFolderFlags();
    const bool anyFolder = !protectedFolders.empty();
    QHash<QString, bool> folderIsProtected;
    auto protects = [&folderIsProtected](const QUrl &url) {
        const QString folder = QString::fromUtf8(url.adjusted(QUrl::RemoveFilename).toEncoded());
        const auto known = folderIsProtected.constFind(folder);
        if (known != folderIsProtected.constEnd())
            return *known;
        const bool result = liesInProtectedFolder(url);
        folderIsProtected.insert(folder, result);
        return result;
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
            if (!protects(*file->url))
                continue;
            file->isProtected = true;
            state.unmark(g, r);
            state.protectionOverrideRows[size_t(g)].push_back(r);
            state.protectionOverrideStates[size_t(g)].push_back(true);
            state.recordFolderProtection(g, r);
        }
    }
}
