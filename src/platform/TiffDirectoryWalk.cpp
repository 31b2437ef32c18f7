#include "platform/TiffDirectoryWalk.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>

namespace platform::imaging {

namespace {

constexpr quint64 kMaxEntries = 65535;

} // namespace

qint64 tiffTypeBytes(quint16 type)
{
    switch (type) {
    case 1:
    case 2:
    case 6:
    case 7:
        return 1; // BYTE, ASCII, SBYTE, UNDEFINED
    case 3:
    case 8:
        return 2; // SHORT, SSHORT
    case 4:
    case 9:
    case 11:
    case 13:
        return 4; // LONG, SLONG, FLOAT, IFD
    case 5:
    case 10:
    case 12:
    case 16:
    case 17:
    case 18:
        return 8; // RATIONAL, SRATIONAL, DOUBLE, LONG8, SLONG8, IFD8
    default:
        return 0;
    }
}

TiffDirectoryWalk::TiffDirectoryWalk(TiffBytes &bytes, qint64 base, qint64 length)
    : bytes_(bytes)
    , base_(base)
    , length_(std::max<qint64>(length, 0))
{
    const char *p = nullptr;
    if (!read(0, 8, p))
        return;
    if (std::memcmp(p, "II", 2) == 0)
        little_ = true;
    else if (std::memcmp(p, "MM", 2) == 0)
        little_ = false;
    else
        return;
    const quint64 version = number(p + 2, 2);
    if (version == 42) {
        first_ = qint64(number(p + 4, 4));
    } else if (version == 43 && number(p + 4, 2) == 8 && number(p + 6, 2) == 0 && read(8, 8, p)) {
        big_ = true;
        const quint64 first = number(p, 8);
        first_ = first > quint64(std::numeric_limits<qint64>::max()) ? length_ : qint64(first);
    }
}

bool TiffDirectoryWalk::read(qint64 offset, qint64 length, const char *&out)
{
    if (offset < 0 || offset > length_ - length)
        return false;
    return bytes_.read(base_ + offset, length, out);
}

quint64 TiffDirectoryWalk::number(const char *p, int size) const
{
    switch (size) {
    case 1:
        return quint8(*p);
    case 2:
        return little_ ? qFromLittleEndian<quint16>(p) : qFromBigEndian<quint16>(p);
    case 4:
        return little_ ? qFromLittleEndian<quint32>(p) : qFromBigEndian<quint32>(p);
    default:
        return little_ ? qFromLittleEndian<quint64>(p) : qFromBigEndian<quint64>(p);
    }
}

qint64 TiffDirectoryWalk::entryCount(qint64 directory)
{
    const char *p = nullptr;
    if (!read(directory, countSize(), p))
        return -1;
    const quint64 count = number(p, int(countSize()));
    // A classic directory holds at most 65,535 entries; no writer gives a BigTIFF's more, and a
    // directory stating millions is no directory (libtiff takes it for none).
    if (count > kMaxEntries)
        return -1;
    return count > quint64(length_) ? length_ : qint64(count);
}

bool TiffDirectoryWalk::entry(qint64 directory, qint64 index, TiffEntry &out)
{
    const qint64 at = directory + countSize() + index * entrySize();
    const char *p = nullptr;
    if (index < 0 || index > length_ / entrySize() || !read(at, entrySize(), p))
        return false;
    out.tag = quint16(number(p, 2));
    out.type = quint16(number(p + 2, 2));
    out.count = big_ ? number(p + 4, 8) : number(p + 4, 4);
    const qint64 size = tiffTypeBytes(out.type);
    constexpr quint64 most = quint64(1) << 62;
    out.bytes = size == 0 ? 0 : qint64(std::min<quint64>(out.count, most / quint64(size)) * quint64(size));
    out.inlined = out.bytes <= offsetSize();
    const qint64 value = at + (big_ ? 12 : 8);
    if (out.inlined) {
        out.data = value;
    } else {
        const quint64 offset = number(p + (big_ ? 12 : 8), int(offsetSize()));
        out.data = offset > quint64(length_) ? length_ : qint64(offset);
    }
    return true;
}

qint64 TiffDirectoryWalk::nextDirectory(qint64 directory, qint64 entries)
{
    const std::optional<qint64> next = offsetAt(directory + countSize() + entries * entrySize());
    return next.value_or(0);
}

std::optional<qint64> TiffDirectoryWalk::offsetAt(qint64 at)
{
    const char *p = nullptr;
    if (!read(at, offsetSize(), p))
        return std::nullopt;
    const quint64 offset = number(p, int(offsetSize()));
    return offset > quint64(length_) ? length_ : qint64(offset);
}

std::optional<qint64> TiffDirectoryWalk::integer(const TiffEntry &entry)
{
    const char *p = nullptr;
    if (!entry.inlined || entry.count == 0 || !read(entry.data, offsetSize(), p))
        return std::nullopt;
    switch (entry.type) {
    case 1:
    case 6:
        return qint64(number(p, 1));
    case 3:
    case 8:
        return qint64(number(p, 2));
    case 4:
    case 9:
        return qint64(number(p, 4));
    case 16:
    case 17: {
        const quint64 value = number(p, 8);
        return value > quint64(std::numeric_limits<qint64>::max()) ? std::numeric_limits<qint64>::max() : qint64(value);
    }
    default:
        return std::nullopt;
    }
}

qint64 TiffDirectoryWalk::within(qint64 offset, qint64 bytes) const
{
    if (offset < 0 || offset >= length_)
        return 0;
    return std::clamp<qint64>(std::min(bytes, length_ - offset), 0, bytes);
}

} // namespace platform::imaging
