#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace platform {

// What the file system reports about one path. Symbolic links are described, not followed.
struct FileAttributes {
    bool isRegularFile = false;
    bool isDirectory = false;
    bool isSymbolicLink = false;
    quint64 size = 0;
    quint64 device = 0;
    quint64 inode = 0;
    std::optional<QDateTime> modificationDate;
    std::optional<QDateTime> creationDate; // birth time; absent where the file system keeps none
};

// One entry met by a folder walk.
struct DirectoryEntry {
    QString path;
    bool isRegularFile = false;
    bool isDirectory = false;
    bool isSymbolicLink = false;
};

class Cancellable;
struct FileStat;

// Outcome of a move to the Trash.
struct TrashResult {
    bool ok = false;
    QString trashedPath;    // where the file now lies (ok only)
    QString infoPath;       // its .trashinfo file, which tells the desktop where to restore it (ok only)
    QString error;          // why the move failed (not ok only)
    bool changed = false;   // not moved: the file is no longer the one described by `expected`
    bool cancelled = false; // not moved: the move was cancelled
};

// File-system services over POSIX and statx.
class FileManager
{
public:
    // Attributes of the path itself (a symbolic link is not followed); absent when it cannot be read.
    static std::optional<FileAttributes> attributes(const QString &path);
    static std::optional<quint64> fileSize(const QString &path);
    static std::optional<QDateTime> modificationDate(const QString &path);
    static std::optional<QDateTime> creationDate(const QString &path);

    // True when the path leads (through links) to a regular file; readers check this first, so
    // a pipe or a device is never opened and waited on.
    static bool isRegularFile(const QString &path);
    // A folder treated as one document: its name ends in .photoslibrary, .app or .bundle.
    static bool isPackageName(const QString &fileName);

    // Walks the tree below `root` depth first, in name order, without following symbolic links.
    // `visit` sees every entry (files, folders, links) and answers false to end the walk. Hidden
    // entries are skipped (and not entered) when skipHidden; package folders are reported but not
    // entered when skipPackageContents. Sub-folders that cannot be read are passed over. False when
    // the root itself cannot be opened as a folder.
    static bool enumerate(const QString &root, bool skipHidden, bool skipPackageContents,
                          const std::function<bool(const DirectoryEntry &)> &visit);

    // Top-level entries of a folder in name order; absent when it cannot be read.
    static std::optional<std::vector<DirectoryEntry>> contentsOfDirectory(const QString &path, bool skipHidden);

    // Moves a regular file to its freedesktop Trash (the home Trash, or the .Trash folder of the
    // disk it lies on), with an info file from which the desktop can restore it. Never deletes and
    // never copies: a file that cannot be renamed into a Trash on its own disk stays where it is.
    // With `expected`, the file is stat'ed right before the move and left in place unless it is
    // still that file, unchanged (FileStat::isUnchangedFrom). A cancelled `cancel` stops the move
    // before it happens. The move counts as done only when the file reached a real Trash folder
    // with a valid info file; otherwise the result carries the reason.
    static TrashResult trashItem(const QString &path, const FileStat *expected = nullptr,
                                 Cancellable *cancel = nullptr);
    // The user's home Trash folder (it holds files/ and info/).
    static QString homeTrashPath();
    // Creates the home Trash folders when missing; false when they cannot be made.
    static bool ensureHomeTrash();
    // True when `path` lies in a Trash's files/ folder (home Trash, .Trash-UID or .Trash/UID).
    static bool isInTrash(const QString &path);
};

} // namespace platform
