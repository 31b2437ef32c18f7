#include "engine/Deletion.h"

#include "model/ResultState.h"
#include "platform/FileManager.h"

#include <QFileInfo>

#include <chrono>
#include <cstdio>

using platform::FileManager;

namespace {

// The waits sleep on the condition variable; the timeout only guards against a flag that was
// changed without a wake-up call.
constexpr auto kWaitSlice = std::chrono::milliseconds(100);

void printLine(const QString &text)
{
    std::printf("%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

} // namespace

std::vector<DeletionItem> makeDeletionSnapshot(const ResultState &state)
{
    std::vector<DeletionItem> items;
    const int groups = std::min<int>(int(state.selectedIndexArray.size()), state.shownGroupCount());
    for (int g = 0; g < groups; ++g) {
        for (int row : state.selectedIndexArray[size_t(g)]) {
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
            item.identity = file->identity;
            // The file must still be the one the scan saw; a record made without those facts is
            // compared with the file as it is now.
            item.expectedSize = file->scannedSize;
            item.expectedModified = file->scannedModificationDate;
            if (!item.expectedSize || !item.expectedModified) {
                if (const auto attributes = FileManager::attributes(item.path)) {
                    if (!item.expectedSize)
                        item.expectedSize = attributes->size;
                    if (!item.expectedModified)
                        item.expectedModified = attributes->modificationDate;
                }
            }
            items.push_back(std::move(item));
        }
    }
    return items;
}

DeletionJob::DeletionJob(std::vector<DeletionItem> items, std::shared_ptr<ScanFlags> flags,
                         Callbacks callbacks)
    : m_items(std::move(items)), m_flags(std::move(flags)), m_callbacks(std::move(callbacks))
{
    if (!m_flags)
        m_flags = std::make_shared<ScanFlags>();
    if (!m_callbacks.trashItem) {
        m_callbacks.trashItem = [](const QString &path, QString *error) {
            const platform::TrashResult result = FileManager::trashItem(path);
            if (!result.ok && error)
                *error = result.error;
            return result.ok;
        };
    }
}

void DeletionJob::wake()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
    }
    m_wake.notify_all();
}

void DeletionJob::answerPhotosPermission(bool allowed)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_permissionAnswered = true;
        m_permissionAllowed = allowed;
    }
    m_wake.notify_all();
}

bool DeletionJob::waitWhilePaused()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (m_flags->isPaused.load() && !m_flags->isFirstStepAbort.load())
        m_wake.wait_for(lock, kWaitSlice);
    return !m_flags->isFirstStepAbort.load();
}

DeletionOutcome DeletionJob::run()
{
    DeletionOutcome outcome;
    DeletionProgress progress;
    progress.total = int(m_items.size());

    // The home Trash must exist before the first move, or a move could end up somewhere that is
    // not a Trash at all.
    if (!FileManager::ensureHomeTrash())
        printLine(QStringLiteral("Trash folder unavailable: ") + FileManager::homeTrashPath());

    for (const DeletionItem &item : m_items) {
        if (!waitWhilePaused()) {
            outcome.stopped = true;
            break;
        }
        handle(item, outcome, progress);
        ++outcome.visited;
        progress.visited = outcome.visited;
        if (m_callbacks.progressed)
            m_callbacks.progressed(progress);
    }

    if (!outcome.stopped && !outcome.photoItems.empty() && m_callbacks.requestPhotosPermission) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_permissionAnswered = false;
        }
        m_waitingForPermission = true;
        m_callbacks.requestPhotosPermission();
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_permissionAnswered && !m_flags->isFirstStepAbort.load())
            m_wake.wait_for(lock, kWaitSlice);
        m_waitingForPermission = false;
        if (!m_permissionAnswered)
            outcome.stopped = true;
        else
            outcome.photosPermissionRefused = !m_permissionAllowed;
    }
    return outcome;
}

void DeletionJob::handle(const DeletionItem &item, DeletionOutcome &outcome, DeletionProgress &progress)
{
    progress.currentPath = item.path;
    if (m_callbacks.visiting)
        m_callbacks.visiting(progress);

    const auto attributes = FileManager::attributes(item.path);
    if (!attributes) {
        printLine(QStringLiteral("File does not exist ") + item.path);
        outcome.problems.push_back({DeletionProblem::Kind::Missing, item.path, QString()});
        return;
    }

    if (item.isPhotoLibrary) {
        // Photos items are never trashed; they go to the album once the walk is over.
        outcome.photoItems.push_back(item);
        outcome.photoItemsSize += attributes->size;
        ++progress.photosFound;
        return;
    }

    // Only the file that was marked may go: not another file that took its name, not a file that
    // changed since.
    const bool sameFile = attributes->isRegularFile
        && (!item.identity || (item.identity->device == attributes->device
                               && item.identity->inode == attributes->inode))
        && (!item.expectedSize || *item.expectedSize == attributes->size)
        && (!item.expectedModified || item.expectedModified == attributes->modificationDate);
    if (!sameFile) {
        printLine(QStringLiteral("File changed since the scan, left in place: ") + item.path);
        outcome.problems.push_back({DeletionProblem::Kind::Changed, item.path, QString()});
        return;
    }

    QString error;
    if (!m_callbacks.trashItem(item.path, &error)) {
        printLine(error.isEmpty() ? QStringLiteral("Could not move to the Trash: ") + item.path : error);
        outcome.problems.push_back({DeletionProblem::Kind::MoveFailed, item.path, error});
        return;
    }

    ++outcome.totalRemoveTrash;
    outcome.totalSizeRemoveTrash += attributes->size;
    outcome.trashedUrls.push_back(item.absoluteUrl);
    progress.trashed = outcome.totalRemoveTrash;
}
