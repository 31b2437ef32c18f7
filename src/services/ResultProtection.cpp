#include "services/ResultProtection.h"

#include "model/ModuleState.h"
#include "services/ProtectedFolders.h"

#include <QHash>

namespace {

struct FolderRule {
    QString text;      // folderUrlText of the protected folder
    QString lowerText; // the same in lower case
    bool includeSubFolders = false;
};

} // namespace

void rederiveProtection(ResultState &state)
{
    if (!state.isConsistent())
        state.normalize();

    std::vector<FolderRule> rules;
    for (size_t i = 0; i < protectedFolders.size(); ++i) {
        if (!protectedFolders[i].url)
            continue;
        FolderRule rule;
        rule.text = folderUrlText(*protectedFolders[i].url);
        // An empty stored path names no folder; it must not count as a folder that holds everything.
        if (rule.text.isEmpty())
            continue;
        rule.lowerText = rule.text.toLower();
        // A flag lost from the settings counts as "this folder only".
        rule.includeSubFolders = i < protectedSubFolderFlags.size() && protectedSubFolderFlags[i];
        rules.push_back(std::move(rule));
    }

    // Files of one folder share the answer; the folder text of a file is its URL less the name.
    QHash<QString, bool> folderIsProtected;
    auto protects = [&rules, &folderIsProtected](const QUrl &url) {
        const QString folder = folderUrlText(url.adjusted(QUrl::RemoveFilename));
        const auto known = folderIsProtected.constFind(folder);
        if (known != folderIsProtected.constEnd())
            return *known;
        const QString lower = folder.toLower();
        bool result = false;
        for (const FolderRule &rule : rules) {
            if (rule.includeSubFolders ? lower.contains(rule.lowerText) : folder == rule.text) {
                result = true;
                break;
            }
        }
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
            if (rules.empty() || !file->url)
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
