#include "platform/CachedFileIo.h"

#include <exiv2/error.hpp>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {
constexpr qint64 kWindow = 64 * 1024;
}

CachedFileIo::CachedFileIo(const std::string &path, int fd, qint64 fileSize, QByteArray head)
    : Exiv2::FileIo(path)
    , fd_(fd)
    , fileSize_(std::max<qint64>(0, fileSize))
    , head_(std::move(head))
{
    if (head_.size() > fileSize_)
        head_.truncate(fileSize_);
}

CachedFileIo::~CachedFileIo() = default;

qint64 CachedFileIo::readFile(qint64 offset, char *out, qint64 length)
{
    qint64 have = 0;
    while (have < length) {
        const ssize_t got = ::pread(fd_, out + have, size_t(length - have), off_t(offset + have));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error_ = 1;
            break;
        }
        if (got == 0) {
            // The file is shorter than it was: what is there is all there is.
            fileSize_ = std::min(fileSize_, offset + have);
            break;
        }
        have += got;
    }
    return have;
}

bool CachedFileIo::inWindow(qint64 offset) const
{
    return offset >= windowStart_ && offset < windowStart_ + window_.size();
}

const char *CachedFileIo::held(qint64 offset, qint64 &count)
{
    if (offset < head_.size()) {
        count = head_.size() - offset;
        return head_.constData() + offset;
    }
    if (!inWindow(offset)) {
        if (offset >= fileSize_)
            return nullptr;
        window_.resize(qsizetype(std::min(kWindow, fileSize_ - offset)));
        window_.resize(qsizetype(readFile(offset, window_.data(), window_.size())));
        windowStart_ = offset;
        if (window_.isEmpty())
            return nullptr;
    }
    count = windowStart_ + window_.size() - offset;
    return window_.constData() + (offset - windowStart_);
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
    char *out = reinterpret_cast<char *>(buf);
    const qint64 wanted = std::min<qint64>(qint64(rcount), fileSize_ - position_);
    qint64 done = 0;
    while (done < wanted) {
        const qint64 at = position_ + done;
        const qint64 left = wanted - done;
        if (at >= head_.size() && !inWindow(at) && left >= kWindow) {
            done += readFile(at, out + done, left);
            break;
        }
        qint64 count = 0;
        const char *from = held(at, count);
        if (!from)
            break;
        const qint64 step = std::min(count, left);
        std::memcpy(out + done, from, size_t(step));
        done += step;
    }
    position_ += done;
    if (done < qint64(rcount))
        eof_ = true;
    return exiv::IoCount(done);
}

int CachedFileIo::getb()
{
    if (!open_)
        return EOF;
    qint64 count = 0;
    const char *from = position_ < fileSize_ ? held(position_, count) : nullptr;
    if (!from) {
        eof_ = true;
        return EOF;
    }
    ++position_;
    return int(static_cast<unsigned char>(*from));
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
    mapped_ = QByteArray(qsizetype(fileSize_), Qt::Uninitialized);
    const qint64 fromHead = std::min<qint64>(head_.size(), fileSize_);
    std::memcpy(mapped_.data(), head_.constData(), size_t(fromHead));
    mapped_.resize(qsizetype(fromHead + readFile(fromHead, mapped_.data() + fromHead, fileSize_ - fromHead)));
    return reinterpret_cast<Exiv2::byte *>(mapped_.data());
}

int CachedFileIo::munmap()
{
    mapped_.clear();
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
