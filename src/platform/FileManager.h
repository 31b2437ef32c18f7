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

// Outcome of a move to the Trash.
struct TrashResult {
    bool ok = false;
    QString trashedPath; // where the file now lies (ok only)
    QString error;       // why the move failed (not ok only)
};

// File-system services over POSIX and statx.
class FileManager {
public:
    // Attributes of the path itself (a symbolic link is not followed); absent when it cannot be read.
    static std::optional<FileAttributes> attributes(const QString &path);
    static std::optional<quint64> fileSize(const QString &path);
    static std::optional<QDateTime> modificationDate(const QString &path);
    static std::optional<QDateTime> creationDate(const QString &path);

    // A name with a leading dot.
    static bool isHiddenName(const QString &fileName);
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
    static std::optional<std::vector<DirectoryEntry>> contentsOfDirectory(const QString &path,
                                                                          bool skipHidden);

    // Moves the item to the user's freedesktop Trash (files/ plus info/*.trashinfo, so the desktop
    // can restore it). Never deletes. The move counts as done only when the item reached a real
    // Trash folder; otherwise the result carries the reason.
    static TrashResult trashItem(const QString &path);
    // The user's home Trash folder (it holds files/ and info/).
    static QString homeTrashPath();
    // Creates the home Trash folders when missing; false when they cannot be made.
    static bool ensureHomeTrash();
    // True when `path` lies in a Trash's files/ folder (home Trash, .Trash-UID or .Trash/UID).
    static bool isInTrash(const QString &path);
};

} // namespace platform
