#pragma once

#include "model/ImageFile.h"
#include "model/ScanFlags.h"

#include <QDateTime>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class ResultState;

// One marked file as it was when the deletion started. The deletion works on these copies only:
// it never reads the result groups or the records while it runs.
struct DeletionItem {
    int group = 0;                 // position in the shown groups when the deletion started
    int row = 0;
    QString path;                  // local path of the file
    QString absoluteUrl;           // the record's URL as text; identifies the file in the groups
    bool isPhotoLibrary = false;
    std::optional<QString> photoId;          // the Photos item identifier (RKVuuid)
    std::optional<FileIdentity> identity;    // device and inode recorded by the scan
    std::optional<quint64> expectedSize;     // size when the file was scanned
    std::optional<QDateTime> expectedModified; // modification time when the file was scanned
};

// Why a marked file was left where it is.
struct DeletionProblem {
    enum class Kind { Missing, Changed, MoveFailed };
    Kind kind = Kind::MoveFailed;
    QString path;
    QString reason;
};

// What one deletion did. Counts and sizes cover only files that really reached the Trash.
struct DeletionOutcome {
    std::vector<QString> trashedUrls;        // absolute URL texts of the files moved, in order
    qint64 totalRemoveTrash = 0;
    quint64 totalSizeRemoveTrash = 0;
    std::vector<DeletionItem> photoItems;    // marked Photos items found on disk, for the album
    quint64 photoItemsSize = 0;
    std::vector<DeletionProblem> problems;   // files left in place, with the reason
    int visited = 0;                         // marked files handled before the walk ended
    bool stopped = false;                    // the walk ended on a stop request
    bool photosPermissionRefused = false;    // the Photos permission was asked for and refused
};

// Progress of a running deletion, as sent to the sheet.
struct DeletionProgress {
    int visited = 0;         // marked files handled so far
    int total = 0;           // marked files in all
    qint64 trashed = 0;      // files moved to the Trash so far
    qint64 photosFound = 0;  // Photos items found on disk so far
    QString currentPath;     // the file being handled
};

// Takes the marked files of the shown groups, in group order and mark order, with the identity,
// size and modification time each had when it was scanned. Main thread.
std::vector<DeletionItem> makeDeletionSnapshot(const ResultState &state);

// The walk over the marked files: disk files go to the Trash one by one, Photos items are collected
// for the album. Runs on a worker thread; the callbacks are called on that thread and must pass
// their values on to the main thread themselves.
class DeletionJob {
public:
    struct Callbacks {
        // The file about to be handled.
        std::function<void(const DeletionProgress &)> visiting;
        // A marked file was handled (moved, collected for the album, or left in place).
        std::function<void(const DeletionProgress &)> progressed;
        // Photos items were found: asks the main thread whether Photos may be driven. The answer
        // comes back through answerPhotosPermission().
        std::function<void()> requestPhotosPermission;
        // Moves one file to the Trash; by default platform::FileManager::trashItem.
        std::function<bool(const QString &path, QString *error)> trashItem;
    };

    DeletionJob(std::vector<DeletionItem> items, std::shared_ptr<ScanFlags> flags, Callbacks callbacks);

    // The walk (worker thread). Waits while the pause flag is set; ends early when
    // isFirstStepAbort is set.
    DeletionOutcome run();

    // Wakes the worker after the pause or stop flags changed (any thread).
    void wake();
    // The main thread's answer to requestPhotosPermission.
    void answerPhotosPermission(bool allowed);
    // True while the worker waits for that answer.
    bool isWaitingForPermission() const { return m_waitingForPermission.load(); }

    int total() const { return int(m_items.size()); }

private:
    void handle(const DeletionItem &item, DeletionOutcome &outcome, DeletionProgress &progress);
    // Sleeps while paused; false when a stop was requested.
    bool waitWhilePaused();

    std::vector<DeletionItem> m_items;
    std::shared_ptr<ScanFlags> m_flags;
    Callbacks m_callbacks;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_waitingForPermission{false};
    bool m_permissionAnswered = false;
    bool m_permissionAllowed = false;
};
