#pragma once

#include <QByteArray>
#include <QString>

#include "platform/Log.h"

#include <functional>
#include <memory>
#include <optional>

class QFile;

namespace platform {

// Reading and copying files that come from outside the program (a settings file, a Photos library
// database) without ever waiting on them: only a regular file is read. A pipe, a socket or a device
// in its place is refused at once instead of blocking the reader, and a file is checked on the
// opened descriptor, so it cannot be swapped for something else between the check and the read.
class RegularFile
{
public:
    // A scanned file opened for reading: the one way every read of a scan, of the marking values,
    // of the thumbnails and of the previews opens a file. Opened without following a link and
    // without waiting, then checked on the descriptor: a pipe, a socket, a device or a link in the
    // file's place is refused with a line in the log naming it (a missing file quietly). Absent
    // when refused or not readable.
    static std::optional<RegularFile> openScanned(const QString &path);

    // Why the last openScanned on the calling thread refused its file, or absent when it opened
    // it. A caller that reads through a library (which opens the file itself) tells a refused
    // file from one whose contents do not read by this, without opening the path once more.
    struct Refusal {
        QString path;
        SkipReason reason = SkipReason::Unreadable;
        QString detail; // the system's reason; for a file that vanished too
    };
    static std::optional<Refusal> lastScannedRefusal();

    RegularFile(RegularFile &&other) noexcept;
    RegularFile &operator=(RegularFile &&other) noexcept;
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;
    ~RegularFile();

    int descriptor() const { return fd_; }
    // The size when the file was opened.
    qint64 size() const { return size_; }
    // Up to `length` bytes from `offset` (fewer at the end of the file, none after a read error);
    // the descriptor's own position is left alone.
    QByteArray readAt(qint64 offset, qint64 length) const;
    // The file as a device for readers that take one (Qt's image readers), open for reading at its
    // start, over a duplicate of the descriptor: use one at a time.
    std::unique_ptr<QFile> device() const;
    // A path that opens this very file again (the descriptor's entry under /proc/self/fd), for
    // libraries that open by path only; valid while this object lives.
    QByteArray descriptorPath() const;

    enum class Links {
        Refuse, // a symbolic link is refused (the path itself must be a regular file)
        Follow, // a symbolic link is followed; its target must be a regular file
    };

    // True when the path (lstat, or stat with Links::Follow) is a regular file.
    static bool isRegular(const QString &path, Links links);

    // The whole content of the file; absent (with the reason in *error) when the path is not a
    // regular file, is larger than maxBytes, or cannot be read.
    static std::optional<QByteArray> read(const QString &path, qint64 maxBytes, Links links, QString *error = nullptr);

    // Copies a regular file (never through a link) to `target`, which must not exist yet; the copy
    // is readable and writable by its owner only. Refused: a file larger than maxBytes (also when
    // it grows past it while being copied), and a sparse file whose allocated blocks are far below
    // its size (its holes would be written out in full). `shouldStop` is asked between chunks and
    // ends the copy. On failure the partial copy is removed and the reason is in *error.
    static bool copy(const QString &source, const QString &target, qint64 maxBytes, QString *error = nullptr,
                     const std::function<bool()> &shouldStop = {});

    // True when the file is mostly holes: above a small size, less than an eighth of it is
    // allocated on disk.
    static bool isMostlyHoles(qint64 size, qint64 allocatedBytes);

private:
    RegularFile(int fd, qint64 size)
        : fd_(fd)
        , size_(size)
    {
    }
    int fd_ = -1;
    qint64 size_ = 0;
};

} // namespace platform
