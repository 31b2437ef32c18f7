#include "services/ProtectionCommands.h"

#include "model/ModuleState.h"
#include "services/ProtectedFolders.h"

#include <algorithm>

namespace ResultCommands {

namespace {

bool liesInProtectedFolder(const ImageFilePtr &file)
{
    return file && file->url && ::liesInProtectedFolder(*file->url);
}

} // namespace

bool protectFolder(ResultState &state, const QUrl &folderUrl)
{
    if (folderUrl.isEmpty() || !folderUrl.isLocalFile())
        return false;
    const bool added = addProtectedFolder(folderUrl.toLocalFile(), true);
    saveProtectedFolders();
    applyProtectedFoldersToAll(state, false, ::folderUrlText(folderUrl));
    return added;
}

ProtectResult setFileProtection(ResultState &state, int group, int row, bool protect)
{
    if (!validGroup(state, group))
        return ProtectResult::Ignored;
    const ImageFilePtr file = state.shownFile(group, row);
    if (!file)
        return ProtectResult::Ignored;
    if (!protect && !protectedFolders.empty() && liesInProtectedFolder(file))
        return ProtectResult::NeedsConfirmation;
    state.setProtectionByHand(group, row, protect);
    reapplyRecordedProtection(state);
    return ProtectResult::Done;
}

void unprotectConfirmed(ResultState &state, int group, int row)
{
    if (!validGroup(state, group) || !state.shownFile(group, row))
        return;
    state.setProtectionByHand(group, row, false);
    reapplyRecordedProtection(state);
}

LockResult clickGroupLock(ResultState &state, int group)
{
    if (!validGroup(state, group))
        return LockResult::Ignored;
    const ImageGroup &members = state.imageDirectories[size_t(group)];
    const auto &states = state.protectionOverrideStates[size_t(group)];
    const bool recordedAllTrue = !states.empty() && std::all_of(states.begin(), states.end(), [](bool s) { return s; });
    const bool someUnprotected =
        std::any_of(members.begin(), members.end(), [](const ImageFilePtr &f) { return !f->isProtected; });
    bool lock = someUnprotected;
    if (!someUnprotected) {
        if (!protectedFolders.empty() && std::any_of(members.begin(), members.end(), [](const ImageFilePtr &f) {
                return liesInProtectedFolder(f);
            }))
            return LockResult::NeedsConfirmation;
        lock = !recordedAllTrue;
    }
    if (!lock) {
        unlockGroupAll(state, group);
        return LockResult::Unlocked;
    }
    removeAllOverrides(state, group);
    state.unmarkGroup(group);
    for (int r = 0; r < int(members.size()); ++r)
        state.setProtectionByHand(group, r, true);
    return LockResult::Locked;
}

void unlockGroupOutsideProtectedFolders(ResultState &state, int group)
{
    if (!validGroup(state, group))
        return;
    if (!protectedFolders.empty()) {
        const ImageGroup &members = state.imageDirectories[size_t(group)];
        for (int r = 0; r < int(members.size()); ++r) {
            if (liesInProtectedFolder(members[size_t(r)]))
                continue;
            members[size_t(r)]->isProtected = false;
            state.removeProtectionOverride(group, r);
        }
    }
    state.unmarkGroup(group);
}

void narrowToGroup(ResultState &state, int group)
{
    if (!validGroup(state, group) || state.allImages.empty())
        return;
    const int found = scannedGroupHolding(state, group);
    const ImageGroup scanned = state.allImages[size_t(found)];
    const ImageGroup shown = state.imageDirectories[size_t(group)];

    // Where each shown member stands in the scanned group: by record, else by URL.
    std::vector<int> newRow(shown.size(), -1);
    for (size_t r = 0; r < shown.size(); ++r) {
        for (size_t k = 0; k < scanned.size() && newRow[r] < 0; ++k)
            if (scanned[k] == shown[r])
                newRow[r] = int(k);
        for (size_t k = 0; k < scanned.size() && newRow[r] < 0; ++k)
            if (sameUrl(*scanned[k], *shown[r]))
                newRow[r] = int(k);
    }
    const std::vector<int> oldMarks = state.selectedIndexArray[size_t(group)];
    const std::vector<int> oldRows = state.protectionOverrideRows[size_t(group)];
    const std::vector<bool> oldStates = state.protectionOverrideStates[size_t(group)];
    std::vector<bool> byFolder;
    for (int r : oldRows)
        byFolder.push_back(state.isRecordedByFolder(group, r));

    state.allImages = {scanned};
    state.setShownGroups({scanned});
    similarityThreshold = 81;

    for (int m : oldMarks)
        if (m >= 0 && m < int(newRow.size()) && newRow[size_t(m)] >= 0)
            state.mark(0, newRow[size_t(m)]);
    for (size_t k = 0; k < oldRows.size(); ++k) {
        const int r = oldRows[k];
        if (r < 0 || r >= int(newRow.size()) || newRow[size_t(r)] < 0)
            continue;
        state.protectionOverrideRows[0].push_back(newRow[size_t(r)]);
        state.protectionOverrideStates[0].push_back(oldStates[k]);
        if (byFolder[k])
            state.recordFolderProtection(0, newRow[size_t(r)]);
    }
    // Members that were hidden by the matching level take their protection from the folders.
    for (int k = 0; k < int(scanned.size()); ++k) {
        if (std::find(newRow.begin(), newRow.end(), k) != newRow.end())
            continue;
        ImageFile &file = *scanned[size_t(k)];
        file.isProtected = liesInProtectedFolder(scanned[size_t(k)]);
        if (file.isProtected) {
            state.unmark(0, k);
            state.protectionOverrideRows[0].push_back(k);
            state.protectionOverrideStates[0].push_back(true);
            state.recordFolderProtection(0, k);
        }
    }
    keepOneUnmarked(state, 0);
}

} // namespace ResultCommands
