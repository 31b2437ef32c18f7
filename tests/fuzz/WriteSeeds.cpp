// Writes the fuzz targets' seed corpora: small valid files of every container a scan reads and the
// hostile shapes of the tests, each at most 64 KB. Run by hand when the shapes change; the files
// it writes are committed:  build/fuzz/tests/fuzz/fuzz_write_seeds tests/fuzz/seeds

#include "support/HostileFiles.h"
#include "platform/ExivCompat.h"
#include "support/ServicesFixtures.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <exiv2/exiv2.hpp>

#include <cstdio>

namespace {

QString root;
int written = 0;

void put(const QString &kind, const QString &name, const QByteArray &bytes)
{
    if (bytes.isEmpty() || bytes.size() > 64 * 1024) {
        std::fprintf(stderr, "left out: %s/%s (%lld bytes)\n", qPrintable(kind), qPrintable(name),
                     static_cast<long long>(bytes.size()));
        return;
    }
    QDir().mkpath(root + "/" + kind);
    QFile file(root + "/" + kind + "/" + name);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
        ++written;
}

QByteArray encoded(const QImage &image, const char *format, int quality = -1,
                   const std::function<void(QImageWriter &)> &tune = {})
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (tune)
        tune(writer);
    writer.write(image);
    return bytes;
}

// The bytes of `file` with the Exif fields `tags` (and, when given, `thumbnail` as the Exif
// thumbnail) written into it by exiv2.
QByteArray withExif(const QByteArray &file, const fixtures::Tags &tags, const QByteArray &thumbnail = {})
{
    try {
        auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(file.constData()), file.size());
        image->readMetadata();
        for (const auto &[key, value] : tags) {
            if (key.rfind("Xmp.", 0) == 0)
                image->xmpData()[key] = value;
            else if (key.rfind("Iptc.", 0) == 0)
                image->iptcData()[key] = value;
            else
                image->exifData()[key] = value;
        }
        if (!thumbnail.isEmpty()) {
            Exiv2::ExifThumb thumb(image->exifData());
            thumb.setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(thumbnail.constData()), thumbnail.size());
        }
        image->writeMetadata();
        Exiv2::BasicIo &io = image->io();
        io.seek(0, Exiv2::BasicIo::beg);
        const Exiv2::DataBuf data = io.read(io.size());
        return QByteArray(reinterpret_cast<const char *>(platform::exiv::bytes(data)),
                          qsizetype(platform::exiv::byteCount(data)));
    } catch (...) {
        return {};
    }
}

// A little-endian Exif block (a TIFF header and one directory) of the given short fields.
QByteArray exifBlock(std::initializer_list<std::pair<quint32, quint32>> shorts)
{
    hostile::TiffBytes tiff;
    tiff.put16(quint32(shorts.size()));
    for (const auto &[tag, value] : shorts)
        tiff.entry(tag, 3, 1, value);
    tiff.put32(0);
    return tiff.bytes;
}

QByteArray pngChunkFile(std::initializer_list<std::pair<const char *, QByteArray>> chunks)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    for (const auto &[type, data] : chunks)
        hostile::appendChunk(png, type, data);
    return png;
}

QByteArray pngHeader(quint32 width, quint32 height, int depth, int colour, int interlace = 0)
{
    QByteArray header;
    hostile::appendBigEndian(header, width);
    hostile::appendBigEndian(header, height);
    header += char(depth);
    header += char(colour);
    header += QByteArray(2, '\0');
    header += char(interlace);
    return header;
}

QByteArray deflated(const QByteArray &data)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), '\0');
    compress2(reinterpret_cast<Bytef *>(out.data()), &size, reinterpret_cast<const Bytef *>(data.constData()),
              uLong(data.size()), 9);
    out.resize(qsizetype(size));
    return out;
}

// A BigTIFF (8-byte counts and offsets, 20-byte entries) of `width` x `height` grey pixels in one
// strip stored plain, with an extra field of `extraBytes` claimed at `extraOffset`.
QByteArray bigTiff(quint32 width, quint32 height, quint64 extraBytes = 0, quint64 extraOffset = 0)
{
    QByteArray b("II\x2B\0\x08\0\0\0", 8);
    auto put = [&b](quint64 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b += char((v >> (8 * i)) & 0xFF);
    };
    put(16, 8); // the first directory
    const int entries = extraBytes ? 10 : 9;
    const quint64 pixels = 16 + 8 + 20 * quint64(entries) + 8;
    put(quint64(entries), 8);
    auto entry = [&](quint32 tag, quint32 type, quint64 count, quint64 value) {
        put(tag, 2);
        put(type, 2);
        put(count, 8);
        put(value, 8);
    };
    entry(256, 16, 1, width);
    entry(257, 16, 1, height);
    entry(258, 3, 1, 8);
    entry(259, 3, 1, 1);
    entry(262, 3, 1, 1);
    entry(273, 16, 1, pixels);
    entry(277, 3, 1, 1);
    entry(278, 16, 1, height);
    entry(279, 16, 1, quint64(width) * height);
    if (extraBytes)
        entry(37724, 7, extraBytes, extraOffset);
    put(0, 8);
    for (quint64 i = 0; i < quint64(width) * height; ++i)
        b += char(i * 13 % 251);
    return b;
}

// A little-endian TIFF of `width` x `height` grey pixels in tiles of `tile` x `tile`, stored plain.
QByteArray tiledTiff(int width, int height, int tile)
{
    const int across = (width + tile - 1) / tile, down = (height + tile - 1) / tile, tiles = across * down;
    hostile::TiffBytes tiff;
    const quint32 entries = 10, offsets = 8 + 2 + 12 * entries + 4, counts = offsets + 4 * quint32(tiles),
                  data = counts + 4 * quint32(tiles), tileBytes = quint32(tile * tile);
    tiff.put16(entries);
    tiff.entry(256, 4, 1, quint32(width));
    tiff.entry(257, 4, 1, quint32(height));
    tiff.entry(258, 3, 1, 8);
    tiff.entry(259, 3, 1, 1);
    tiff.entry(262, 3, 1, 1);
    tiff.entry(277, 3, 1, 1);
    tiff.entry(322, 3, 1, quint32(tile));                                // TileWidth
    tiff.entry(323, 3, 1, quint32(tile));                                // TileLength
    tiff.entry(324, 4, quint32(tiles), tiles == 1 ? data : offsets);     // TileOffsets
    tiff.entry(325, 4, quint32(tiles), tiles == 1 ? tileBytes : counts); // TileByteCounts
    tiff.put32(0);
    if (tiles > 1) {
        for (int i = 0; i < tiles; ++i)
            tiff.put32(data + quint32(i) * tileBytes);
        for (int i = 0; i < tiles; ++i)
            tiff.put32(tileBytes);
    }
    for (quint32 i = 0; i < tileBytes * quint32(tiles); ++i)
        tiff.bytes += char(i * 5 % 253);
    return tiff.bytes;
}

// An icon directory of one entry whose picture is `data` (a PNG, damaged or not).
QByteArray iconOf(const QByteArray &data)
{
    QByteArray ico("\0\0\1\0\1\0", 6);
    ico += QByteArray("\x10\x10\0\0\1\0\x20\0", 8);
    for (quint32 v : {quint32(data.size()), quint32(22)})
        for (int i = 0; i < 4; ++i)
            ico += char((v >> (8 * i)) & 0xFF);
    return ico + data;
}

// Short clips (64 x 48, a few frames) of every container and codec a scan takes as a video, written
// by the ffmpeg program when it is on this machine; DV is left out (one frame passes 64 KB).
void putVideos(const QByteArray &picture)
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    QTemporaryDir dir;
    if (ffmpeg.isEmpty() || !dir.isValid()) {
        std::fprintf(stderr, "left out: video (no ffmpeg)\n");
        return;
    }
    const QStringList clip{"-f", "lavfi", "-i", "testsrc=size=64x48:rate=10:duration=0.4"};
    const QStringList h264{"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p"};
    const QStringList hevc{"-c:v", "libx265", "-preset", "ultrafast", "-x265-params", "log-level=none"};
    const QStringList sound{"-f", "lavfi", "-i", "sine=duration=0.4:sample_rate=8000"};
    const QStringList cover{"-f", "lavfi", "-i", "color=red:size=16x16:duration=0.1"};
    const std::vector<std::pair<QString, QStringList>> clips{
        {"h264.mp4", clip + h264},
        {"mpeg4.mp4", clip + QStringList{"-c:v", "mpeg4"}},
        {"hevc.mp4", clip + hevc + QStringList{"-tag:v", "hvc1"}},
        {"av1.mp4", clip + QStringList{"-c:v", "libaom-av1", "-cpu-used", "8", "-frames:v", "2"}},
        {"sound-and-cover.mp4",
         clip + sound + cover + h264
             + QStringList{"-map", "0", "-map", "1", "-map", "2", "-c:a", "aac", "-b:a", "16k", "-c:v:1", "png",
                           "-frames:v:1", "1", "-disposition:v:1", "attached_pic"}},
        {"rotated.mov", clip + h264 + QStringList{"-metadata:s:v:0", "rotate=90"}},
        {"prores.mov", clip + QStringList{"-c:v", "prores", "-frames:v", "2"}},
        {"svq1.mov", clip + QStringList{"-c:v", "svq1"}},
        {"ipod.m4v", clip + h264 + QStringList{"-f", "ipod"}},
        {"elementary.m4v", clip + QStringList{"-c:v", "mpeg4", "-f", "m4v"}},
        {"h263.3gp", clip + QStringList{"-s", "128x96", "-c:v", "h263"}},
        {"xvid.avi", clip + QStringList{"-c:v", "mpeg4", "-vtag", "xvid"}},
        {"divx.avi", clip + QStringList{"-c:v", "msmpeg4", "-vtag", "DIV3"}},
        {"mjpeg.avi", clip + QStringList{"-c:v", "mjpeg", "-frames:v", "2"}},
        {"cinepak.avi", clip + QStringList{"-c:v", "cinepak", "-frames:v", "2"}},
        {"mpeg1.mpg", clip + QStringList{"-r", "25", "-c:v", "mpeg1video", "-f", "mpeg"}},
        {"mpeg2.ts", clip + QStringList{"-c:v", "mpeg2video", "-f", "mpegts"}},
        {"elementary.m2v", clip + QStringList{"-c:v", "mpeg2video", "-f", "mpeg2video"}},
        {"elementary.264", clip + h264 + QStringList{"-f", "h264"}},
        {"elementary.hevc", clip + hevc + QStringList{"-f", "hevc"}},
        {"h264.mkv", clip + h264},
        {"vp8.webm", clip + QStringList{"-c:v", "libvpx"}},
        {"vp9.webm", clip + QStringList{"-c:v", "libvpx-vp9", "-deadline", "realtime"}},
        {"flv1.flv", clip + QStringList{"-c:v", "flv"}},
        {"wmv2.wmv", clip + QStringList{"-c:v", "wmv2"}},
        {"theora.ogv", clip + QStringList{"-c:v", "libtheora"}},
    };
    for (const auto &[name, arguments] : clips) {
        const QString out = dir.filePath(name);
        QProcess process;
        process.start(ffmpeg,
                      QStringList{"-hide_banner", "-loglevel", "error", "-y"} + arguments
                          + QStringList{"-map_metadata", "-1", "-fflags", "+bitexact", out});
        process.waitForFinished(60000);
        QFile file(out);
        if (process.exitCode() != 0 || !file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "left out: video/%s (ffmpeg failed)\n", qPrintable(name));
            continue;
        }
        const QByteArray bytes = file.readAll();
        put("video", name, bytes);
        if (name == "h264.mp4")
            put("video", "truncated.mp4", bytes.left(bytes.size() * 2 / 3));
    }
    // A picture with a video's name, read as a picture.
    put("video", "picture.mov", picture);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("tests/fuzz/seeds");
    const QImage photo = fixtures::testPicture(64, 48);
    const QImage small = fixtures::testPicture(16, 12);
    QImage alpha = photo.convertToFormat(QImage::Format_ARGB32);
    alpha.setPixel(0, 0, qRgba(1, 2, 3, 4));

    // JPEG: baseline, progressive, grey, with Exif (turned, dated, placed, an embedded thumbnail),
    // and the hostile shapes: floods of segments, tables, a damaged PNG as the Exif thumbnail, an
    // Exif block whose directories name one block hundreds of times.
    const QByteArray jpeg = encoded(photo, "jpeg", 80);
    const QByteArray thumb = encoded(small, "jpeg", 60);
    put("jpeg", "baseline.jpg", jpeg);
    put("jpeg", "progressive.jpg",
        encoded(photo, "jpeg", 80, [](QImageWriter &w) { w.setProgressiveScanWrite(true); }));
    put("jpeg", "grey.jpg", encoded(photo.convertToFormat(QImage::Format_Grayscale8), "jpeg", 70));
    const fixtures::Tags tags = {{"Exif.Image.Orientation", "6"},
                                 {"Exif.Image.Make", "Maker"},
                                 {"Exif.Image.DateTime", "2021:06:05 10:11:12"},
                                 {"Exif.Photo.FNumber", "28/10"},
                                 {"Exif.GPSInfo.GPSLatitudeRef", "S"},
                                 {"Exif.GPSInfo.GPSLatitude", "33/1 54/1 0/1"},
                                 {"Exif.GPSInfo.GPSLongitudeRef", "W"},
                                 {"Exif.GPSInfo.GPSLongitude", "151/1 12/1 30/1"},
                                 {"Iptc.Application2.Caption", "caption"},
                                 {"Xmp.dc.subject", "subject"}};
    put("jpeg", "exif-thumbnail.jpg", withExif(jpeg, tags, thumb));
    const QByteArray damagedPng = pngChunkFile({{"IDAT", deflated(QByteArray(40, 'x'))}, {"IEND", {}}});
    put("jpeg", "png-thumbnail-damaged.jpg", withExif(jpeg, {{"Exif.Image.Orientation", "1"}}, damagedPng));
    put("jpeg", "comments-after-soi.jpg",
        hostile::jpegWith(jpeg, hostile::JpegSpot::AfterSoi, hostile::jpegSegments(0xFE, 4, 200)));
    put("jpeg", "exif-before-eoi.jpg",
        hostile::jpegWith(jpeg, hostile::JpegSpot::BeforeEoi, hostile::jpegSegments(0xE1, 30, 50)));
    put("jpeg", "tables-after-soi.jpg",
        hostile::jpegWith(jpeg, hostile::JpegSpot::AfterSoi, hostile::jpegTableSegments(1).left(8000)));
    put("jpeg", "truncated.jpg", jpeg.left(jpeg.size() / 2));
    put("jpeg", "exif-maker-note-flood.jpg",
        hostile::jpegWithExif(jpeg, hostile::tiffWithMakerNoteFlood(250, 54 << 10, true)));

    // PNG: the colour types and depths, interlaced, with eXIf and text, and the shapes that once
    // crashed or cost: no header, a renamed header, the header after the data, data past the rows.
    const QByteArray png = encoded(photo, "png");
    put("png", "rgb.png", png);
    put("png", "rgba.png", encoded(alpha, "png"));
    put("png", "palette.png", encoded(photo.convertToFormat(QImage::Format_Indexed8), "png"));
    put("png", "grey16.png", encoded(photo.convertToFormat(QImage::Format_Grayscale16), "png"));
    QByteArray rows;
    for (int y = 0; y < 8; ++y)
        rows += QByteArray(1, '\0') + QByteArray(8 * 3, char(y * 30));
    const QByteArray idat = deflated(rows);
    put("png", "interlaced.png",
        pngChunkFile({{"IHDR", pngHeader(8, 8, 8, 2, 1)}, {"IDAT", deflated(QByteArray(200, '\0'))}, {"IEND", {}}}));
    put("png", "exif-turned.png", hostile::pngWithChunk(png, "eXIf", exifBlock({{274, 8}})));
    put("png", "text.png", hostile::pngWithChunk(png, "tEXt", QByteArray("Comment\0text", 12)));
    put("png", "no-header.png", pngChunkFile({{"IDAT", idat}, {"IEND", {}}}));
    put("png", "header-renamed.png", pngChunkFile({{"iHDR", pngHeader(8, 8, 8, 2)}, {"IDAT", idat}, {"IEND", {}}}));
    put("png", "header-after-data.png", pngChunkFile({{"IDAT", idat}, {"IHDR", pngHeader(8, 8, 8, 2)}, {"IEND", {}}}));
    put("png", "data-past-rows.png", hostile::pngWithDataPastItsRows(1 << 20));
    put("png", "data-past-rows-palette-interlaced.png", hostile::pngWithDataPastItsRows(1 << 20, true, true));
    put("png", "empty-blocks.png", hostile::pngWithDataPastItsRows(0, false, false, 2000));
    put("png", "data-in-pieces.png", hostile::pngWithDataInPieces(png, 7));
    put("png", "huge-text.png", hostile::pngWithHugeText(qint64(32) << 20));
    put("png", "wide-line.png", hostile::pngLine(1100000));
    QByteArray emptyChunks;
    hostile::appendChunk(emptyChunks, "prVt", {});
    put("png", "empty-chunks.png", QByteArray(png).insert(8 + 25, emptyChunks.repeated(4000)));
    put("png", "bomb.png",
        pngChunkFile(
            {{"IHDR", pngHeader(7000, 7000, 8, 0)}, {"IDAT", hostile::deflatedZeros(49000001)}, {"IEND", {}}}));

    // TIFF: Qt's own, each compression in one strip, a second directory with a thumbnail, tiles
    // (one tile larger than the picture), BigTIFF, a field that claims more than the file holds,
    // and a BigTIFF directory that claims a million entries.
    put("tiff", "qt.tif", encoded(photo, "tiff"));
    put("tiff", "qt-lzw.tif", encoded(alpha, "tiff", -1, [](QImageWriter &w) { w.setCompression(1); }));
    put("tiff", "plain-strip.tif", hostile::tiffOfOneStrip(40, 30, 1));
    put("tiff", "lzw-strip.tif", hostile::tiffOfOneStrip(40, 30, 5));
    put("tiff", "lzw-tall.tif", hostile::tiffOfOneStrip(1, 600000, 5));
    put("tiff", "deflate-strip.tif", hostile::tiffOfOneStrip(40, 30, 8));
    put("tiff", "packbits-strip.tif", hostile::tiffOfOneStrip(40, 30, 32773));
    put("tiff", "with-thumbnail.tif", hostile::tiffWithThumbnail(16, 12, thumb));
    put("tiff", "tiled.tif", tiledTiff(40, 20, 16));
    put("tiff", "one-tile-larger.tif", tiledTiff(20, 9, 32));
    put("tiff", "big.tif", bigTiff(16, 12));
    put("tiff", "big-field-claimed.tif", bigTiff(16, 12, quint64(1) << 30, 400));
    QByteArray millionEntries = bigTiff(16, 12);
    millionEntries.replace(16, 4, QByteArray("\x40\x42\x0f\0", 4)); // a directory of 1,000,000 entries
    put("tiff", "big-entries-claimed.tif", millionEntries);
    put("tiff", "exif.tif", withExif(encoded(photo, "tiff"), tags));
    {
        QTemporaryDir dir;
        const QString path = dir.path() + "/field.tif";
        if (hostile::writeTiffWithHugeField(path, qint64(1) << 30)) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                put("tiff", "field-claimed.tif", file.read(4096));
        }
    }

    // WebP: lossy, lossless, extended with an Exif chunk, and a picture chunk and a RIFF size that
    // claim more than the file holds.
    const QByteArray webp = encoded(photo, "webp", 70);
    put("webp", "lossy.webp", webp);
    put("webp", "lossless.webp", encoded(alpha, "webp", 100));
    put("webp", "exif.webp", withExif(webp, tags));
    {
        QTemporaryDir dir;
        const QString path = dir.path() + "/claims.webp";
        QFile file(path);
        if (hostile::writeWebpClaiming(path, webp, "VP8 ", 4096, false) && file.open(QIODevice::ReadOnly))
            put("webp", "picture-chunk-claims.webp", file.readAll());
    }
    QByteArray riffClaims = webp;
    riffClaims[5] = char(riffClaims[5] + 1);
    put("webp", "riff-claims.webp", riffClaims);
    put("webp", "exif-chunk-claims.webp", hostile::webpWithChunk(withExif(webp, tags), "EXIF", exifBlock({{274, 3}})));

    // HEIF, when the encoder is on this machine.
    {
        QTemporaryDir dir;
        const QString heic = fixtures::makeHeic(dir.path(), "photo.heic", 64, 48);
        QFile file(heic);
        if (!heic.isEmpty() && file.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = file.readAll();
            put("heif", "photo.heic", bytes);
            put("heif", "exif.heic", withExif(bytes, tags));
            put("heif", "truncated.heic", bytes.left(bytes.size() * 2 / 3));
        }
    }

    // GIF (written by hand: Qt writes none), BMP, ICO (one with a damaged PNG entry), and the
    // others Qt's readers take.
    put("gif", "one-pixel.gif",
        QByteArray("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00"
                   "\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                   43));
    put("bmp", "rgb.bmp", encoded(photo, "bmp"));
    put("bmp", "palette.bmp", encoded(photo.convertToFormat(QImage::Format_Indexed8), "bmp"));
    put("ico", "icon.ico", encoded(small.convertToFormat(QImage::Format_ARGB32), "ico"));
    put("ico", "png-entry.ico", iconOf(encoded(small, "png")));
    put("ico", "png-entry-damaged.ico", iconOf(damagedPng));
    for (const char *format : {"icns", "ppm", "pgm", "pbm", "xpm", "xbm", "wbmp"})
        put("other", QStringLiteral("small.%1").arg(format), encoded(small, format));
    QByteArray tga("\0\0\2\0\0\0\0\0\0\0\0\0\x04\0\x03\0\x18\x20", 18);
    tga += QByteArray(4 * 3 * 3, char(0x7F));
    put("other", "small.tga", tga);

    putVideos(encoded(small, "png"));

    std::printf("%d seeds written under %s\n", written, qPrintable(root));
    return 0;
}
