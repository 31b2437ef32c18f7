#pragma once

#include "model/ImageFile.h"
#include "model/ScanFlags.h"
#include "platform/Cancellable.h"
#include "platform/FileManager.h"
#include "platform/FileStat.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ResultState;

// A file of the result as the scan saw it.
struct ScannedCopy {
    QString path;
    // Device, inode, size, modification and change time when the file was scanned; absent when
    // the file could not be stat'ed at all.
    std::optional<platform::FileStat> scanned;

    // True when the file at `path` is still the one the scan saw, unchanged.
    bool isOnDiskAsScanned() const;
};

// One marked file as it was when the deletion started. The deletion works on these copies only:
// it never reads the result groups or the records while it runs.
struct DeletionItem {
    int group = 0; // position in the shown groups when the deletion started
    int row = 0;
    QString path;        // local path of the file
    QString absoluteUrl; // the record's URL as text; identifies the file in the groups
    bool isPhotoLibrary = false;
    std::optional<QString> photoId;            // the Photos item identifier (RKVuuid)
    std::optional<platform::FileStat> scanned; // the file as scanned (see ScannedCopy)
    // The unmarked files of the same group: one of them must still be on disk as scanned before
    // this file may go, so a copy always stays. One list per group, shared by its marked files.
    std::shared_ptr<const std::vector<ScannedCopy>> keepers;
};

// Why a marked file was left where it is.
struct DeletionProblem {
    enum class Kind {
        Missing,      // the file no longer exists
        Changed,      // the file changed since the scan
        MoveFailed,   // the move to the Trash (or the album) failed
        KeeperGone,   // no unmarked copy of its group is left on disk
        KeeperChanged // the unmarked copies of its group changed since the scan
    };
    Kind kind = Kind::MoveFailed;
    QString path;
    QString reason;
};

// What one deletion did. Counts and sizes cover only files that really reached the Trash.
struct DeletionOutcome {
    std::vector<QString> trashedUrls; // absolute URL texts of the files moved, in order
    qint64 totalRemoveTrash = 0;
    quint64 totalSizeRemoveTrash = 0;
    std::vector<DeletionItem> photoItems; // marked Photos items found on disk, for the album
    quint64 photoItemsSize = 0;
    std::vector<DeletionProblem> problems; // files left in place, with the reason
    int visited = 0;                       // marked files handled before the walk ended
    bool stopped = false;                  // the walk ended on a stop request
    bool photosPermissionRefused = false;  // the Photos permission was asked for and refused
};

// Progress of a running deletion, as sent to the sheet.
struct DeletionProgress {
    int visited = 0;        // marked files handled so far
    int total = 0;          // marked files in all
    qint64 trashed = 0;     // files moved to the Trash so far
    qint64 photosFound = 0; // Photos items found on disk so far
    QString currentPath;    // the file being handled
};

// Takes the marked files of the shown groups, in group order and mark order, each with the state
// it had when it was scanned and with the unmarked files of its group. Main thread.
std::vector<DeletionItem> makeDeletionSnapshot(const ResultState &state);

// The deletion's walk over the marked files: disk files go to the Trash one by one, Photos items
// are collected for the album. Runs on a worker thread; the callbacks are called on that thread and
// must pass their values on to the main thread themselves.
//
// It keeps the pause rule of the scan's workers: it holds while flags->isPaused is set (counted in
// flags->heldThreads) and gives up once either stop switch (isFirstStepAbort, isSecondStepAbort)
// is set, paused or not. Its waits block on the flags' change count, which every switch write and
// the permission answer advance, never on a timer.
class DeletionJob
{
public:
    struct Callbacks {
        // The file about to be handled.
        std::function<void(const DeletionProgress &)> visiting;
        // A marked file was handled (moved, collected for the album, or left in place).
        std::function<void(const DeletionProgress &)> progressed;
        // Photos items were found: asks the main thread whether Photos may be driven. The answer
        // comes back through answerPhotosPermission().
        std::function<void()> requestPhotosPermission;
        // Moves one file to the Trash (left in place unless it is still `expected`; `cancel` stops
        // the move); by default platform::FileManager::trashItem.
        std::function<platform::TrashResult(const QString &path, const platform::FileStat *expected,
                                            platform::Cancellable *cancel)>
            trashItem;
    };

    DeletionJob(std::vector<DeletionItem> items, std::shared_ptr<ScanFlags> flags, Callbacks callbacks);

    // Walks the marks (worker thread): holds while paused, ends early on a stop (checked before
    // each file and again right before its move), then asks for the Photos permission when Photos
    // items were found.
    DeletionOutcome deleteSelectedFiles();

    // Cancels the move in progress and every later one (any thread); the stop action calls it
    // after raising the stop switches, whose writes end a pause or a wait for the permission.
    void cancel();
    // The main thread's answer to requestPhotosPermission (any thread).
    void answerPhotosPermission(bool allowed);
    // True while the worker waits for that answer.
    bool isWaitingForPermission() const { return m_waitingForPermission.load(); }
    // True once the move in progress (and every later one) was cancelled.
    bool isCancelled() const { return m_cancel.isCancelled(); }

    int total() const { return int(m_items.size()); }

private:
    // Handles one marked file; false when a stop ended the walk at this file.
    bool trashFiles(const DeletionItem &item, DeletionOutcome &outcome, DeletionProgress &progress);
    // Waits for the permission answer; false when a stop came first.
    bool waitForPermissionAnswer();
    bool isStopped() const { return m_flags->isFirstStepAbort.load() || m_flags->isSecondStepAbort.load(); }

    std::vector<DeletionItem> m_items;
    std::shared_ptr<ScanFlags> m_flags;
    Callbacks m_callbacks;
    platform::Cancellable m_cancel;

    std::atomic<bool> m_waitingForPermission{false};
    std::atomic<bool> m_permissionAnswered{false};
    std::atomic<bool> m_permissionAllowed{false};
};
