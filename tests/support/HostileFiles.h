#pragma once
// Files made to hurt a reader, and the means to see the harm: a PNG whose text chunk unpacks to a
// huge size, a PNG or WebP with a chunk put in, a WebP whose chunk claims more than it holds, a PNG with its picture
// data cut in many pieces, a PNG whose picture data goes on far past its rows, JPEGs with floods of marker segments,
// of metadata bytes or of tables wherever they may stand, with a long run of fill or stray bytes before their first
// segment, or with an Exif block, a TIFF whose embedded thumbnail is such a JPEG, a TIFF of one compressed strip
// (LZW, Deflate or PackBits) of any shape, a playlist that names another file, the rise of the process's memory while
// some work runs, and a watch that tells whether a file was opened.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>
#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace hostile {

constexpr qint64 kGiB = qint64(1) << 30;

inline void appendBigEndian(QByteArray &out, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xFF));
}

inline void appendChunk(QByteArray &png, const char *type, const QByteArray &data)
{
    const QByteArray body = QByteArray(type, 4) + data;
    appendBigEndian(png, quint32(data.size()));
    png += body;
    appendBigEndian(png, quint32(crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size()))));
}

// A PNG of picture data without a header chunk: the signature, a chunk of compressed data, the end.
inline QByteArray pngWithoutHeader()
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IDAT", QByteArray("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9));
    appendChunk(png, "IEND", QByteArray());
    return png;
}

// The PNG `png` with a chunk `type` holding `data` right after its header chunk (IHDR).
inline QByteArray pngWithChunk(QByteArray png, const char *type, const QByteArray &data)
{
    QByteArray chunk;
    appendChunk(chunk, type, data);
    return png.insert(8 + 25, chunk);
}

// The PNG `png` with its picture data cut into chunks (IDAT) of `piece` bytes each.
inline QByteArray pngWithDataInPieces(const QByteArray &png, qsizetype piece)
{
    QByteArray out = png.left(8), data;
    qsizetype at = 8;
    while (at + 12 <= png.size()) {
        const qsizetype length = qsizetype(quint8(png[at])) << 24 | quint8(png[at + 1]) << 16 | quint8(png[at + 2]) << 8
            | quint8(png[at + 3]);
        const QByteArray type = png.mid(at + 4, 4);
        if (type == "IDAT")
            data += png.mid(at + 8, length);
        if (type != "IDAT" || png.mid(at + 16 + length, 4) != "IDAT") {
            for (qsizetype from = 0; from < data.size(); from += piece)
                appendChunk(out, "IDAT", data.mid(from, piece));
            data.clear();
        }
        if (type != "IDAT")
            out += png.mid(at, 12 + length);
        at += 12 + length;
    }
    return out;
}

// The extended WebP `webp` (one with a VP8X chunk) with a chunk `type` holding `data` at its end.
inline QByteArray webpWithChunk(QByteArray webp, const char *type, const QByteArray &data)
{
    webp += QByteArray(type, 4);
    for (int shift = 0; shift < 32; shift += 8)
        webp += char((data.size() >> shift) & 0xFF);
    webp += data;
    if (data.size() % 2)
        webp += '\0';
    const qsizetype riff = webp.size() - 8;
    for (int i = 0; i < 4; ++i)
        webp[4 + i] = char((riff >> (8 * i)) & 0xFF);
    return webp;
}

// The WebP `webp` with its first chunk `type` claiming `more` bytes past the ones it holds, written
// to `path`; with `hold`, the RIFF size claims them too and the file grows to hold them as a hole
// at its end (nothing on disk); without, the chunk runs past the end of its container and file.
inline bool writeWebpClaiming(const QString &path, QByteArray webp, const char *type, qint64 more, bool hold)
{
    auto little = [&webp](qsizetype at, quint32 value) {
        for (int i = 0; i < 4; ++i)
            webp[at + i] = char((value >> (8 * i)) & 0xFF);
    };
    qsizetype at = 12;
    while (at + 8 <= webp.size() && webp.mid(at, 4) != QByteArray(type, 4))
        at += 8 + qsizetype(qFromLittleEndian<quint32>(webp.constData() + at + 4) + 1) / 2 * 2;
    if (at + 8 > webp.size())
        return false;
    little(at + 4, quint32(qFromLittleEndian<quint32>(webp.constData() + at + 4) + more));
    if (hold)
        little(4, quint32(webp.size() - 8 + more));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(webp) == webp.size()
        && (!hold || file.resize(webp.size() + more));
}

// `size` zero bytes through zlib, a mebibyte at a time (never all in memory).
inline QByteArray deflatedZeros(qint64 size)
{
    z_stream z{};
    EXPECT_EQ(deflateInit(&z, Z_BEST_COMPRESSION), Z_OK);
    const std::vector<Bytef> zeros(1 << 20, 0);
    std::vector<Bytef> out(1 << 16);
    QByteArray result;
    qint64 left = size;
    int flush = Z_NO_FLUSH;
    while (flush != Z_FINISH) {
        const qint64 step = std::min<qint64>(left, qint64(zeros.size()));
        left -= step;
        flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        z.next_in = const_cast<Bytef *>(zeros.data());
        z.avail_in = uInt(step);
        do {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            deflate(&z, flush);
            result.append(reinterpret_cast<const char *>(out.data()), qsizetype(out.size() - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return result;
}

// An 8-bit PNG of `width` x 1 pixels, grey or RGB, in runs of 4096 of 200 and 40, past the million
// pixels a side libpng takes by default.
inline QByteArray pngLine(quint32 width, bool colour = false)
{
    const int channels = colour ? 3 : 1;
    QByteArray row(qsizetype(width) * channels + 1, '\0');
    for (qsizetype i = 1; i < row.size(); ++i)
        row[i] = char(((i - 1) / channels / 4096) % 2 ? 200 : 40);
    uLongf packedSize = compressBound(uLong(row.size()));
    QByteArray packed(qsizetype(packedSize), '\0');
    compress2(reinterpret_cast<Bytef *>(packed.data()), &packedSize, reinterpret_cast<const Bytef *>(row.constData()),
              uLong(row.size()), 1);
    packed.resize(qsizetype(packedSize));
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    appendBigEndian(header, width);
    appendBigEndian(header, 1);
    header += char(8);
    header += char(colour ? 2 : 0);
    header += QByteArray(3, '\0');
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", QByteArray());
    return png;
}

// A 16 x 16 grey PNG whose compressed text chunk (zTXt) holds `textSize` bytes: about a thousandth
// of that on disk, all of it in memory once the text is read.
inline QByteArray pngWithHugeText(qint64 textSize)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    appendBigEndian(header, 16);
    appendBigEndian(header, 16);
    header += QByteArray("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, no interlace
    appendChunk(png, "IHDR", header);
    appendChunk(png, "zTXt", QByteArray("Comment\0\0", 9) + deflatedZeros(textSize));
    QByteArray rows;
    for (int y = 0; y < 16; ++y)
        rows += QByteArray(1, '\0') + QByteArray(16 * 3, char(0x80));
    uLongf packedSize = compressBound(uLong(rows.size()));
    QByteArray packed(qsizetype(packedSize), '\0');
    compress(reinterpret_cast<Bytef *>(packed.data()), &packedSize, reinterpret_cast<const Bytef *>(rows.constData()),
             uLong(rows.size()));
    packed.resize(qsizetype(packedSize));
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", QByteArray());
    return png;
}

// A 16 x 16 PNG (RGB, or 8-bit palette; interlaced or not) whose compressed picture data goes on
// after its rows with `tail` zero bytes more (about a thousandth of that on disk, made in no time:
// one flushed block of a mebibyte of zeros, repeated), or, with `emptyBlocks`, whose stream opens
// with that many empty stored blocks (5 bytes each, no rows) before its rows.
inline QByteArray pngWithDataPastItsRows(qint64 tail, bool interlaced = false, bool palette = false,
                                         int emptyBlocks = 0)
{
    const int bytesPerPixel = palette ? 1 : 3;
    QByteArray rows;
    static const int start[7][2] = {{0, 0}, {4, 0}, {0, 4}, {2, 0}, {0, 2}, {1, 0}, {0, 1}};
    static const int step[7][2] = {{8, 8}, {8, 8}, {4, 8}, {4, 4}, {2, 4}, {2, 2}, {1, 2}};
    for (int pass = 0; pass < (interlaced ? 7 : 1); ++pass) {
        const int columns = interlaced ? (16 - start[pass][0] + step[pass][0] - 1) / step[pass][0] : 16;
        const int lines = interlaced ? (16 - start[pass][1] + step[pass][1] - 1) / step[pass][1] : 16;
        for (int y = 0; y < lines; ++y) {
            rows += char(0);
            for (int i = 0; i < columns * bytesPerPixel; ++i)
                rows += char((i * 37 + y * 11 + pass) % (palette ? 4 : 256));
        }
    }
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY), Z_OK);
    auto deflated = [&z](const QByteArray &in, int flush) {
        QByteArray out(qsizetype(deflateBound(&z, uLong(in.size())) + 64), '\0');
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
        z.avail_in = uInt(in.size());
        z.next_out = reinterpret_cast<Bytef *>(out.data());
        z.avail_out = uInt(out.size());
        deflate(&z, flush);
        out.resize(out.size() - qsizetype(z.avail_out));
        return out;
    };
    QByteArray stream("\x78\xda", 2);
    stream += QByteArray("\x00\x00\x00\xff\xff", 5).repeated(emptyBlocks);
    stream += deflated(rows, Z_SYNC_FLUSH);
    uLong adler = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef *>(rows.constData()), uInt(rows.size()));
    const QByteArray mebibyte(1 << 20, '\0');
    const uLong zerosAdler =
        adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef *>(mebibyte.constData()), uInt(mebibyte.size()));
    QByteArray block;
    for (qint64 left = tail; left > 0; left -= mebibyte.size()) {
        // The first block still looks back at the rows; from the second on each is the same.
        if (block.isEmpty() || left == tail - mebibyte.size())
            block = deflated(mebibyte, Z_SYNC_FLUSH);
        stream += block;
        adler = adler32_combine(adler, zerosAdler, mebibyte.size());
    }
    stream += deflated(QByteArray(), Z_FINISH);
    deflateEnd(&z);
    appendBigEndian(stream, quint32(adler));

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    appendBigEndian(header, 16);
    appendBigEndian(header, 16);
    header += char(8);
    header += char(palette ? 3 : 2);
    header += QByteArray(2, '\0');
    header += char(interlaced ? 1 : 0);
    appendChunk(png, "IHDR", header);
    if (palette)
        appendChunk(png, "PLTE", QByteArray("\x00\x00\x00\xff\x00\x00\x00\xff\x00\x00\x00\xff", 12));
    appendChunk(png, "IDAT", stream);
    appendChunk(png, "IEND", QByteArray());
    return png;
}

// `count` marker segments `marker` (a comment is 0xFE, Exif 0xE1), each with `payload` bytes.
inline QByteArray jpegSegments(int marker, int payload, int count)
{
    const int length = payload + 2;
    QByteArray one = QByteArray("\xFF", 1) + char(marker) + char(length >> 8) + char(length & 0xFF);
    one += QByteArray(payload, 'x');
    return one.repeated(count);
}

// `count` quantisation table segments (DQT) of nearly 64 KiB each, every one holding 1,008 whole
// 8-bit tables, as the JPEG library accepts them.
inline QByteArray jpegTableSegments(int count)
{
    QByteArray table(65, char(1));
    table[0] = 0; // 8-bit precision, table 0
    const QByteArray payload = table.repeated(1008);
    const int length = int(payload.size()) + 2;
    return (QByteArray("\xFF\xDB", 2) + char(length >> 8) + char(length & 0xFF) + payload).repeated(count);
}

// Writes `jpeg` with `gap` bytes right after its SOI, a mebibyte at a time: FF fill bytes, or with
// `fill` false a hole that takes no room on disk and reads as zero bytes (stray bytes to a reader).
inline bool writeJpegAfterGap(const QString &path, const QByteArray &jpeg, qint64 gap, bool fill)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(jpeg.left(2)) != 2)
        return false;
    const QByteArray fillBytes(1 << 20, char(0xFF));
    for (qint64 left = gap; fill && left > 0; left -= fillBytes.size())
        if (file.write(fillBytes.constData(), std::min<qint64>(left, fillBytes.size())) <= 0)
            return false;
    return file.seek(2 + gap) && file.write(jpeg.mid(2)) == jpeg.size() - 2;
}

// Where jpegWith puts its segments: right after SOI, before the second scan of a progressive
// picture, or after the last scan's data, before EOI.
enum class JpegSpot { AfterSoi, BetweenScans, BeforeEoi };

// The JPEG `jpeg` with `inserted` bytes at `spot`; empty when the picture has no such place.
inline QByteArray jpegWith(QByteArray jpeg, JpegSpot spot, const QByteArray &inserted)
{
    qsizetype at = -1;
    if (spot == JpegSpot::AfterSoi)
        at = 2;
    else if (spot == JpegSpot::BeforeEoi)
        at = jpeg.endsWith("\xFF\xD9") ? jpeg.size() - 2 : -1;
    else if (const qsizetype first = jpeg.indexOf("\xFF\xDA"); first > 0)
        at = jpeg.indexOf("\xFF\xDA", first + 2); // markers never stand inside the compressed data
    if (at < 0)
        return {};
    return jpeg.insert(at, inserted);
}

// A little-endian TIFF written field by field, classic or BigTIFF (8-byte counts and offsets,
// 20-byte entries): the header, then what the caller puts.
struct TiffBytes {
    explicit TiffBytes(bool big = false)
        : big(big)
        , bytes(big ? QByteArray("II\x2B\0\x08\0\0\0\x10\0\0\0\0\0\0\0", 16) : QByteArray("II\x2A\0\x08\0\0\0", 8))
    {
    }
    bool big;
    QByteArray bytes;
    void put16(quint32 v)
    {
        bytes += char(v & 0xFF);
        bytes += char(v >> 8 & 0xFF);
    }
    void put32(quint32 v)
    {
        put16(v & 0xFFFF);
        put16(v >> 16);
    }
    void put64(quint64 v)
    {
        put32(quint32(v));
        put32(quint32(v >> 32));
    }
    // A directory's count of entries, and an offset.
    void putCount(quint32 entries) { big ? put64(entries) : put16(entries); }
    void putOffset(quint64 v) { big ? put64(v) : put32(quint32(v)); }
    // The size of a directory of `entries` entries, and where the first one written here starts.
    quint32 directorySize(quint32 entries) const { return big ? 8 + 20 * entries + 8 : 2 + 12 * entries + 4; }
    quint32 firstDirectory() const { return big ? 16 : 8; }
    // One directory entry; a value of up to four bytes (eight in a BigTIFF) lies within it.
    void entry(quint32 tag, quint32 type, quint64 count, quint64 value)
    {
        put16(tag);
        put16(type);
        big ? put64(count) : put32(quint32(count));
        putOffset(value);
    }
};

// A little-endian TIFF of `width` x `height` grey pixels whose second directory holds `thumbnail`
// as its Exif (JPEG) thumbnail.
inline QByteArray tiffWithThumbnail(int width, int height, const QByteArray &thumbnail)
{
    TiffBytes tiff;
    auto entry = [&](quint32 tag, quint32 type, quint32 value) { tiff.entry(tag, type, 1, value); };
    const quint32 ifd0 = 8, ifd0Entries = 9, ifd1 = ifd0 + 2 + 12 * ifd0Entries + 4, ifd1Entries = 3;
    const quint32 pixels = ifd1 + 2 + 12 * ifd1Entries + 4, pixelBytes = quint32(width * height);
    tiff.put16(ifd0Entries);
    entry(256, 4, quint32(width));  // ImageWidth
    entry(257, 4, quint32(height)); // ImageLength
    entry(258, 3, 8);               // BitsPerSample
    entry(259, 3, 1);               // Compression: none
    entry(262, 3, 1);               // PhotometricInterpretation: black is zero
    entry(273, 4, pixels);          // StripOffsets
    entry(277, 3, 1);               // SamplesPerPixel
    entry(278, 4, quint32(height)); // RowsPerStrip
    entry(279, 4, pixelBytes);      // StripByteCounts
    tiff.put32(ifd1);
    tiff.put16(ifd1Entries);
    entry(259, 3, 6);                         // Compression: JPEG
    entry(513, 4, pixels + pixelBytes);       // JPEGInterchangeFormat
    entry(514, 4, quint32(thumbnail.size())); // JPEGInterchangeFormatLength
    tiff.put32(0);
    for (quint32 i = 0; i < pixelBytes; ++i)
        tiff.bytes += char(i * 7 % 251);
    return tiff.bytes + thumbnail;
}

// `data` LZW-coded as libtiff codes a strip: codes of 9 to 12 bits, most significant bit first, a
// clear code when the table is full. Constant data makes strings of up to some 4,000 bytes.
inline QByteArray lzwCoded(const QByteArray &data)
{
    constexpr int clear = 256, end = 257, first = 258, full = 4094;
    QByteArray out;
    quint32 bits = 0;
    int pending = 0, width = 9;
    auto put = [&](int code) {
        bits = bits << width | quint32(code);
        for (pending += width; pending >= 8; pending -= 8)
            out += char(bits >> (pending - 8) & 0xFF);
    };
    std::vector<qint16> next(size_t(4096) * 256, -1); // the code of string `code` followed by a byte
    std::vector<int> used;
    int free = first, code = -1;
    put(clear);
    for (const char c : data) {
        const quint8 byte = quint8(c);
        if (code < 0) {
            code = byte;
            continue;
        }
        const size_t slot = size_t(code) * 256 + byte;
        if (next[slot] >= 0) {
            code = next[slot];
            continue;
        }
        put(code);
        code = byte;
        next[slot] = qint16(free++);
        used.push_back(int(slot));
        if (free == full) {
            put(clear);
            for (const int u : used)
                next[size_t(u)] = -1;
            used.clear();
            free = first;
            width = 9;
        } else if (free > (1 << width) - 1) {
            ++width;
        }
    }
    if (code >= 0) {
        put(code);
        if (++free > (1 << width) - 1 && width < 12)
            ++width;
    }
    put(end);
    if (pending > 0)
        out += char(bits << (8 - pending) & 0xFF);
    return out;
}

// A little-endian TIFF of `width` x `height` pixels of one grey in a single strip, compressed by
// `compression` (1 none, 5 LZW, 8 Deflate, 32773 PackBits): libtiff's decoder is asked for it one
// row at a time.
// A `privateTag` (when not 0) is a field of that tag no reader knows.
inline QByteArray tiffOfOneStrip(int width, int height, int compression, bool big = false, quint32 privateTag = 0)
{
    const QByteArray pixels(qsizetype(width) * height, char(128));
    QByteArray strip;
    if (compression == 5) {
        strip = lzwCoded(pixels);
    } else if (compression == 8) {
        uLongf size = compressBound(uLong(pixels.size()));
        strip.resize(qsizetype(size));
        compress2(reinterpret_cast<Bytef *>(strip.data()), &size, reinterpret_cast<const Bytef *>(pixels.constData()),
                  uLong(pixels.size()), 9);
        strip.resize(qsizetype(size));
    } else if (compression == 32773) {
        for (qsizetype left = pixels.size(); left > 0; left -= 128) {
            strip += char(1 - std::min<qsizetype>(left, 128)); // a run of that many bytes of the grey next
            strip += char(128);
        }
    } else {
        strip = pixels;
    }
    TiffBytes tiff(big);
    auto entry = [&](quint32 tag, quint32 type, quint32 value) { tiff.entry(tag, type, 1, value); };
    const quint32 entries = privateTag ? 10 : 9, offset = tiff.firstDirectory() + tiff.directorySize(entries);
    tiff.putCount(entries);
    entry(256, 4, quint32(width));        // ImageWidth
    entry(257, 4, quint32(height));       // ImageLength
    entry(258, 3, 8);                     // BitsPerSample
    entry(259, 4, quint32(compression));  // Compression, as a LONG: libtiff takes any integer type
    entry(262, 3, 1);                     // PhotometricInterpretation: black is zero
    entry(273, 4, offset);                // StripOffsets
    entry(277, 3, 1);                     // SamplesPerPixel
    entry(278, 4, quint32(height));       // RowsPerStrip
    entry(279, 4, quint32(strip.size())); // StripByteCounts
    if (privateTag)
        entry(privateTag, 3, 1);
    tiff.putOffset(0);
    return tiff.bytes + strip;
}

// A little-endian TIFF of `width` x `height` grey pixels stored plain, one row a strip.
inline QByteArray tiffOfStrips(int width, int height)
{
    TiffBytes tiff;
    auto entry = [&](quint32 tag, quint32 type, quint32 count, quint32 value) { tiff.entry(tag, type, count, value); };
    const quint32 entries = 9, offsets = tiff.firstDirectory() + tiff.directorySize(entries);
    const quint32 counts = offsets + 4 * quint32(height), pixels = counts + 4 * quint32(height);
    tiff.putCount(entries);
    entry(256, 4, 1, quint32(width));  // ImageWidth
    entry(257, 4, 1, quint32(height)); // ImageLength
    entry(258, 3, 1, 8);               // BitsPerSample
    entry(259, 3, 1, 1);               // Compression: none
    entry(262, 3, 1, 1);               // PhotometricInterpretation: black is zero
    entry(273, 4, quint32(height), offsets);
    entry(277, 3, 1, 1); // SamplesPerPixel
    entry(278, 4, 1, 1); // RowsPerStrip
    entry(279, 4, quint32(height), counts);
    tiff.putOffset(0);
    for (int row = 0; row < height; ++row)
        tiff.put32(pixels + quint32(row * width));
    for (int row = 0; row < height; ++row)
        tiff.put32(quint32(width));
    tiff.bytes += QByteArray(qsizetype(width) * height, char(128));
    return tiff.bytes;
}

// A 16 x 16 grey TIFF whose first directory holds a field (the layer data some editors keep,
// tag 37724) of `fieldBytes` bytes, written as a hole at the end: nothing on disk.
inline bool writeTiffWithHugeField(const QString &path, qint64 fieldBytes, bool big = false)
{
    TiffBytes tiff(big);
    auto entry = [&](quint32 tag, quint32 type, quint64 count, quint64 value) { tiff.entry(tag, type, count, value); };
    const quint32 entries = 10, pixels = tiff.firstDirectory() + tiff.directorySize(entries), field = pixels + 256;
    tiff.putCount(entries);
    entry(256, 4, 1, 16);                        // ImageWidth
    entry(257, 4, 1, 16);                        // ImageLength
    entry(258, 3, 1, 8);                         // BitsPerSample
    entry(259, 3, 1, 1);                         // Compression: none
    entry(262, 3, 1, 1);                         // PhotometricInterpretation: black is zero
    entry(273, 4, 1, pixels);                    // StripOffsets
    entry(277, 3, 1, 1);                         // SamplesPerPixel
    entry(278, 4, 1, 16);                        // RowsPerStrip
    entry(279, 4, 1, 256);                       // StripByteCounts
    entry(37724, 7, quint64(fieldBytes), field); // ImageSourceData
    tiff.putOffset(0);
    for (int i = 0; i < 256; ++i)
        tiff.bytes += char(i);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(tiff.bytes) == tiff.bytes.size()
        && file.resize(field + fieldBytes);
}

// A 64 x 48 grey TIFF made by "Canon" whose Exif maker note is a directory of `entries` entries
// that all point at one block of `blockBytes` bytes: each entry's data is copied by a metadata
// reader that parses the maker note. The same bytes serve as the Exif block of a PNG or a WebP;
// with `exifToo` the Exif directory names the block as many times over, so that one of 64 KB (a
// JPEG's APP1 segment) passes the bound.
inline QByteArray tiffWithMakerNoteFlood(int entries, quint32 blockBytes, bool exifToo = false)
{
    TiffBytes tiff;
    auto entry = [&](quint32 tag, quint32 type, quint32 value) { tiff.entry(tag, type, 1, value); };
    const quint32 exifEntries = exifToo ? quint32(entries) + 1 : 1;
    const quint32 ifd0Entries = 11, make = 8 + tiff.directorySize(ifd0Entries), exif = make + 8;
    const quint32 note = exif + tiff.directorySize(exifEntries), noteBytes = tiff.directorySize(quint32(entries));
    const quint32 pixels = note + noteBytes, block = pixels + 64 * 48;
    tiff.putCount(ifd0Entries);
    entry(256, 4, 64);           // ImageWidth
    entry(257, 4, 48);           // ImageLength
    entry(258, 3, 8);            // BitsPerSample
    entry(259, 3, 1);            // Compression: none
    entry(262, 3, 1);            // PhotometricInterpretation: black is zero
    tiff.entry(271, 2, 6, make); // Make
    entry(273, 4, pixels);       // StripOffsets
    entry(277, 3, 1);            // SamplesPerPixel
    entry(278, 4, 48);           // RowsPerStrip
    entry(279, 4, 64 * 48);      // StripByteCounts
    entry(34665, 4, exif);       // ExifIFD
    tiff.putOffset(0);
    tiff.bytes += QByteArray("Canon\0\0\0", 8);
    tiff.putCount(exifEntries);
    tiff.entry(37500, 7, noteBytes, note); // MakerNote
    for (quint32 i = 1; i < exifEntries; ++i)
        tiff.entry(0xA500 + i, 7, blockBytes, block);
    tiff.putOffset(0);
    tiff.putCount(quint32(entries));
    for (int i = 0; i < entries; ++i)
        tiff.entry(quint32(0x4000 + i), 7, blockBytes, block);
    tiff.putOffset(0);
    for (int i = 0; i < 64 * 48; ++i)
        tiff.bytes += char(i * 7 % 251);
    return tiff.bytes + QByteArray(qsizetype(blockBytes), '\0');
}

// The JPEG `jpeg` with an APP1 segment holding `tiff` as its Exif block right after SOI.
inline QByteArray jpegWithExif(const QByteArray &jpeg, const QByteArray &tiff)
{
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    const quint32 length = quint32(body.size() + 2);
    EXPECT_LE(length, 0xFFFFu);
    return jpegWith(jpeg, JpegSpot::AfterSoi,
                    QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length & 0xFF) + body);
}

// An HTTP live streaming playlist of one segment, `segment` (an absolute path).
inline bool writePlaylist(const QString &path, const QString &segment)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text =
        "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n" + QFile::encodeName(segment) + "\n#EXT-X-ENDLIST\n";
    return file.write(text) == text.size();
}

inline qint64 statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// How far the process's resident memory rose above its level before `work`, at its highest while
// `work` ran, in MiB. The kernel's high-water mark is reset first where it lets us; else the mark
// so far is the base (which can only make the rise look smaller).
template <class Work>
double peakRiseMiB(Work work)
{
    qint64 base = statusKilobytes("VmRSS:");
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (!reset.open(QIODevice::WriteOnly) || reset.write("5") != 1)
        base = statusKilobytes("VmHWM:");
    reset.close();
    work();
    return double(statusKilobytes("VmHWM:") - base) / 1024.0;
}

// Tells whether a file was opened (by anyone) since the watch began.
class OpenWatch
{
public:
    explicit OpenWatch(const QString &path)
    {
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd >= 0)
            m_watch = inotify_add_watch(m_fd, QFile::encodeName(path).constData(), IN_OPEN | IN_ACCESS);
    }
    ~OpenWatch()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    OpenWatch(const OpenWatch &) = delete;
    OpenWatch &operator=(const OpenWatch &) = delete;
    bool isWatching() const { return m_watch >= 0; }
    bool wasOpened()
    {
        alignas(inotify_event) char buffer[4096];
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        m_opened = m_opened || got > 0;
        return m_opened;
    }

private:
    int m_fd = -1;
    int m_watch = -1;
    bool m_opened = false;
};

} // namespace hostile
