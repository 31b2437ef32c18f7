#include "platform/CachedFileIo.h"

#include <exiv2/error.hpp>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {
constexpr qint64 kReadAhead = 64 * 1024;
}

CachedFileIo::CachedFileIo(const std::string &path, int fd, qint64 fileSize, QByteArray head)
    : Exiv2::FileIo(path)
    , fd_(fd)
    , fileSize_(std::max<qint64>(0, fileSize))
    , cache_(std::move(head))
{
    if (cache_.size() > fileSize_)
        cache_.truncate(fileSize_);
    complete_ = cache_.size() >= fileSize_;
}

CachedFileIo::~CachedFileIo() = default;

bool CachedFileIo::ensure(qint64 end)
{
    end = std::min(end, fileSize_);
    if (complete_ || end <= cache_.size())
        return true;
    const qint64 want = std::min(fileSize_, std::max(end, qint64(cache_.size()) + kReadAhead));
    const qint64 start = cache_.size();
    cache_.resize(want);
    qint64 have = start;
    while (have < want) {
        const ssize_t got = ::pread(fd_, cache_.data() + have, size_t(want - have), off_t(have));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            cache_.resize(have);
            error_ = 1;
            return false;
        }
        if (got == 0)
            break;
        have += got;
    }
    cache_.resize(have);
    if (have < want) {
        // The file is shorter than it was: what is there is all there is.
        fileSize_ = have;
        complete_ = true;
    } else if (have >= fileSize_) {
        complete_ = true;
    }
    return true;
}

const QByteArray &CachedFileIo::prefix(qint64 length)
{
    ensure(length);
    return cache_;
}

int CachedFileIo::open()
{
    // FileIo::open closes and reopens the file: a fresh stream at the start.
    munmap();
    open_ = true;
    position_ = 0;
    eof_ = false;
    error_ = 0;
    return 0;
}

int CachedFileIo::close()
{
    munmap();
    open_ = false;
    return 0;
}

Exiv2::DataBuf CachedFileIo::read(exiv::IoCount rcount)
{
    if (size_t(rcount) > size())
        throw Exiv2::Error(Exiv2::ErrorCode::kerInvalidMalloc);
    Exiv2::DataBuf buf(rcount);
    const exiv::IoCount readCount = read(exiv::bytes(buf), exiv::IoCount(exiv::byteCount(buf)));
    if (exiv::kEmptyReadThrows && readCount == 0)
        throw Exiv2::Error(Exiv2::ErrorCode::kerInputDataReadFailed);
    exiv::shrink(buf, size_t(readCount));
    return buf;
}

exiv::IoCount CachedFileIo::read(Exiv2::byte *buf, exiv::IoCount rcount)
{
    if (!open_ || rcount <= 0)
        return 0;
    if (position_ >= fileSize_) {
        eof_ = true;
        return 0;
    }
    ensure(position_ + qint64(rcount));
    const qint64 available = std::max<qint64>(0, qint64(cache_.size()) - position_);
    const qint64 count = std::min<qint64>(qint64(rcount), available);
    if (count > 0)
        std::memcpy(buf, cache_.constData() + position_, size_t(count));
    position_ += count;
    if (count < qint64(rcount))
        eof_ = true;
    return exiv::IoCount(count);
}

int CachedFileIo::getb()
{
    if (!open_)
        return EOF;
    if (position_ >= fileSize_ || !ensure(position_ + 1) || position_ >= cache_.size()) {
        eof_ = true;
        return EOF;
    }
    return int(static_cast<unsigned char>(cache_.at(position_++)));
}

int CachedFileIo::seek(exiv::IoOffset offset, Position pos)
{
    qint64 base = 0;
    switch (pos) {
    case BasicIo::cur:
        base = position_;
        break;
    case BasicIo::beg:
        base = 0;
        break;
    case BasicIo::end:
        base = fileSize_;
        break;
    }
    // fseek clears the end-of-file flag whether or not it succeeds; a position before the start
    // is refused.
    eof_ = false;
    const qint64 target = base + qint64(offset);
    if (target < 0)
        return -1;
    position_ = target;
    return 0;
}

Exiv2::byte *CachedFileIo::mmap(bool isWriteable)
{
    if (isWriteable || size() == 0)
        throw Exiv2::Error(Exiv2::ErrorCode::kerCallFailed, path(), std::strerror(EINVAL), "mmap");
    ensure(fileSize_);
    mapped_ = true;
    return reinterpret_cast<Exiv2::byte *>(cache_.data());
}

int CachedFileIo::munmap()
{
    mapped_ = false;
    return 0;
}

exiv::IoPosition CachedFileIo::tell() const
{
    return exiv::IoPosition(position_);
}

size_t CachedFileIo::size() const
{
    return size_t(fileSize_);
}

bool CachedFileIo::isopen() const
{
    return open_;
}

int CachedFileIo::error() const
{
    return error_;
}

bool CachedFileIo::eof() const
{
    return eof_;
}

exiv::IoCount CachedFileIo::write(const Exiv2::byte *, exiv::IoCount)
{
    return 0;
}

exiv::IoCount CachedFileIo::write(Exiv2::BasicIo &)
{
    return 0;
}

int CachedFileIo::putb(Exiv2::byte)
{
    return EOF;
}

void CachedFileIo::transfer(Exiv2::BasicIo &)
{
    throw Exiv2::Error(Exiv2::ErrorCode::kerFailedToReadImageData);
}

} // namespace platform
