// The quick look for an Exif thumbnail in a JPEG's first segments never differs from the metadata
// library: on randomly laid-out files it says "none" only where exiv2 finds none, and the embedded
// thumbnail ImageSource gives stays the one exiv2 gives.

#include "platform/ImageSource.h"
#include "platform/ExivCompat.h"
#include "platform/JpegHeader.h"

#include "support/ServicesFixtures.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>

#include <random>

namespace {

QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QByteArray segment(int marker, const QByteArray &payload)
{
    const int length = int(payload.size()) + 2;
    return bytesOf({0xFF, marker, (length >> 8) & 0xFF, length & 0xFF}) + payload;
}

QByteArray jpegOf(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return bytes;
}

QImage pattern(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 7 + seed * 31) & 0xFF, (y * 5 + seed) & 0xFF, ((x ^ y) + seed) & 0xFF));
    return image;
}

// An Exif APP1 payload: IFD0 with one entry, and when `thumbnail` is given an IFD1 pointing at it.
QByteArray exifPayload(bool little, const QByteArray &thumbnail, bool compressionTag)
{
    QByteArray tiff;
    auto put16 = [&](quint32 v) {
        tiff += little ? bytesOf({int(v & 0xFF), int(v >> 8 & 0xFF)}) : bytesOf({int(v >> 8 & 0xFF), int(v & 0xFF)});
    };
    auto put32 = [&](quint32 v) {
        if (little) {
            put16(v & 0xFFFF);
            put16(v >> 16);
        } else {
            put16(v >> 16);
            put16(v & 0xFFFF);
        }
    };
    auto entry = [&](quint32 tag, quint32 type, quint32 count, quint32 value) {
        put16(tag);
        put16(type);
        put32(count);
        if (type == 3 && count == 1) {
            put16(value);
            put16(0);
        } else {
            put32(value);
        }
    };
    tiff += little ? QByteArray("II") : QByteArray("MM");
    put16(42);
    put32(8);
    // IFD0: Orientation 1.
    put16(1);
    entry(0x0112, 3, 1, 1);
    const quint32 ifd1 = 8 + 2 + 12 + 4;
    put32(thumbnail.isEmpty() ? 0 : ifd1);
    if (!thumbnail.isEmpty()) {
        const quint32 entries = compressionTag ? 3 : 2;
        const quint32 data = ifd1 + 2 + 12 * entries + 4;
        put16(entries);
        if (compressionTag)
            entry(0x0103, 3, 1, 6);
        entry(0x0201, 4, 1, data);
        entry(0x0202, 4, 1, quint32(thumbnail.size()));
        put32(0);
        tiff += thumbnail;
    }
    return QByteArray("Exif\0\0", 6) + tiff;
}

bool exivFindsThumbnail(const QString &path)
{
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        if (!image.get())
            return false;
        image->readMetadata();
        Exiv2::ExifThumbC thumb(image->exifData());
        return platform::exiv::byteCount(thumb.copy()) > 0;
    } catch (...) {
        return false;
    }
}

} // namespace

TEST(ExifThumbnailHint, RandomLayoutsAgreeWithTheMetadataLibrary)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    platform::ImageSource::initializeLibraries();
    std::mt19937 random(20);
    auto chance = [&](int percent) { return int(random() % 100) < percent; };
    const QImage picture = pattern(320, 240, 1);
    const QByteArray body = jpegOf(picture).mid(2); // everything after SOI
    const QByteArray thumbnail = jpegOf(pattern(160, 120, 2));

    int ruledOut = 0, withThumbnail = 0;
    for (int round = 0; round < 160; ++round) {
        QByteArray file = bytesOf({0xFF, 0xD8});
        if (chance(50))
            file += segment(0xE0, QByteArray("JFIF\0", 5) + bytesOf({1, 1, 0, 0, 72, 0, 72, 0, 0}));
        // Segments before the Exif one, now and then pushing it past the bytes the quick look reads.
        const int before = int(random() % 3);
        for (int i = 0; i < before; ++i) {
            const int length = chance(15) ? 30000 + int(random() % 20000) : int(random() % 200);
            file += segment(chance(50) ? 0xE2 : 0xFE, QByteArray(length, char('a' + i)));
        }
        const bool hasExif = chance(80);
        const bool hasThumbnail = hasExif && chance(40);
        if (hasExif)
            file += segment(0xE1, exifPayload(chance(50), hasThumbnail ? thumbnail : QByteArray(), chance(50)));
        if (chance(20))
            file += segment(0xE1, QByteArray("http://ns.adobe.com/xap/1.0/\0<x/>", 34));
        file += body;
        if (chance(5))
            file.truncate(int(random() % file.size()));

        const QString path = dir.filePath(QStringLiteral("r%1.jpg").arg(round));
        ASSERT_TRUE(fixtures::writeFile(path, file));
        const bool may = platform::jpegMayHoldExifThumbnail(reinterpret_cast<const unsigned char *>(file.constData()),
                                                            size_t(std::min<qsizetype>(file.size(), 64 * 1024)));
        const bool exiv = exivFindsThumbnail(path);
        if (exiv) {
            EXPECT_TRUE(may) << "round " << round;
        }
        ruledOut += !may;
        withThumbnail += exiv;
        // What the hash takes: the thumbnail exiv2 finds, or none.
        EXPECT_EQ(platform::ImageSource(path).embeddedThumbnail(false).has_value(), exiv) << "round " << round;
    }
    // Both kinds came up, and most files without a thumbnail were told apart cheaply.
    EXPECT_GT(withThumbnail, 20);
    EXPECT_GT(ruledOut, 60);
}

TEST(ExifThumbnailHint, OnlyAWholeLayoutWithoutASecondDirectoryRulesOut)
{
    auto may = [](const QByteArray &bytes) {
        return platform::jpegMayHoldExifThumbnail(reinterpret_cast<const unsigned char *>(bytes.constData()),
                                                  size_t(bytes.size()));
    };
    const QByteArray body = jpegOf(pattern(64, 48, 3)).mid(2);
    const QByteArray soi = bytesOf({0xFF, 0xD8});
    EXPECT_FALSE(may(soi + body));
    EXPECT_FALSE(may(soi + segment(0xE1, exifPayload(true, {}, false)) + body));
    EXPECT_TRUE(may(soi + segment(0xE1, exifPayload(false, jpegOf(pattern(16, 12, 4)), true)) + body));
    // The bytes end inside a segment, or before the picture data: not known.
    const QByteArray big = soi + segment(0xE2, QByteArray(65000, 'x')) + body;
    EXPECT_TRUE(may(big.left(64 * 1024)));
    EXPECT_TRUE(may(soi + segment(0xFE, "note")));
    // Not a JPEG, a broken TIFF header, a marker without a length: left to the library.
    EXPECT_TRUE(may(QByteArray("\x89PNG\r\n\x1a\n", 8)));
    EXPECT_TRUE(may(soi + segment(0xE1, QByteArray("Exif\0\0XX*\0", 10)) + body));
    EXPECT_TRUE(may(soi + bytesOf({0xFF, 0xD0}) + body));
}
