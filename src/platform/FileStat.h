#pragma once

#include "platform/FileManager.h"

#include <QString>

#include <optional>

namespace platform {

// What FileManager::attributes reports about a path, with the times kept as the file system's
// numbers. Turning a time into a local date takes a process-wide lock in Qt and the C library;
// a scan that needs the dates of only some files stats every file with this and converts the times
// of those files alone, getting exactly the attributes FileManager::attributes would have given.
struct FileStat {
    bool isRegularFile = false;
    bool isDirectory = false;
    bool isSymbolicLink = false;
    quint64 size = 0;
    quint64 device = 0;
    quint64 inode = 0;
    bool hasModificationTime = false;
    qint64 modificationSeconds = 0;
    quint32 modificationNanoseconds = 0;
    bool hasChangeTime = false; // the status change time (ctime), which no user tool can set back
    qint64 changeSeconds = 0;
    quint32 changeNanoseconds = 0;
    bool hasCreationTime = false; // a birth time the file system keeps (not zero)
    qint64 creationSeconds = 0;
    quint32 creationNanoseconds = 0;

    // The path's stat (a symbolic link described, not followed); absent when it cannot be stat'ed.
    static std::optional<FileStat> of(const QString &path);
    // The same facts as FileManager::attributes gives them, dates in local time.
    FileAttributes attributes() const;
    // True when `other` is the same file with the same size, modification time and change time, all
    // compared at the file system's full precision: a file that was replaced, rewritten or edited in
    // place (even with its modification time set back) differs.
    bool isUnchangedFrom(const FileStat &other) const;
    // The two dates alone, as attributes() gives them (each conversion takes the locks above).
    std::optional<QDateTime> modificationDate() const;
    std::optional<QDateTime> creationDate() const;
};

} // namespace platform
