#include "platform/PngChunks.h"

#include <QtEndian>

namespace platform::imaging {

qint64 maxPngChunks(qint64 size)
{
    return 2000 + std::max<qint64>(0, size) / 4096;
}

PngChunkWalk::PngChunkWalk(Bytes bytesAt, qint64 size, bool bounded)
    : bytesAt_(std::move(bytesAt))
    , size_(std::max<qint64>(0, size))
    , bounded_(bounded)
{
    const char *signature = bytesAt_ ? bytesAt_(0, 8) : nullptr;
    if (!signature || std::memcmp(signature, kPngSignature, 8) != 0)
        end_ = End::NotPng;
}

bool PngChunkWalk::next(PngChunk &chunk)
{
    if (end_ != End::Walking)
        return false;
    if (bounded_ && chunks_ >= maxPngChunks(size_)) {
        end_ = End::PastBound;
        return false;
    }
    const char *header = position_ <= size_ - 8 ? bytesAt_(position_, 8) : nullptr;
    if (!header) {
        end_ = End::EndOfData;
        return false;
    }
    const quint32 length = qFromBigEndian<quint32>(header);
    if (length > 0x7fffffffu) {
        lastLength_ = length;
        end_ = End::Damaged;
        return false;
    }
    chunk.offset = position_;
    chunk.length = length;
    std::memcpy(chunk.type, header + 4, 4);
    ++chunks_;
    position_ = chunk.end();
    if (chunk.is("IEND"))
        end_ = End::EndChunk;
    else if (position_ > size_) {
        lastLength_ = length;
        end_ = End::Damaged;
    }
    return true;
}

QString PngChunkWalk::reason() const
{
    if (end_ == End::PastBound)
        return QStringLiteral("more than %1 chunks").arg(maxPngChunks(size_));
    if (end_ == End::Damaged)
        return lastLength_ > 0x7fffffffu
            ? QStringLiteral("a chunk length of %1 bytes, past what a PNG may hold").arg(lastLength_)
            : QStringLiteral("a chunk of %1 bytes runs past the end of the file").arg(lastLength_);
    return {};
}

} // namespace platform::imaging
