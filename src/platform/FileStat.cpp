#include "platform/FileStat.h"

#include "platform/PathSafety.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

namespace {

QDateTime localDate(qint64 seconds, quint32 nanoseconds)
{
    return QDateTime::fromMSecsSinceEpoch(seconds * 1000 + nanoseconds / 1000000);
}

} // namespace

std::optional<FileStat> FileStat::of(const QString &path)
{
    const std::optional<QByteArray> nativeOrNone = PathSafety::nativePath(path);
    if (!nativeOrNone)
        return std::nullopt;
    const QByteArray &native = *nativeOrNone;
    struct statx sx = {};
    if (::statx(AT_FDCWD, native.constData(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return std::nullopt;
    FileStat s;
    s.isRegularFile = S_ISREG(sx.stx_mode);
    s.isDirectory = S_ISDIR(sx.stx_mode);
    s.isSymbolicLink = S_ISLNK(sx.stx_mode);
    s.size = sx.stx_size;
    s.device = (quint64(sx.stx_dev_major) << 32) | sx.stx_dev_minor;
    s.inode = sx.stx_ino;
    if (sx.stx_mask & STATX_MTIME) {
        s.hasModificationTime = true;
        s.modificationSeconds = sx.stx_mtime.tv_sec;
        s.modificationNanoseconds = sx.stx_mtime.tv_nsec;
    }
    if (sx.stx_mask & STATX_CTIME) {
        s.hasChangeTime = true;
        s.changeSeconds = sx.stx_ctime.tv_sec;
        s.changeNanoseconds = sx.stx_ctime.tv_nsec;
    }
    if ((sx.stx_mask & STATX_BTIME) && (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0)) {
        s.hasCreationTime = true;
        s.creationSeconds = sx.stx_btime.tv_sec;
        s.creationNanoseconds = sx.stx_btime.tv_nsec;
    }
    return s;
}

bool FileStat::isUnchangedFrom(const FileStat &other) const
{
    return isRegularFile == other.isRegularFile && isDirectory == other.isDirectory
        && isSymbolicLink == other.isSymbolicLink && device == other.device && inode == other.inode
        && size == other.size && hasModificationTime == other.hasModificationTime
        && modificationSeconds == other.modificationSeconds && modificationNanoseconds == other.modificationNanoseconds
        && hasChangeTime == other.hasChangeTime && changeSeconds == other.changeSeconds
        && changeNanoseconds == other.changeNanoseconds;
}

FileAttributes FileStat::attributes() const
{
    FileAttributes a;
    a.isRegularFile = isRegularFile;
    a.isDirectory = isDirectory;
    a.isSymbolicLink = isSymbolicLink;
    a.size = size;
    a.device = device;
    a.inode = inode;
    a.modificationDate = modificationDate();
    a.creationDate = creationDate();
    return a;
}

std::optional<QDateTime> FileStat::modificationDate() const
{
    if (!hasModificationTime)
        return std::nullopt;
    return localDate(modificationSeconds, modificationNanoseconds);
}

std::optional<QDateTime> FileStat::creationDate() const
{
    if (!hasCreationTime)
        return std::nullopt;
    return localDate(creationSeconds, creationNanoseconds);
}

} // namespace platform
