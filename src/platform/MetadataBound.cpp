#include "platform/MetadataBound.h"

#include "platform/Log.h"
#include "platform/PngChunks.h"
#include "platform/RegularFile.h"
#include "platform/TiffDirectoryWalk.h"

#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

namespace platform::imaging {

namespace {

// The file read through one short window, replaced by the next read: no block the walk passes
// over is kept, or read when it is longer than the window (the picture data of a PNG comes in
// chunks of a few kilobytes: the walk reads about as much of it as the metadata library's own
// walk over the chunks would).
class Window final : public TiffBytes
{
public:
    explicit Window(const RegularFile &file)
        : file_(file)
        , size_(file.size())
    {
    }

    qint64 size() const { return size_; }

    // `length` bytes (at most kWindow) from `offset`; false when the file ends first.
    bool read(qint64 offset, qint64 length, const char *&out) override
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

quint32 little32(const char *p)
{
    return qFromLittleEndian<quint32>(p);
}

qint64 little24(const char *p)
{
    return qint64(quint8(p[0])) | qint64(quint8(p[1])) << 8 | qint64(quint8(p[2])) << 16;
}

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

void walkExif(Window &file, qint64 offset, qint64 length, MetadataExtent &extent);

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
        if (chunk.is("eXIf"))
            walkExif(file, chunk.dataOffset(), chunk.length, extent);
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
        if (std::memcmp(p, "EXIF", 4) == 0)
            walkExif(file, at + 8, length, extent);
        at += 8 + length + (length & 1);
    }
}

// The chunks of a WebP from `from` to `end` (the RIFF container's end, or an animation frame's),
// each handed to `visit` (its type, where its data starts, its length) once it is known to lie
// within them; false, with `damage` told, at the first that does not or that `visit` refuses.
template <typename Visit>
bool walkWebpChunks(Window &file, qint64 from, qint64 end, const QString &container, QString &damage, Visit visit)
{
    const char *p = nullptr;
    for (qint64 at = from; at <= end - 8;) {
        if (!file.read(at, 8, p)) {
            damage = QStringLiteral("a chunk that cannot be read");
            return false;
        }
        char type[4];
        std::memcpy(type, p, 4);
        const qint64 length = little32(p + 4);
        if (length > end - at - 8) {
            damage = QStringLiteral("its %1 chunk claims %2 bytes, more than %3 holds")
                         .arg(QString::fromLatin1(type, 4).trimmed())
                         .arg(length)
                         .arg(container);
            return false;
        }
        if (!visit(type, at + 8, length))
            return false;
        at += 8 + length + (length & 1);
    }
    return true;
}

bool isWebpType(const char *type, const char *kind)
{
    return std::memcmp(type, kind, 4) == 0;
}

// The pixels the VP8 or VP8L bitstream of `length` bytes at `at` states; 0 when it states none.
qint64 webpBitstreamPixels(Window &file, const char *type, qint64 at, qint64 length)
{
    const char *p = nullptr;
    if (isWebpType(type, "VP8L")) {
        // The signature byte, then the width and the height less one, 14 bits each.
        if (length < 5 || !file.read(at, 5, p) || quint8(p[0]) != 0x2F)
            return 0;
        const quint32 bits = little32(p + 1);
        return qint64((bits & 0x3FFF) + 1) * qint64(((bits >> 14) & 0x3FFF) + 1);
    }
    // A key frame's tag and start code, then the width and the height in 14 bits each.
    if (length < 10 || !file.read(at, 10, p) || std::memcmp(p + 3, "\x9d\x01\x2a", 3) != 0)
        return 0;
    return qint64(qFromLittleEndian<quint16>(p + 6) & 0x3FFF) * qint64(qFromLittleEndian<quint16>(p + 8) & 0x3FFF);
}

// The picture data of one frame of a WebP: its bitstream and its alpha chunk.
struct WebpFrame {
    qint64 pixels = 0; // as the frame states them (the canvas, an animation frame's size or the bitstream's)
    qint64 bytes = 0;

    bool add(Window &file, const char *type, qint64 at, qint64 length)
    {
        const bool bitstream = isWebpType(type, "VP8 ") || isWebpType(type, "VP8L");
        if (!bitstream && !isWebpType(type, "ALPH"))
            return false;
        if (bitstream)
            pixels = std::max(pixels, webpBitstreamPixels(file, type, at, length));
        bytes += length;
        return true;
    }
    // No encoder writes more than four bytes a pixel (the pixels as they stand, uncompressed) and
    // some headers: a frame claiming more is no picture (a sparse file of a gigabyte behind a
    // small canvas would be read whole by every reader).
    bool withinBound(QString &damage) const
    {
        if (bytes <= 4 * pixels + kMaxWebpHeaderBytes)
            return true;
        damage = QStringLiteral("%1 bytes of picture data for %2 pixels").arg(bytes).arg(pixels);
        return false;
    }
    static constexpr qint64 kMaxWebpHeaderBytes = 1024 * 1024;
};

// Why no reader may see a WebP, for a log line.
struct WebpRefusal {
    SkipReason reason = SkipReason::Damaged;
    QString detail; // empty when a reader may
};

// Qt's reader takes a WebP whole into memory before it decodes a pixel, whatever its chunks hold:
// past its picture data, no more than this (four times the metadata exiv2 is given, beyond which
// the metadata alone is left out).
constexpr qint64 kMaxWebpOtherBytes = 4 * kMaxMetadataBytes;

// Why no reader may see the WebP read through `file`; no detail when one may, or when the file is
// no WebP.
WebpRefusal webpRefusal(Window &file)
{
    const char *p = nullptr;
    if (!file.read(0, 12, p) || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WEBP", 4) != 0)
        return {};
    const qint64 end = 8 + qint64(little32(p + 4));
    if (end > file.size())
        return {SkipReason::Damaged,
                QStringLiteral("its RIFF header claims %1 bytes, more than the file holds").arg(end)};
    QString damage;
    qint64 canvas = 0;
    qint64 other = 0; // bytes of the chunks that are no picture data
    WebpFrame still;
    const bool walked = walkWebpChunks(
        file, 12, end, QStringLiteral("the file"), damage, [&](const char *type, qint64 at, qint64 length) {
            if (isWebpType(type, "ANMF")) {
                // An animation frame: its offset, size less one and duration, then its chunks.
                if (length < 16 || !file.read(at, 16, p)) {
                    damage = QStringLiteral("an animation frame without its header");
                    return false;
                }
                WebpFrame frame;
                frame.pixels = (little24(p + 6) + 1) * (little24(p + 9) + 1);
                return walkWebpChunks(file, at + 16, at + length, QStringLiteral("its frame"), damage,
                                      [&](const char *inner, qint64 innerAt, qint64 innerLength) {
                                          if (!frame.add(file, inner, innerAt, innerLength))
                                              other += 8 + innerLength;
                                          return true;
                                      })
                    && frame.withinBound(damage);
            }
            if (isWebpType(type, "VP8X") && length >= 10 && file.read(at + 4, 6, p))
                canvas = (little24(p) + 1) * (little24(p + 3) + 1);
            if (!still.add(file, type, at, length))
                other += 8 + length;
            return true;
        });
    if (!walked)
        return {SkipReason::Damaged, damage};
    still.pixels = std::max(still.pixels, canvas);
    if (!still.withinBound(damage))
        return {SkipReason::Damaged, damage};
    if (other > kMaxWebpOtherBytes)
        return {SkipReason::TooLarge,
                QStringLiteral("more than %1 MB besides its picture data").arg(kMaxWebpOtherBytes / (1024 * 1024))};
    return {};
}

// The markers of a JPEG up to its first scan, and the Exif block of the first APP1 segment that
// holds one (the one exiv2 reads), counted as walkTiff counts it.
void walkJpeg(const RegularFile &source, Window &file, MetadataExtent &extent)
{
    JpegSegmentWalk walk([&source](qint64 offset, qint64 length) { return source.readAt(offset, length); }, file.size(),
                         JpegExtent::BeforeScan);
    JpegSegment segment;
    const char *p = nullptr;
    while (walk.next(segment)) {
        if (segment.marker == 0xE1 && segment.length >= 8 && file.read(segment.offset + 2, 6, p)
            && std::memcmp(p, "Exif\0\0", 6) == 0) {
            walkExif(file, segment.offset + 2, segment.length - 2, extent);
            return;
        }
    }
}

// The most directories a walk reads; past them the structure is taken as past the bounds (a chain
// of directories that loops, or a tree of sub-images with no end).
constexpr int kMaxTiffDirectories = 256;
// exiv2 reads no directory of more entries than this.
constexpr qint64 kMaxExivEntries = 256;

// Where a maker note's directory starts past the header its maker writes (as exiv2 tells the
// kinds apart), and whether it holds a TIFF header of its own.
struct MakerNoteStart {
    qint64 skip = 0;
    bool ownHeader = false;
};

MakerNoteStart makerNoteStart(const char *head, qint64 length)
{
    struct Kind {
        const char *signature;
        int size;
        MakerNoteStart start;
    };
    static const Kind kinds[] = {
        {"Nikon\0\x02", 7, {10, true}},   {"Nikon\0\x01", 7, {8, false}}, {"OLYMPUS\0", 8, {12, false}},
        {"OM SYSTEM\0", 10, {16, false}}, {"OLYMP\0", 6, {8, false}},     {"FUJIFILM", 8, {12, false}},
        {"SIGMA\0", 6, {10, false}},      {"FOVEON\0", 7, {10, false}},   {"SONY DSC ", 9, {12, false}},
        {"PENTAX ", 7, {10, false}},      {"AOC\0", 4, {6, false}},       {"Panasonic", 9, {12, false}},
        {"QVC\0", 4, {6, false}},         {"Apple iOS", 9, {14, false}},  {"LEICA", 5, {8, false}}};
    for (const Kind &kind : kinds)
        if (length >= kind.size && std::memcmp(head, kind.signature, size_t(kind.size)) == 0)
            return kind.start;
    return {}; // a directory right at its start (Canon, Minolta, Samsung and others)
}

// Counts into `extent` what exiv2 copies of the TIFF structure `tiff`: an entry, and a record of
// it, for every field of every directory it reads, and each field's data once for every entry that
// names it (entries that all point at one large block cost that block each time). The directories:
// the chain from IFD0 to IFD3, up to nine sub-images of each, the Exif, GPS and interoperability
// directories wherever they are linked, and the maker note, which exiv2 parses as a directory of
// its own.
void walkTiff(TiffDirectoryWalk &tiff, TiffBytes &bytes, qint64 base, MetadataExtent &extent)
{
    if (!tiff.isTiff())
        return;
    struct Directory {
        qint64 offset;
        int chain; // place in the chain from IFD0 (0 to 3), or -1 for a linked directory
    };
    std::vector<Directory> pending{{tiff.firstDirectory(), 0}};
    QSet<qint64> seen;
    while (!pending.empty() && !pastBound(extent)) {
        const Directory directory = pending.back();
        pending.pop_back();
        if (seen.contains(directory.offset))
            continue;
        if (seen.size() >= kMaxTiffDirectories) {
            extent.blocks = std::max(extent.blocks, kMaxMetadataBlocks + 1);
            return;
        }
        seen.insert(directory.offset);
        const qint64 entries = tiff.entryCount(directory.offset);
        if (entries < 0 || (!tiff.isBig() && entries > kMaxExivEntries))
            continue;
        extent.blocks += int(entries);
        extent.bytes +=
            tiff.within(directory.offset, tiff.countSize() + tiff.entrySize() * entries + tiff.offsetSize());
        for (qint64 i = 0; i < entries && !pastBound(extent); ++i) {
            TiffEntry entry;
            if (!tiff.entry(directory.offset, i, entry))
                return;
            // exiv2 takes no data that claims more than the whole structure, and cuts the rest at its end.
            const bool held = entry.bytes <= tiff.length();
            if (!entry.inlined && held)
                extent.bytes += tiff.within(entry.data, entry.bytes);
            if (entry.tag == 34665 || entry.tag == 34853 || entry.tag == 40965) {
                if (const std::optional<qint64> linked = tiff.integer(entry))
                    pending.push_back({*linked, -1});
            } else if (entry.tag == 330 && entry.count > 0) {
                // SubIFDs: the offsets of the sub-images, in the entry or where it points.
                for (qint64 k = 0; k < std::min<qint64>(qint64(entry.count), 9); ++k)
                    if (const std::optional<qint64> linked = tiff.offsetAt(entry.data + tiff.offsetSize() * k))
                        pending.push_back({*linked, -1});
            } else if (entry.tag == 37500 && !entry.inlined && held && entry.bytes >= 14) {
                // The maker note: a directory after its maker's header, counted from the outer
                // header or from a TIFF header of its own.
                const char *head = nullptr;
                if (!bytes.read(base + entry.data, 16, head))
                    continue;
                const MakerNoteStart start = makerNoteStart(head, entry.bytes);
                if (start.ownHeader) {
                    TiffDirectoryWalk inner(bytes, base + entry.data + start.skip,
                                            tiff.within(entry.data + start.skip, entry.bytes - start.skip));
                    MetadataExtent note;
                    walkTiff(inner, bytes, base + entry.data + start.skip, note);
                    extent.blocks += note.blocks;
                    extent.bytes += note.bytes;
                } else {
                    pending.push_back({entry.data + start.skip, -1});
                }
            }
        }
        const qint64 next = tiff.nextDirectory(directory.offset, entries);
        if (directory.chain >= 0 && directory.chain < 3 && next != 0)
            pending.push_back({next, directory.chain + 1});
    }
}

// The Exif block (a TIFF structure, after an "Exif\0\0" signature where one stands) of `length`
// bytes at `offset`, counted as walkTiff counts it.
void walkExif(Window &file, qint64 offset, qint64 length, MetadataExtent &extent)
{
    const char *p = nullptr;
    if (length >= 6 && file.read(offset, 6, p) && std::memcmp(p, "Exif\0\0", 6) == 0) {
        offset += 6;
        length -= 6;
    }
    TiffDirectoryWalk tiff(file, offset, std::min(length, file.size() - offset));
    walkTiff(tiff, file, offset, extent);
}

} // namespace

TiffOpening tiffOpening(const RegularFile &file)
{
    Window window(file);
    return tiffOpening(window, window.size());
}

TiffOpening tiffOpening(TiffBytes &bytes, qint64 length)
{
    TiffOpening opening;
    TiffDirectoryWalk tiff(bytes, 0, length);
    if (!tiff.isTiff())
        return opening;
    opening.isTiff = true;
    const qint64 directory = tiff.firstDirectory();
    opening.entries = tiff.entryCount(directory);
    const qint64 entries = std::clamp<qint64>(opening.entries, 0, kMaxTiffEntries);
    // libtiff takes the size and the compression in any integer type, and the first of a field
    // given twice.
    std::optional<qint64> width, height, compression, samples;
    qint64 largest = 0;
    for (qint64 i = 0; i < entries; ++i) {
        TiffEntry entry;
        if (!tiff.entry(directory, i, entry))
            break;
        std::optional<qint64> *known = entry.tag == 256 ? &width
            : entry.tag == 257                          ? &height
            : entry.tag == 259                          ? &compression
            : entry.tag == 277                          ? &samples
                                                        : nullptr;
        if (known && !*known)
            *known = tiff.integer(entry);
        if (entry.tag == 273 || entry.tag == 324) // StripOffsets, TileOffsets
            opening.strips = std::max(opening.strips, qint64(std::min<quint64>(entry.count, quint64(1) << 62)));
        if (entry.inlined)
            continue; // the value lies within its entry
        const qint64 present = tiff.within(entry.data, entry.bytes);
        opening.fieldBytes += present;
        largest = std::max(largest, present);
    }
    opening.fieldBytes += largest;
    const qint64 most = std::numeric_limits<qint64>::max();
    const qint64 w = std::clamp<qint64>(width.value_or(0), 0, qint64(1) << 31);
    const qint64 h = std::clamp<qint64>(height.value_or(0), 0, qint64(1) << 31);
    opening.pixels = w == 0 || h <= most / w ? w * h : most;
    opening.height = height.value_or(0);
    opening.compression = compression.value_or(1);
    opening.samples = samples.value_or(1);
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
    else if (std::memcmp(head, "II", 2) == 0 || std::memcmp(head, "MM", 2) == 0)
        walkExif(window, 0, window.size(), extent);
    else if (quint8(head[0]) == 0xFF && quint8(head[1]) == 0xD8)
        walkJpeg(file, window, extent);
    return extent;
}

bool webpMayBeRead(const QString &path, const RegularFile &file)
{
    Window window(file);
    const WebpRefusal refusal = webpRefusal(window);
    if (refusal.detail.isEmpty())
        return true;
    logSkippedFile(lcPlatform(), path, refusal.reason, refusal.detail);
    return false;
}

bool metadataMayBeRead(const QString &path, const RegularFile &file)
{
    // A damaged WebP goes to no library, the metadata library included.
    if (!webpMayBeRead(path, file))
        return false;
    const QString refusal = metadataExtent(file).refusal();
    if (refusal.isEmpty())
        return true;
    logSkippedMetadata(lcPlatform(), path, SkipReason::TooLarge, refusal);
    return false;
}

} // namespace platform::imaging
