#include "platform/RegularFile.h"

#include "platform/Log.h"
#include "platform/PathSafety.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

void setError(QString *error, const QString &path, const QString &reason)
{
    if (error)
        *error = path + QStringLiteral(": ") + reason;
}

// Opens the path for reading without waiting (a pipe with no writer would block an ordinary open)
// and checks the opened file; -1 with the reason set when it is no regular file.
int openRegular(const QString &path, RegularFile::Links links, struct stat *info, QString *error,
                bool *notRegular = nullptr, int *openErrno = nullptr)
{
    const std::optional<QByteArray> native = PathSafety::nativePath(path);
    if (!native) {
        setError(error, path, QStringLiteral("not a usable path"));
        return -1;
    }
    int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (links == RegularFile::Links::Refuse)
        flags |= O_NOFOLLOW;
    const int fd = ::open(native->constData(), flags);
    if (fd < 0) {
        const int reason = errno;
        if (openErrno)
            *openErrno = reason;
        if (notRegular)
            *notRegular = reason == ELOOP || reason == ENXIO || reason == ENODEV;
        setError(error, path, reason == ELOOP ? QStringLiteral("a symbolic link") : reasonOf(reason));
        return -1;
    }
    if (::fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
        if (notRegular)
            *notRegular = true;
        setError(error, path, QStringLiteral("not a regular file"));
        ::close(fd);
        return -1;
    }
    // Reads from here on may block as usual (a regular file never makes them wait for a writer).
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= size_t(written);
    }
    return true;
}

} // namespace

namespace {
thread_local std::optional<RegularFile::Refusal> lastRefusal;
} // namespace

std::optional<RegularFile> RegularFile::openScanned(const QString &path)
{
    struct stat info = {};
    QString error;
    bool notRegular = false;
    int openErrno = 0;
    const int fd = openRegular(path, Links::Refuse, &info, &error, &notRegular, &openErrno);
    if (fd < 0) {
        Refusal refusal{path, notRegular ? SkipReason::NotRegularFile : SkipReason::Unreadable,
                        notRegular      ? QString()
                            : openErrno ? reasonOf(openErrno)
                                        : QStringLiteral("not a usable path")};
        // A file that vanished since it was listed is no news; something else in its place is.
        if (notRegular || (openErrno != ENOENT && openErrno != ENOTDIR))
            logSkippedFile(lcPlatform(), path, refusal.reason, refusal.detail);
        lastRefusal = std::move(refusal);
        return std::nullopt;
    }
    lastRefusal.reset();
    return RegularFile(fd, qint64(info.st_size));
}

std::optional<RegularFile::Refusal> RegularFile::lastScannedRefusal()
{
    return lastRefusal;
}

RegularFile::RegularFile(RegularFile &&other) noexcept
    : fd_(other.fd_)
    , size_(other.size_)
{
    other.fd_ = -1;
}

RegularFile &RegularFile::operator=(RegularFile &&other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        size_ = other.size_;
        other.fd_ = -1;
    }
    return *this;
}

RegularFile::~RegularFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

QByteArray RegularFile::readAt(qint64 offset, qint64 length) const
{
    if (fd_ < 0 || offset < 0 || length <= 0)
        return {};
    QByteArray bytes(qsizetype(length), Qt::Uninitialized);
    qint64 have = 0;
    while (have < length) {
        const ssize_t got = ::pread(fd_, bytes.data() + have, size_t(length - have), off_t(offset + have));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return {};
        if (got == 0)
            break;
        have += got;
    }
    bytes.resize(qsizetype(have));
    return bytes;
}

std::unique_ptr<QFile> RegularFile::device() const
{
    auto file = std::make_unique<QFile>();
    const int copy = fd_ >= 0 ? ::fcntl(fd_, F_DUPFD_CLOEXEC, 0) : -1;
    if (copy < 0)
        return file;
    ::lseek(copy, 0, SEEK_SET);
    if (!file->open(copy, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        ::close(copy);
    return file;
}

QByteArray RegularFile::descriptorPath() const
{
    return QByteArrayLiteral("/proc/self/fd/") + QByteArray::number(fd_);
}

bool RegularFile::isRegular(const QString &path, Links links)
{
    const std::optional<QByteArray> native = PathSafety::nativePath(path);
    if (!native)
        return false;
    struct stat info = {};
    const int rc = links == Links::Refuse ? ::lstat(native->constData(), &info) : ::stat(native->constData(), &info);
    return rc == 0 && S_ISREG(info.st_mode);
}

std::optional<QByteArray> RegularFile::read(const QString &path, qint64 maxBytes, Links links, QString *error)
{
    struct stat info = {};
    const int fd = openRegular(path, links, &info, error);
    if (fd < 0)
        return std::nullopt;
    if (info.st_size > maxBytes) {
        setError(error, path, QStringLiteral("larger than %1 bytes").arg(maxBytes));
        ::close(fd);
        return std::nullopt;
    }
    QByteArray content;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            setError(error, path, reasonOf(errno));
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        // The file may have grown since it was checked: the cap holds for what is read.
        if (content.size() + got > maxBytes) {
            setError(error, path, QStringLiteral("larger than %1 bytes").arg(maxBytes));
            ::close(fd);
            return std::nullopt;
        }
        content.append(buffer, got);
    }
    ::close(fd);
    return content;
}

bool RegularFile::isMostlyHoles(qint64 size, qint64 allocatedBytes)
{
    // Small files may sit in a few blocks or inline in the file system's own records.
    constexpr qint64 kSmallFile = 1 << 20;
    return size > kSmallFile && allocatedBytes < size / 8;
}

bool RegularFile::copy(const QString &source, const QString &target, qint64 maxBytes, QString *error,
                       const std::function<bool()> &shouldStop)
{
    struct stat info = {};
    const int in = openRegular(source, Links::Refuse, &info, error);
    if (in < 0)
        return false;
    if (info.st_size > maxBytes) {
        setError(error, source, QStringLiteral("larger than %1 bytes").arg(maxBytes));
        ::close(in);
        return false;
    }
    if (isMostlyHoles(info.st_size, qint64(info.st_blocks) * 512)) {
        setError(error, source,
                 QStringLiteral("a sparse file (%1 bytes, %2 allocated)")
                     .arg(info.st_size)
                     .arg(qint64(info.st_blocks) * 512));
        ::close(in);
        return false;
    }
    const std::optional<QByteArray> native = PathSafety::nativePath(target);
    const int out =
        native ? ::open(native->constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600) : -1;
    if (out < 0) {
        setError(error, target, native ? reasonOf(errno) : QStringLiteral("not a usable path"));
        ::close(in);
        return false;
    }
    bool ok = true;
    qint64 copied = 0;
    char buffer[1 << 16];
    for (;;) {
        if (shouldStop && shouldStop()) {
            setError(error, source, QStringLiteral("stopped"));
            ok = false;
            break;
        }
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            setError(error, source, reasonOf(errno));
            ok = false;
            break;
        }
        if (got == 0)
            break;
        // The file may have grown since it was checked: the cap holds for what is copied.
        copied += got;
        if (copied > maxBytes) {
            setError(error, source, QStringLiteral("larger than %1 bytes").arg(maxBytes));
            ok = false;
            break;
        }
        if (!writeAll(out, buffer, size_t(got))) {
            setError(error, target, reasonOf(errno));
            ok = false;
            break;
        }
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
        setError(error, target, reasonOf(errno));
        ok = false;
    }
    if (!ok)
        ::unlink(native->constData());
    return ok;
}

} // namespace platform
