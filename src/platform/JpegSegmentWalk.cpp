#include "platform/JpegSegmentWalk.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

// The window where the walk hops from segment to segment (a segment's body is never read), and the
// one where it searches stray bytes, fill bytes or compressed data.
constexpr qint64 kHopWindow = 4096;
constexpr qint64 kSearchWindow = 256 * 1024;

constexpr int kSoi = 0xD8;
constexpr int kEoi = 0xD9;
constexpr int kSos = 0xDA;

bool isMetadata(int code)
{
    return (code >= 0xE0 && code <= 0xEF) || code == 0xFE;
}

bool hasNoLength(int code)
{
    return code == 0x01 || (code >= 0xD0 && code <= 0xD7);
}

} // namespace

QString JpegMarkerCount::refusal() const
{
    if (segments > kMaxJpegSegments)
        return QStringLiteral("more than %1 marker segments").arg(kMaxJpegSegments);
    if (metadataBytes > kMaxJpegMetadataBytes)
        return QStringLiteral("more than %1 MB of comment and application segments")
            .arg(kMaxJpegMetadataBytes / (1024 * 1024));
    if (headBytes > kMaxJpegHeadBytes)
        return QStringLiteral("more than %1 MB before its first scan").arg(kMaxJpegHeadBytes / (1024 * 1024));
    return {};
}

JpegSegmentWalk::JpegSegmentWalk(JpegMoreBytes bytesAt, qint64 size, JpegExtent extent)
    : bytesAt_(std::move(bytesAt))
    , size_(std::max<qint64>(0, size))
    , extent_(extent)
{
    if (!bytesAt_ || at(0) != 0xFF || at(1) != kSoi) {
        end_ = End::NotJpeg;
        return;
    }
    position_ = 2;
    count_.headBytes = 2;
}

bool JpegSegmentWalk::pastBound() const
{
    return count_.segments > kMaxJpegSegments || count_.metadataBytes > kMaxJpegMetadataBytes
        || count_.headBytes > kMaxJpegHeadBytes;
}

bool JpegSegmentWalk::next(JpegSegment &segment)
{
    if (end_ != End::Walking)
        return false;
    const qint64 start = position_;
    bool stray = false;
    for (;;) {
        if (pastBound()) {
            end_ = End::PastBound;
            return false;
        }
        // Before the first scan no search goes further than the head may reach.
        const qint64 limit = inScan_ ? size_ : std::min(size_, kMaxJpegHeadBytes + 1);
        // Stray bytes (or compressed data) up to the next FF, then any FF fill bytes.
        const qint64 ff = find(position_, limit, true);
        const qint64 codeAt = ff < 0 || ff >= limit ? ff : find(ff + 1, limit, false);
        if (codeAt < 0 || codeAt >= limit) {
            if (!inScan_ && codeAt >= limit)
                count_.headBytes = limit;
            end_ = codeAt >= 0 && limit < size_ ? End::PastBound : End::EndOfData;
            return false;
        }
        stray = stray || ff > position_;
        const int code = at(codeAt);
        position_ = codeAt + 1;
        if (!inScan_)
            count_.headBytes = position_;
        // FF 00 is a stuffed data byte (a stray one before the first scan).
        if (code == 0x00) {
            stray = true;
            continue;
        }
        segment = JpegSegment{code, position_, 0, codeAt - 1 - start, stray};
        if (hasNoLength(code)) {
            // Restart markers belong to a scan's data.
            if (inScan_)
                continue;
            ++count_.segments;
            return true;
        }
        if (code == kEoi) {
            end_ = End::EndOfImage;
            return false;
        }
        if (code == kSoi) {
            end_ = End::SecondImage;
            return false;
        }
        const bool lastOne = code == kSos && extent_ == JpegExtent::BeforeScan;
        if (!lastOne)
            ++count_.segments;
        const int high = at(position_);
        const int low = at(position_ + 1);
        if (high < 0 || low < 0) {
            segment.length = -1;
            end_ = End::EndOfData;
            return true;
        }
        segment.length = (high << 8) | low;
        if (isMetadata(code))
            count_.metadataBytes += std::min(segment.length, size_ - position_);
        // The library reads the two length bytes whatever they say.
        position_ += std::max<qint64>(segment.length, 2);
        if (code == kSos) {
            inScan_ = true;
            if (lastOne)
                end_ = End::FirstScan;
        } else if (!inScan_) {
            count_.headBytes = std::min(position_, size_);
        }
        return true;
    }
}

QByteArray JpegSegmentWalk::bytes(qint64 offset, qint64 length) const
{
    length = std::min(length, size_ - offset);
    if (offset < 0 || length <= 0)
        return {};
    QByteArray out = bytesAt_(offset, length);
    while (out.size() < length) {
        const QByteArray more = bytesAt_(offset + out.size(), length - out.size());
        if (more.isEmpty())
            break;
        out += more;
    }
    return out;
}

int JpegSegmentWalk::at(qint64 offset)
{
    const bool held = offset >= windowStart_ && offset < windowStart_ + window_.size();
    if (!held && !load(offset, kHopWindow))
        return -1;
    return int(quint8(window_[qsizetype(offset - windowStart_)]));
}

qint64 JpegSegmentWalk::find(qint64 offset, qint64 limit, bool ff)
{
    while (offset < limit) {
        const bool held = offset >= windowStart_ && offset < windowStart_ + window_.size();
        if (!held && !load(offset, kSearchWindow))
            return -1;
        const char *window = window_.constData();
        const qint64 from = offset - windowStart_;
        const qint64 to = std::min<qint64>(window_.size(), limit - windowStart_);
        if (ff) {
            const void *found = std::memchr(window + from, 0xFF, size_t(to - from));
            if (found)
                return windowStart_ + (static_cast<const char *>(found) - window);
        } else {
            for (qint64 i = from; i < to; ++i)
                if (quint8(window[i]) != 0xFF)
                    return windowStart_ + i;
        }
        offset = windowStart_ + to;
    }
    return limit;
}

bool JpegSegmentWalk::load(qint64 offset, qint64 length)
{
    if (offset < 0 || offset >= size_)
        return false;
    window_ = bytesAt_(offset, std::min(length, size_ - offset));
    windowStart_ = offset;
    return !window_.isEmpty();
}

} // namespace platform
