#include "engine/Deletion.h"

#include "engine/OrderedParallel.h"
#include "model/ResultState.h"
#include "platform/FileManager.h"
#include "platform/Log.h"

#include <QFileInfo>

#include <algorithm>
#include <set>

using platform::FileManager;

namespace {

void warnLine(const QString &text)
{
    logWarning(lcEngine) << text;
}

// The file as the scan recorded it; a record made without those facts is taken as the file is now.
std::optional<platform::FileStat> scannedState(const ImageFile &file)
{
    if (file.identity && file.scannedSize && file.scannedModificationTime && file.scannedChangeTime) {
        platform::FileStat s;
        s.isRegularFile = true;
        s.device = file.identity->device;
        s.inode = file.identity->inode;
        s.size = *file.scannedSize;
        s.hasModificationTime = true;
        s.modificationSeconds = file.scannedModificationTime->seconds;
        s.modificationNanoseconds = file.scannedModificationTime->nanoseconds;
        s.hasChangeTime = true;
        s.changeSeconds = file.scannedChangeTime->seconds;
        s.changeNanoseconds = file.scannedChangeTime->nanoseconds;
        return s;
    }
    return platform::FileStat::of(file.path());
}

} // namespace

bool ScannedCopy::isOnDiskAsScanned() const
{
    if (!scanned)
        return false;
    const auto now = platform::FileStat::of(path);
    return now && now->isUnchangedFrom(*scanned);
}

std::vector<DeletionItem> makeDeletionSnapshot(const ResultState &state)
{
    std::vector<DeletionItem> items;
    const int groups = std::min<int>(int(state.selectedIndexArray.size()), state.shownGroupCount());
    for (int g = 0; g < groups; ++g) {
        const std::vector<int> &marks = state.selectedIndexArray[size_t(g)];
        if (marks.empty())
            continue;
        const std::set<int> marked(marks.begin(), marks.end());
        std::set<QString> markedPaths;
        for (int row : marks)
            if (const ImageFilePtr file = state.shownFile(g, row); file && file->url)
                markedPaths.insert(file->path());
        // The unmarked files of the group, as scanned (a file listed twice is not its own copy).
        auto keepers = std::make_shared<std::vector<ScannedCopy>>();
        const int members = int(state.imageDirectories[size_t(g)].size());
        for (int row = 0; row < members; ++row) {
            const ImageFilePtr file = state.shownFile(g, row);
            if (!file || marked.count(row) || !file->url || markedPaths.count(file->path()))
                continue;
            keepers->push_back({file->path(), scannedState(*file)});
        }
        const std::shared_ptr<const std::vector<ScannedCopy>> groupKeepers = std::move(keepers);
        for (int row : marks) {
            const ImageFilePtr file = state.shownFile(g, row);
            if (!file || !file->url)
                continue;
            DeletionItem item;
            item.group = g;
            item.row = row;
            item.path = file->path();
            item.absoluteUrl = file->url->toString();
            item.isPhotoLibrary = file->isPhotoLibrary;
            if (file->photoLibraryProperties)
                item.photoId = file->photoLibraryProperties->RKVuuid;
            item.scanned = scannedState(*file);
            item.keepers = groupKeepers;
            items.push_back(std::move(item));
        }
    }
    return items;
}

DeletionJob::DeletionJob(std::vector<DeletionItem> items, std::shared_ptr<ScanFlags> flags, Callbacks callbacks)
    : m_items(std::move(items))
    , m_flags(std::move(flags))
    , m_callbacks(std::move(callbacks))
{
    if (!m_flags)
        m_flags = std::make_shared<ScanFlags>();
    if (!m_callbacks.trashItem)
        m_callbacks.trashItem = &FileManager::trashItem;
}

void DeletionJob::cancel()
{
    m_cancel.cancel();
}

void DeletionJob::answerPhotosPermission(bool allowed)
{
    m_permissionAllowed = allowed;
    m_permissionAnswered = true;
    m_flags->notifyChange();
}

bool DeletionJob::waitForPermissionAnswer()
{
    for (;;) {
        const uint32_t seen = m_flags->changeCount();
        if (m_permissionAnswered.load() || isStopped())
            break;
        m_flags->waitForChange(seen);
    }
    return m_permissionAnswered.load();
}

DeletionOutcome DeletionJob::deleteSelectedFiles()
{
    DeletionOutcome outcome;
    DeletionProgress progress;
    progress.total = int(m_items.size());

    // The home Trash must exist before the first move, or a move could end up somewhere that is
    // not a Trash at all.
    if (!FileManager::ensureHomeTrash())
        warnLine(QStringLiteral("Trash folder unavailable: ") + FileManager::homeTrashPath());

    for (const DeletionItem &item : m_items) {
        if (!waitWhilePaused(*m_flags) || !trashFiles(item, outcome, progress)) {
            outcome.stopped = true;
            break;
        }
        ++outcome.visited;
        progress.visited = outcome.visited;
        if (m_callbacks.progressed)
            m_callbacks.progressed(progress);
    }

    if (!outcome.stopped && !outcome.photoItems.empty() && m_callbacks.requestPhotosPermission) {
        m_permissionAnswered = false;
        m_waitingForPermission = true;
        m_callbacks.requestPhotosPermission();
        const bool answered = waitForPermissionAnswer();
        m_waitingForPermission = false;
        if (!answered)
            outcome.stopped = true;
        else
            outcome.photosPermissionRefused = !m_permissionAllowed.load();
    }
    return outcome;
}

bool DeletionJob::trashFiles(const DeletionItem &item, DeletionOutcome &outcome, DeletionProgress &progress)
{
    progress.currentPath = item.path;
    if (m_callbacks.visiting)
        m_callbacks.visiting(progress);

    const auto now = platform::FileStat::of(item.path);
    if (!now) {
        platform::printLine(QStringLiteral("File does not exist ") + item.path);
        outcome.problems.push_back({DeletionProblem::Kind::Missing, item.path, QString()});
        return true;
    }

    // A copy always stays: an unmarked file of the group must still be on disk as it was scanned.
    static const std::vector<ScannedCopy> noKeepers;
    const std::vector<ScannedCopy> &keepers = item.keepers ? *item.keepers : noKeepers;
    if (std::none_of(keepers.begin(), keepers.end(),
                     [](const ScannedCopy &keeper) { return keeper.isOnDiskAsScanned(); })) {
        const bool anyLeft = std::any_of(keepers.begin(), keepers.end(), [](const ScannedCopy &keeper) {
            return platform::FileStat::of(keeper.path).has_value();
        });
        warnLine(QStringLiteral("No unmarked copy left as scanned, kept: ") + item.path);
        outcome.problems.push_back(
            {anyLeft ? DeletionProblem::Kind::KeeperChanged : DeletionProblem::Kind::KeeperGone, item.path, QString()});
        return true;
    }

    if (item.isPhotoLibrary) {
        // Photos items are never trashed; they go to the album once the walk is over.
        outcome.photoItems.push_back(item);
        outcome.photoItemsSize += now->size;
        ++progress.photosFound;
        return true;
    }

    // Only the file that was marked may go: not another file that took its name, not a file that
    // changed since.
    if (!now->isRegularFile || (item.scanned && !now->isUnchangedFrom(*item.scanned))) {
        warnLine(QStringLiteral("File changed since the scan, left in place: ") + item.path);
        outcome.problems.push_back({DeletionProblem::Kind::Changed, item.path, QString()});
        return true;
    }

    // A stop that came while this file was checked ends the walk before the move.
    if (isStopped())
        return false;
    const platform::TrashResult result =
        m_callbacks.trashItem(item.path, item.scanned ? &*item.scanned : nullptr, &m_cancel);
    if (result.cancelled)
        return false;
    if (!result.ok) {
        warnLine(result.error.isEmpty() ? QStringLiteral("Could not move to the Trash: ") + item.path : result.error);
        outcome.problems.push_back({result.changed ? DeletionProblem::Kind::Changed : DeletionProblem::Kind::MoveFailed,
                                    item.path, result.changed ? QString() : result.error});
        return true;
    }

    ++outcome.totalRemoveTrash;
    outcome.totalSizeRemoveTrash += now->size;
    outcome.trashedUrls.push_back(item.absoluteUrl);
    progress.trashed = outcome.totalRemoveTrash;
    return true;
}
