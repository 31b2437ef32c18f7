#pragma once

#include <QByteArray>

#include "platform/ExivCompat.h"

#include <string>

namespace platform {

// Exiv2 input over a file that is already open, serving reads from bytes already read (the head)
// and reading the rest on demand, so the metadata library neither opens the file again nor goes
// through stdio for each open, type test and read.
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

    // The file's first min(length, size) bytes (fewer after a read error).
    const QByteArray &prefix(qint64 length);

    exiv::IoCount write(const Exiv2::byte *data, exiv::IoCount wcount) override;
    exiv::IoCount write(Exiv2::BasicIo &src) override;
    int putb(Exiv2::byte data) override;
    void transfer(Exiv2::BasicIo &src) override;

private:
    // Makes the bytes [0, end) available when the file has them; false after a read error.
    bool ensure(qint64 end);

    int fd_;
    qint64 fileSize_;
    QByteArray cache_;      // the file's first cache_.size() bytes
    bool complete_ = false; // cache_ holds the whole file
    qint64 position_ = 0;
    bool open_ = false;
    bool eof_ = false;
    int error_ = 0;
    bool mapped_ = false;
};

} // namespace platform
