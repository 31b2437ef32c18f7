#include "platform/MetadataBound.h"

#include "platform/Log.h"
#include "platform/PngChunks.h"
#include "platform/RegularFile.h"

#include <QSet>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace platform::imaging {

namespace {

// The file read through one short window, replaced by the next read: no block the walk passes
// over is kept, or read when it is longer than the window (the picture data of a PNG comes in
// chunks of a few kilobytes: the walk reads about as much of it as the metadata library's own
// walk over the chunks would).
class Window
{
public:
    explicit Window(const RegularFile &file)
        : file_(file)
        , size_(file.size())
    {
    }

    qint64 size() const { return size_; }

    // `length` bytes (at most kWindow) from `offset`; false when the file ends first.
    bool read(qint64 offset, qint64 length, const char *&out)
    {
        if (offset < 0 || length > kWindow || offset > size_ - length)
            return false;
        if (offset < start_ || offset + length > start_ + bytes_.size()) {
            bytes_ = file_.readAt(offset, std::min(kWindow, size_ - offset));
            start_ = offset;
            if (bytes_.size() < length)
                return false;
        }
        out = bytes_.constData() + (offset - start_);
        return true;
    }

    static constexpr qint64 kWindow = 4096;

private:
    const RegularFile &file_;
    const qint64 size_;
    QByteArray bytes_;
    qint64 start_ = 0;
};

quint32 big32(const char *p)
{
    return (quint32(quint8(p[0])) << 24) | (quint32(quint8(p[1])) << 16) | (quint32(quint8(p[2])) << 8)
        | quint32(quint8(p[3]));
}

quint32 little32(const char *p)
{
    return quint32(quint8(p[0])) | (quint32(quint8(p[1])) << 8) | (quint32(quint8(p[2])) << 16)
        | (quint32(quint8(p[3])) << 24);
}

// A TIFF's numbers, in the byte order its header names.
struct TiffOrder {
    bool little;
    quint16 u16(const char *p) const
    {
        return little ? quint16(quint8(p[0]) | (quint8(p[1]) << 8)) : quint16((quint8(p[0]) << 8) | quint8(p[1]));
    }
    quint32 u32(const char *p) const { return little ? little32(p) : big32(p); }
};

bool pastBound(const MetadataExtent &extent)
{
    return extent.blocks > kMaxMetadataBlocks || extent.bytes > kMaxMetadataBytes;
}

// Bytes of a block of `length` from `offset` that lie within the file.
qint64 within(qint64 offset, qint64 length, qint64 size)
{
    return std::clamp<qint64>(std::min(length, size - offset), 0, length);
}

// The chunks of a PNG besides its picture data that a decoder may read and exiv2 does not.
bool isPngPictureChunk(const char *type)
{
    static const char *const kinds[] = {"IHDR", "PLTE", "IDAT", "IEND", "tRNS", "gAMA", "cHRM", "sRGB",
                                        "bKGD", "pHYs", "sBIT", "hIST", "sPLT", "tIME", "oFFs", "pCAL",
                                        "sCAL", "sTER", "acTL", "fcTL", "fdAT", "cICP", "mDCv", "cLLi"};
    return std::any_of(std::begin(kinds), std::end(kinds),
                       [type](const char *kind) { return std::memcmp(type, kind, 4) == 0; });
}

void walkPng(Window &file, MetadataExtent &extent)
{
    PngChunkWalk walk(
        [&file](qint64 offset, qint64 length) {
            const char *p = nullptr;
            return file.read(offset, length, p) ? p : nullptr;
        },
        file.size());
    PngChunk chunk;
    while (!pastBound(extent) && walk.next(chunk)) {
        // Critical chunks (the picture's own) and the ancillary ones a decoder reads are passed
        // over by exiv2 as here.
        if (!chunk.isCritical() && !isPngPictureChunk(chunk.type)) {
            ++extent.blocks;
            extent.bytes += within(chunk.dataOffset(), chunk.length, file.size());
        }
    }
    // exiv2 walks every chunk to the end chunk, picture data and all.
    if (walk.end() == PngChunkWalk::End::PastBound)
        extent.structure = walk.reason();
}

void walkWebp(Window &file, MetadataExtent &extent)
{
    qint64 at = 12;
    const char *p = nullptr;
    while (!pastBound(extent) && file.read(at, 8, p)) {
        const qint64 length = little32(p + 4);
        const bool picture = std::memcmp(p, "VP8 ", 4) == 0 || std::memcmp(p, "VP8L", 4) == 0
            || std::memcmp(p, "VP8X", 4) == 0 || std::memcmp(p, "ALPH", 4) == 0 || std::memcmp(p, "ANIM", 4) == 0;
        // Animation frames are picture data too.
        if (!picture && std::memcmp(p, "ANMF", 4) != 0) {
            ++extent.blocks;
            extent.bytes += within(at + 8, length, file.size());
        }
        at += 8 + length + (length & 1);
    }
}

// Bytes of one value of a TIFF field type (0 for a type no reader knows).
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
        return 8; // RATIONAL, SRATIONAL, DOUBLE
    default:
        return 0;
    }
}

void walkTiff(Window &file, MetadataExtent &extent, bool little)
{
    const TiffOrder order{little};
    const auto u16 = [order](const char *at) { return order.u16(at); };
    const auto u32 = [order](const char *at) { return order.u32(at); };
    const char *p = nullptr;
    if (!file.read(4, 4, p))
        return;
    // The directories exiv2 reads: the chain from IFD0 to IFD3, up to nine sub-images of each, and
    // the Exif, GPS and interoperability directories wherever they are linked.
    struct Directory {
        qint64 offset;
        int chain; // place in the chain from IFD0 (0 to 3), or -1 for a linked directory
    };
    std::vector<Directory> pending{{qint64(u32(p)), 0}};
    QSet<qint64> seen;
    while (!pending.empty() && !pastBound(extent)) {
        const Directory directory = pending.back();
        pending.pop_back();
        if (seen.contains(directory.offset) || !file.read(directory.offset, 2, p))
            continue;
        seen.insert(directory.offset);
        // exiv2 keeps an entry, and a record of it, for every field of every directory it reads.
        const int entries = u16(p);
        extent.blocks += entries;
        extent.bytes += within(directory.offset, 2 + 12 * qint64(entries) + 4, file.size());
        for (int i = 0; i < entries && !pastBound(extent); ++i) {
            const qint64 entry = directory.offset + 2 + 12 * qint64(i);
            if (!file.read(entry, 12, p))
                return;
            const quint16 tag = u16(p);
            const qint64 count = u32(p + 4);
            const qint64 bytes = count * tiffTypeBytes(u16(p + 2));
            const qint64 value = u32(p + 8);
            if (bytes > 4)
                extent.bytes += within(value, bytes, file.size());
            if (tag == 34665 || tag == 34853 || tag == 40965) {
                pending.push_back({value, -1});
            } else if (tag == 330 && count > 0) {
                // SubIFDs: the offsets of the sub-images, in the entry or where it points.
                const qint64 first = bytes > 4 ? value : entry + 8;
                for (qint64 k = 0; k < std::min<qint64>(count, 9); ++k) {
                    const char *q = nullptr;
                    if (!file.read(first + 4 * k, 4, q))
                        break;
                    pending.push_back({qint64(u32(q)), -1});
                }
            }
        }
        const qint64 next = directory.offset + 2 + 12 * qint64(entries);
        if (directory.chain >= 0 && directory.chain < 3 && file.read(next, 4, p) && u32(p) != 0)
            pending.push_back({qint64(u32(p)), directory.chain + 1});
    }
}

} // namespace

TiffOpening tiffOpening(const RegularFile &file)
{
    TiffOpening opening;
    Window window(file);
    const char *p = nullptr;
    if (!window.read(0, 8, p))
        return opening;
    const bool little = std::memcmp(p, "II\x2A\0", 4) == 0;
    if (!little && std::memcmp(p, "MM\0\x2A", 4) != 0)
        return opening;
    opening.isTiff = true;
    const TiffOrder order{little};
    const auto u16 = [order](const char *at) { return order.u16(at); };
    const auto u32 = [order](const char *at) { return order.u32(at); };
    const qint64 directory = u32(p + 4);
    if (!window.read(directory, 2, p))
        return opening;
    const int entries = u16(p);
    // libtiff takes the size and the compression in any integer type, and the first of a field
    // given twice.
    const auto integer = [&](quint16 type, const char *value) -> std::optional<qint64> {
        if (type == 1 || type == 6)
            return quint8(value[0]);
        if (type == 3 || type == 8)
            return u16(value);
        if (type == 4 || type == 9)
            return u32(value);
        return std::nullopt;
    };
    std::optional<qint64> width, height, compression;
    qint64 largest = 0;
    for (int i = 0; i < entries; ++i) {
        if (!window.read(directory + 2 + 12 * qint64(i), 12, p))
            break;
        const quint16 tag = u16(p), type = u16(p + 2);
        const qint64 bytes = qint64(u32(p + 4)) * tiffTypeBytes(type);
        std::optional<qint64> *known = tag == 256 ? &width : tag == 257 ? &height : tag == 259 ? &compression : nullptr;
        if (known && !*known)
            *known = integer(type, p + 8);
        if (bytes <= 4)
            continue; // the value lies within its entry
        const qint64 present = within(u32(p + 8), bytes, window.size());
        opening.fieldBytes += present;
        largest = std::max(largest, present);
    }
    opening.fieldBytes += largest;
    opening.pixels = width.value_or(0) * height.value_or(0);
    opening.height = height.value_or(0);
    opening.compression = compression.value_or(1);
    return opening;
}

QString MetadataExtent::refusal() const
{
    if (!structure.isEmpty())
        return structure;
    if (blocks > kMaxMetadataBlocks)
        return QStringLiteral("more than %1 metadata blocks").arg(kMaxMetadataBlocks);
    if (bytes > kMaxMetadataBytes)
        return QStringLiteral("more than %1 MB of metadata").arg(kMaxMetadataBytes / (1024 * 1024));
    return {};
}

MetadataExtent metadataExtent(const RegularFile &file)
{
    MetadataExtent extent;
    Window window(file);
    const char *head = nullptr;
    if (!window.read(0, 12, head))
        return extent;
    if (std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0)
        walkPng(window, extent);
    else if (std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0)
        walkWebp(window, extent);
    else if (std::memcmp(head, "II\x2A\0", 4) == 0)
        walkTiff(window, extent, true);
    else if (std::memcmp(head, "MM\0\x2A", 4) == 0)
        walkTiff(window, extent, false);
    return extent;
}

bool metadataMayBeRead(const QString &path, const RegularFile &file)
{
    const QString refusal = metadataExtent(file).refusal();
    if (refusal.isEmpty())
        return true;
    logSkippedMetadata(lcPlatform(), path, SkipReason::TooLarge, refusal);
    return false;
}

} // namespace platform::imaging
