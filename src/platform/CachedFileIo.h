#pragma once

#include <QByteArray>

#include "platform/ExivCompat.h"

#include <string>

namespace platform {

// Exiv2 input over a file that is already open, serving reads from bytes already read (the head)
// and reading the rest on demand, so the metadata library neither opens the file again nor goes
// through stdio for each open, type test and read. Past the head it reads through one window of
// 64 KiB that the next read elsewhere replaces (a larger read goes straight into the caller's
// buffer), so however far the library reads, only the head and the window are held; mmap alone
// reads the whole file, into a buffer that munmap drops.
//
// It answers every call of the read side exactly as Exiv2::FileIo in read mode does over an
// unchanging file (positions past the end, the end-of-file flag that a short read or getb sets and
// any seek clears, a failed seek before the start, DataBuf reads larger than the file refused);
// writing is not supported. The descriptor stays owned by the caller and must outlive the object.
class CachedFileIo : public Exiv2::FileIo
{
public:
    CachedFileIo(const std::string &path, int fd, qint64 fileSize, QByteArray head);
    ~CachedFileIo() override;

    int open() override;
    int close() override;
    Exiv2::DataBuf read(exiv::IoCount rcount) override;
    exiv::IoCount read(Exiv2::byte *buf, exiv::IoCount rcount) override;
    int getb() override;
    int seek(exiv::IoOffset offset, Position pos) override;
    Exiv2::byte *mmap(bool isWriteable = false) override;
    int munmap() override;
    exiv::IoPosition tell() const override;
    size_t size() const override;
    bool isopen() const override;
    int error() const override;
    bool eof() const override;

    exiv::IoCount write(const Exiv2::byte *data, exiv::IoCount wcount) override;
    exiv::IoCount write(Exiv2::BasicIo &src) override;
    int putb(Exiv2::byte data) override;
    void transfer(Exiv2::BasicIo &src) override;

private:
    // Reads `length` bytes from `offset` into `out`; the count read, short when the file ends first
    // (it is then taken as that long) or after a read error (which error() then tells).
    qint64 readFile(qint64 offset, char *out, qint64 length);
    bool inWindow(qint64 offset) const;
    // The bytes from `offset` held in the head or the window (the window moved there when neither
    // holds it) and how many of them follow in it; null at the end of the file or after an error.
    const char *held(qint64 offset, qint64 &count);

    int fd_;
    qint64 fileSize_;
    QByteArray head_; // the file's first head_.size() bytes
    QByteArray window_;
    qint64 windowStart_ = 0;
    QByteArray mapped_; // the whole file while it is mapped
    qint64 position_ = 0;
    bool open_ = false;
    bool eof_ = false;
    int error_ = 0;
};

} // namespace platform
