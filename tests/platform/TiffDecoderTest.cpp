#include "platform/ImageSource.h"

#include "platform/AreaReduction.h"
#include "platform/TiffDecoder.h"
#include "support/HostileFiles.h"
#include "support/ServicesFixtures.h"

#include <QFile>
#include <QFloat16>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <tiffio.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using platform::ImageSource;
namespace key = platform::ImageProperty;

namespace {

struct TiffLayout {
    const char *name;
    uint16_t photometric;
    uint16_t bits;
    uint16_t samples;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t extra = 0; // the ExtraSamples value of the last sample, 0 for none
    uint16_t compression = COMPRESSION_NONE;
    uint32_t tile = 0; // tiles of tile x tile pixels, 0 for strips of 5 rows
    bool planes = false;
};

// A picture of `width` x `height` whose samples run over their whole range, through libtiff.
bool writeTiff(const QString &path, const TiffLayout &layout, uint32_t width, uint32_t height)
{
    TIFF *tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tiff)
        return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.samples);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, layout.sampleFormat);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, layout.photometric);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, layout.compression);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, layout.planes ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    if (layout.extra) {
        const uint16_t extra = layout.extra;
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (layout.photometric == PHOTOMETRIC_PALETTE) {
        std::vector<uint16_t> red(256), green(256), blue(256);
        for (int i = 0; i < 256; ++i) {
            red[i] = uint16_t(i * 257);
            green[i] = uint16_t((255 - i) * 257);
            blue[i] = uint16_t((i * 7 % 256) * 257 + 3);
        }
        TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }
    const int planes = layout.planes ? layout.samples : 1;
    const int perPixel = layout.planes ? 1 : layout.samples;
    const auto sample = [&](uint32_t x, uint32_t y, int s, uchar *out) {
        const double t = double((x * 7 + y * 13 + uint32_t(s) * 29) % 97) / 96.0;
        if (layout.sampleFormat == SAMPLEFORMAT_IEEEFP && layout.bits == 32) {
            const float v = float(t);
            std::memcpy(out, &v, 4);
        } else if (layout.sampleFormat == SAMPLEFORMAT_IEEEFP) {
            const qfloat16 v = qfloat16(float(t));
            std::memcpy(out, &v, 2);
        } else if (layout.bits == 16) {
            const uint16_t v = uint16_t(t * 65535);
            std::memcpy(out, &v, 2);
        } else {
            *out = uchar(t * 255);
        }
    };
    const int sampleBytes = layout.bits / 8;
    bool ok = true;
    if (layout.tile) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, layout.tile);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, layout.tile);
        std::vector<uchar> buffer(size_t(TIFFTileSize(tiff)));
        for (int p = 0; p < planes; ++p) {
            for (uint32_t ty = 0; ty < height; ty += layout.tile) {
                for (uint32_t tx = 0; tx < width; tx += layout.tile) {
                    std::fill(buffer.begin(), buffer.end(), 0);
                    for (uint32_t y = 0; y < layout.tile && ty + y < height; ++y)
                        for (uint32_t x = 0; x < layout.tile && tx + x < width; ++x)
                            for (int s = 0; s < perPixel; ++s)
                                sample(tx + x, ty + y, p + s,
                                       buffer.data() + ((y * layout.tile + x) * perPixel + s) * sampleBytes);
                    ok = ok && TIFFWriteTile(tiff, buffer.data(), tx, ty, 0, uint16_t(p)) >= 0;
                }
            }
        }
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 5);
        std::vector<uchar> line(size_t(TIFFScanlineSize(tiff)));
        for (int p = 0; p < planes; ++p) {
            for (uint32_t y = 0; y < height; ++y) {
                std::fill(line.begin(), line.end(), 0);
                for (uint32_t x = 0; x < width; ++x) {
                    for (int s = 0; s < perPixel; ++s) {
                        if (layout.bits == 1) {
                            if ((x + y) % 3 == 0)
                                line[x / 8] |= uchar(0x80 >> (x % 8));
                        } else {
                            sample(x, y, p + s, line.data() + (x * perPixel + s) * sampleBytes);
                        }
                    }
                }
                ok = ok && TIFFWriteScanline(tiff, line.data(), y, uint16_t(p)) >= 0;
            }
        }
    }
    TIFFClose(tiff);
    return ok;
}

// The picture of the file at `path` through the program's decode road, whole.
QImage decoded(const QString &path)
{
    const std::optional<QImage> picture = ImageSource(path).thumbnail(100, false);
    return picture ? *picture : QImage();
}

} // namespace

// Every layout Qt's TIFF reader reads gives its pixels; the ones it refuses (tiles of more bytes
// than the picture, planes of their own) give the pixels of the same picture in strips; and
// nothing reaches standard error, a private tag's warning included.
TEST(TiffDecoder, GivesQtsPixelsForEveryLayoutAndThePicturesItRefuses)
{
    QTemporaryDir dir;
    const TiffLayout layouts[] = {
        {"mono", PHOTOMETRIC_MINISBLACK, 1, 1},
        {"mono-white", PHOTOMETRIC_MINISWHITE, 1, 1},
        {"grey8", PHOTOMETRIC_MINISBLACK, 8, 1, SAMPLEFORMAT_UINT, 0, COMPRESSION_LZW},
        {"grey8-white", PHOTOMETRIC_MINISWHITE, 8, 1},
        {"palette8", PHOTOMETRIC_PALETTE, 8, 1, SAMPLEFORMAT_UINT, 0, COMPRESSION_ADOBE_DEFLATE},
        {"grey16", PHOTOMETRIC_MINISBLACK, 16, 1},
        {"grey-alpha8", PHOTOMETRIC_MINISBLACK, 8, 2, SAMPLEFORMAT_UINT, EXTRASAMPLE_ASSOCALPHA},
        {"rgb8", PHOTOMETRIC_RGB, 8, 3, SAMPLEFORMAT_UINT, 0, COMPRESSION_LZW},
        {"rgba8-associated", PHOTOMETRIC_RGB, 8, 4, SAMPLEFORMAT_UINT, EXTRASAMPLE_ASSOCALPHA},
        {"rgba8-unassociated", PHOTOMETRIC_RGB, 8, 4, SAMPLEFORMAT_UINT, EXTRASAMPLE_UNASSALPHA},
        {"rgb16", PHOTOMETRIC_RGB, 16, 3, SAMPLEFORMAT_UINT, 0, COMPRESSION_PACKBITS},
        {"rgba16-unassociated", PHOTOMETRIC_RGB, 16, 4, SAMPLEFORMAT_UINT, EXTRASAMPLE_UNASSALPHA},
        {"rgba16-associated", PHOTOMETRIC_RGB, 16, 4, SAMPLEFORMAT_UINT, EXTRASAMPLE_ASSOCALPHA},
        {"rgb-half", PHOTOMETRIC_RGB, 16, 3, SAMPLEFORMAT_IEEEFP},
        {"rgb-float", PHOTOMETRIC_RGB, 32, 3, SAMPLEFORMAT_IEEEFP},
        {"rgba-float", PHOTOMETRIC_RGB, 32, 4, SAMPLEFORMAT_IEEEFP, EXTRASAMPLE_UNASSALPHA},
        {"grey16-tiled", PHOTOMETRIC_MINISBLACK, 16, 1, SAMPLEFORMAT_UINT, 0, COMPRESSION_LZW, 16},
        {"rgb8-planes", PHOTOMETRIC_RGB, 8, 3, SAMPLEFORMAT_UINT, 0, COMPRESSION_NONE, 0, true},
    };
    // Qt's reader refuses these; each is the picture of the layout named beside it.
    const TiffLayout refused[][2] = {
        {{"grey8-big-tiles", PHOTOMETRIC_MINISBLACK, 8, 1, SAMPLEFORMAT_UINT, 0, COMPRESSION_NONE, 64},
         {"grey8-strips", PHOTOMETRIC_MINISBLACK, 8, 1}},
        {{"rgb8-big-tiles", PHOTOMETRIC_RGB, 8, 3, SAMPLEFORMAT_UINT, 0, COMPRESSION_LZW, 256},
         {"rgb8-strips", PHOTOMETRIC_RGB, 8, 3}},
        {{"rgb8-tiled", PHOTOMETRIC_RGB, 8, 3, SAMPLEFORMAT_UINT, 0, COMPRESSION_NONE, 16},
         {"rgb8-stored", PHOTOMETRIC_RGB, 8, 3}},
        {{"rgb16-big-tiles", PHOTOMETRIC_RGB, 16, 3, SAMPLEFORMAT_UINT, 0, COMPRESSION_NONE, 48},
         {"rgb16-strips", PHOTOMETRIC_RGB, 16, 3}},
    };
    std::fflush(stderr);
    const int savedError = dup(2);
    QTemporaryFile captured;
    ASSERT_TRUE(captured.open());
    dup2(captured.handle(), 2);
    for (const TiffLayout &layout : layouts) {
        SCOPED_TRACE(layout.name);
        const QString path = dir.filePath(QStringLiteral("%1.tif").arg(QLatin1String(layout.name)));
        ASSERT_TRUE(writeTiff(path, layout, 37, 23));
        const QImage qt = platform::imaging::AreaReduction::reducible(QImageReader(path).read());
        ASSERT_FALSE(qt.isNull());
        EXPECT_EQ(decoded(path), qt);
        const auto props = ImageSource(path).propertiesByImageReaders();
        ASSERT_TRUE(props);
        EXPECT_EQ(props->value(key::PixelWidth).toLongLong(), 37);
        EXPECT_EQ(props->value(key::Depth).toLongLong(),
                  layout.bits == 16 && layout.sampleFormat == SAMPLEFORMAT_UINT ? 16 : 8);
    }
    for (const auto &pair : refused) {
        SCOPED_TRACE(pair[0].name);
        const QString path = dir.filePath(QStringLiteral("%1.tif").arg(QLatin1String(pair[0].name)));
        const QString reference = dir.filePath(QStringLiteral("%1.tif").arg(QLatin1String(pair[1].name)));
        ASSERT_TRUE(writeTiff(path, pair[0], 37, 23));
        ASSERT_TRUE(writeTiff(reference, pair[1], 37, 23));
        const QImage picture = decoded(path);
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture, decoded(reference));
    }
    // Pictures of several bands, averaged down as they are decoded, give what the whole picture
    // averaged down gives.
    const TiffLayout large[] = {
        {"rgb8-large", PHOTOMETRIC_RGB, 8, 3, SAMPLEFORMAT_UINT, 0, COMPRESSION_LZW},
        {"grey16-large", PHOTOMETRIC_MINISBLACK, 16, 1},
        {"rgb16-large-tiled", PHOTOMETRIC_RGB, 16, 3, SAMPLEFORMAT_UINT, 0, COMPRESSION_NONE, 64},
        {"palette-large", PHOTOMETRIC_PALETTE, 8, 1},
    };
    for (const TiffLayout &layout : large) {
        SCOPED_TRACE(layout.name);
        const QString path = dir.filePath(QStringLiteral("%1.tif").arg(QLatin1String(layout.name)));
        ASSERT_TRUE(writeTiff(path, layout, 1500, 1100));
        const QImage qt = QImageReader(path).read();
        ASSERT_FALSE(qt.isNull());
        const auto thumbnail = ImageSource(path).thumbnail(100, false);
        ASSERT_TRUE(thumbnail);
        EXPECT_EQ(*thumbnail, platform::imaging::AreaReduction::reduced(qt, QSize(100, 73)));
    }
    // Grey in 32-bit floating point, which Qt's reader refuses too.
    const QString greyFloat = dir.filePath("grey-float.tif");
    ASSERT_TRUE(writeTiff(greyFloat, {"grey-float", PHOTOMETRIC_MINISBLACK, 32, 1, SAMPLEFORMAT_IEEEFP}, 37, 23));
    EXPECT_EQ(decoded(greyFloat).size(), QSize(37, 23));
    // A private tag libtiff does not know, which it warns of.
    const QString tagged = dir.filePath("private-tag.tif");
    ASSERT_TRUE(fixtures::writeFile(tagged, hostile::tiffOfOneStrip(8, 8, 1, false, 65000)));
    EXPECT_TRUE(ImageSource(tagged).thumbnail(100, false));
    std::fflush(stderr);
    dup2(savedError, 2);
    close(savedError);
    captured.seek(0);
    EXPECT_EQ(captured.readAll(), QByteArray());
}
