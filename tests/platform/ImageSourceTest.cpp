#include "platform/ImageSource.h"

#include "platform/AreaReduction.h"
#include "platform/DecodeBudget.h"
#include "platform/TiffDecoder.h"
#include "support/HostileFiles.h"
#include "support/MemoryBounds.h"
#include "support/ServicesFixtures.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtEndian>

#include <malloc.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

using platform::ImageSource;
namespace key = platform::ImageProperty;

namespace {

QVariantMap sub(const QVariantMap &props, const char *dictionary)
{
    return props.value(dictionary).toMap();
}

QString taggedJpeg(const QTemporaryDir &dir)
{
    const QString path = dir.filePath("tagged.jpg");
    if (!fixtures::writeImage(path, 40, 20, "JPEG"))
        return {};
    const bool ok = fixtures::writeTags(path,
                                        {{"Exif.Image.Make", "Acme"},
                                         {"Exif.Image.Model", "Pocket 3"},
                                         {"Exif.Image.Orientation", "6"},
                                         {"Exif.Image.DateTime", "2019:07:04 10:11:12"},
                                         {"Exif.Image.XResolution", "300/1"},
                                         {"Exif.Image.YResolution", "300/1"},
                                         {"Exif.Image.ResolutionUnit", "2"},
                                         {"Exif.Photo.FNumber", "28/10"},
                                         {"Exif.Photo.ExposureTime", "1/60"},
                                         {"Exif.Photo.ISOSpeedRatings", "200"},
                                         {"Exif.GPSInfo.GPSLatitudeRef", "S"},
                                         {"Exif.GPSInfo.GPSLatitude", "33/1 54/1 0/1"},
                                         {"Exif.GPSInfo.GPSLongitudeRef", "E"},
                                         {"Exif.GPSInfo.GPSLongitude", "151/1 12/1 0/1"},
                                         {"Exif.GPSInfo.GPSAltitude", "25/2"},
                                         {"Iptc.Application2.Keywords", "beach"},
                                         {"Iptc.Application2.Copyright", "Ann"},
                                         {"Xmp.dc.title", "lang=x-default Harbour"}});
    return ok ? path : QString();
}

} // namespace

TEST(ImageSource, PropertiesOfATaggedJpeg)
{
    QTemporaryDir dir;
    const QString path = taggedJpeg(dir);
    ASSERT_FALSE(path.isEmpty());
    const ImageSource source(path);
    EXPECT_EQ(source.typeIdentifier(), QString("public.jpeg"));
    const auto props = source.properties();
    ASSERT_TRUE(props);
    EXPECT_EQ(props->value(key::PixelWidth).toLongLong(), 40);
    EXPECT_EQ(props->value(key::PixelHeight).toLongLong(), 20);
    EXPECT_EQ(props->value(key::Orientation).toLongLong(), 6);
    EXPECT_DOUBLE_EQ(props->value(key::DPIWidth).toDouble(), 300.0);
    EXPECT_EQ(props->value(key::Depth).toLongLong(), 8);

    const QVariantMap tiff = sub(*props, key::TIFFDictionary);
    EXPECT_EQ(tiff.value("Make").toString(), "Acme");
    EXPECT_EQ(tiff.value("Model").toString(), "Pocket 3");
    EXPECT_EQ(tiff.value("Orientation").typeId(), QMetaType::LongLong);
    EXPECT_EQ(tiff.value("Orientation").toLongLong(), 6);
    EXPECT_EQ(tiff.value("DateTime").toString(), "2019:07:04 10:11:12");

    const QVariantMap exif = sub(*props, key::ExifDictionary);
    EXPECT_DOUBLE_EQ(exif.value("FNumber").toDouble(), 2.8);
    EXPECT_DOUBLE_EQ(exif.value("ExposureTime").toDouble(), 1.0 / 60.0);
    EXPECT_EQ(exif.value("ISOSpeedRatings").toList(), QVariantList{qint64(200)});

    const QVariantMap gps = sub(*props, key::GPSDictionary);
    EXPECT_EQ(gps.value("Latitude").typeId(), QMetaType::Double);
    EXPECT_NEAR(gps.value("Latitude").toDouble(), 33.9, 1e-9);
    EXPECT_NEAR(gps.value("Longitude").toDouble(), 151.2, 1e-9);
    EXPECT_EQ(gps.value("LatitudeRef").toString(), "S");
    EXPECT_DOUBLE_EQ(gps.value("Altitude").toDouble(), 12.5);

    const QVariantMap iptc = sub(*props, key::IPTCDictionary);
    EXPECT_EQ(iptc.value("Keywords").toList(), QVariantList({QString("beach")}));
    EXPECT_EQ(iptc.value("CopyrightNotice").toString(), "Ann");
}

TEST(ImageSource, MetadataTagsListExifIptcAndXmp)
{
    QTemporaryDir dir;
    const QString path = taggedJpeg(dir);
    ASSERT_FALSE(path.isEmpty());
    const auto tags = ImageSource(path).metadataTags();
    ASSERT_TRUE(tags);
    bool make = false, title = false, keywords = false;
    for (const QVariant &v : *tags) {
        const QVariantMap tag = v.toMap();
        EXPECT_TRUE(tag.contains("type"));
        if (tag.value("name") == "Make") {
            make = true;
            EXPECT_EQ(tag.value("prefix").toString(), "tiff");
            EXPECT_EQ(tag.value("value").toString(), "Acme");
        }
        if (tag.value("name") == "title" && tag.value("prefix") == "dc") {
            title = true;
            EXPECT_EQ(tag.value("namespace").toString(), "http://purl.org/dc/elements/1.1/");
            EXPECT_EQ(tag.value("type").toInt(), int(platform::MetadataTagType::AlternateText));
        }
        if (tag.value("name") == "Keywords")
            keywords = true;
    }
    EXPECT_TRUE(make);
    EXPECT_TRUE(title);
    EXPECT_TRUE(keywords);

    // A PNG with no metadata has an empty tag list; a text file has none at all.
    const QString png = dir.filePath("plain.png");
    ASSERT_TRUE(fixtures::writeImage(png, 8, 8, "PNG"));
    const auto none = ImageSource(png).metadataTags();
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->isEmpty());
    const QString text = dir.filePath("notes.jpg");
    fixtures::writeFile(text, "just words, not an image");
    EXPECT_FALSE(ImageSource(text).metadataTags());
}

TEST(ImageSource, PngTiffTextAndBrokenFiles)
{
    QTemporaryDir dir;
    const QString png = dir.filePath("p.png");
    ASSERT_TRUE(fixtures::writeImage(png, 30, 10, "PNG"));
    auto props = ImageSource(png).properties();
    ASSERT_TRUE(props);
    EXPECT_EQ(props->value(key::PixelWidth).toLongLong(), 30);
    EXPECT_FALSE(props->contains(key::TIFFDictionary));
    EXPECT_FALSE(props->contains(key::GPSDictionary));
    // 2835 dots per metre in the PNG read as 72 dpi.
    QImage dense = fixtures::testPicture(4, 4);
    dense.setDotsPerMeterX(2835);
    dense.setDotsPerMeterY(2835);
    ASSERT_TRUE(dense.save(dir.filePath("dense.png"), "PNG"));
    EXPECT_DOUBLE_EQ(ImageSource(dir.filePath("dense.png")).properties()->value(key::DPIWidth).toDouble(), 72.0);

    const QString tif = dir.filePath("t.tif");
    ASSERT_TRUE(fixtures::writeImage(tif, 12, 34, "TIFF"));
    EXPECT_EQ(ImageSource(tif).typeIdentifier(), QString("public.tiff"));
    props = ImageSource(tif).properties();
    ASSERT_TRUE(props);
    EXPECT_EQ(props->value(key::PixelHeight).toLongLong(), 34);

    const QString text = dir.filePath("text.png");
    fixtures::writeFile(text, "hello");
    EXPECT_FALSE(ImageSource(text).typeIdentifier());
    EXPECT_FALSE(ImageSource(text).properties());
    EXPECT_FALSE(ImageSource(text).thumbnail(100, true));

    // A JPEG cut short after its header: identified, but its pixels do not decode fully.
    QFile whole(dir.filePath("whole.jpg"));
    ASSERT_TRUE(fixtures::writeImage(whole.fileName(), 64, 64, "JPEG"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray head = whole.read(40);
    const QString cut = dir.filePath("cut.jpg");
    fixtures::writeFile(cut, head);
    const ImageSource broken(cut);
    (void)broken.properties();   // must not crash
    (void)broken.metadataTags(); // must not crash
    (void)broken.thumbnail(32, true);

    // A GIF is painted on the screen its header states, whatever its first frame's size: a screen
    // past the pixel cap is too large, a frame of no area damaged; a plain one decodes.
    const QByteArray gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00"
                         ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;",
                         43);
    QByteArray wide = gif, flat = gif;
    wide.replace(6, 4, QByteArray("\x40\x1f\x40\x1f", 4)); // 8000 x 8000
    flat.replace(6, 4, QByteArray("\x40\x1f\x40\x1f", 4));
    flat.replace(34, 2, QByteArray("\0\0", 2)); // the frame 1 x 0
    for (const auto &[name, bytes] : {std::pair{"plain.gif", gif}, {"wide.gif", wide}, {"flat.gif", flat}})
        ASSERT_TRUE(fixtures::writeFile(dir.filePath(name), bytes));
    EXPECT_EQ(ImageSource(dir.filePath("plain.gif")).thumbnail(100, true).value_or(QImage()).size(), QSize(1, 1));
    EXPECT_EQ(ImageSource(dir.filePath("wide.gif")).thumbnailOutcome(100, true).reason(),
              platform::DecodeOutcome::Reason::TooLarge);
    EXPECT_EQ(ImageSource(dir.filePath("flat.gif")).thumbnailOutcome(100, true).reason(),
              platform::DecodeOutcome::Reason::Damaged);

    EXPECT_FALSE(ImageSource(dir.filePath("missing.jpg")).typeIdentifier());
    EXPECT_FALSE(ImageSource(QString()).properties());
}

TEST(ImageSource, ThumbnailsAreBoundedAndTurnedUpright)
{
    QTemporaryDir dir;
    const QString large = dir.filePath("large.jpg");
    ASSERT_TRUE(fixtures::writeImage(large, 4000, 3000, "JPEG", 30));
    const auto thumb = ImageSource(large).thumbnail(540, true);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->size(), QSize(540, 405));

    const QString small = dir.filePath("small.png");
    ASSERT_TRUE(fixtures::writeImage(small, 50, 20, "PNG"));
    EXPECT_EQ(ImageSource(small).thumbnail(540, true)->size(), QSize(50, 20)); // never enlarged

    // Orientation 6: stored 40 x 20 landscape, shown as a 20 x 40 portrait.
    const QString turned = dir.filePath("turned.jpg");
    ASSERT_TRUE(fixtures::writeImage(turned, 40, 20, "JPEG", 95));
    ASSERT_TRUE(fixtures::writeTags(turned, {{"Exif.Image.Orientation", "6"}}));
    const auto upright = ImageSource(turned).thumbnail(540, true);
    ASSERT_TRUE(upright);
    EXPECT_EQ(upright->size(), QSize(20, 40));
    // The green corner (top left as stored) is at the top right once turned clockwise.
    const QColor corner = upright->pixelColor(upright->width() - 2, 1);
    EXPECT_GT(corner.green(), 150);
    EXPECT_LT(corner.red(), 100);
    EXPECT_EQ(ImageSource(turned).thumbnail(540, false)->size(), QSize(40, 20));

    // A picture past the full-decode cap that Qt cannot read at reduced scale (a BMP whose header
    // states 10,000 x 6,000 pixels) and embeds no preview: nothing, and one line naming it.
    QByteArray bmp("BM", 2);
    const auto le32 = [](qint32 v) { return QByteArray(reinterpret_cast<const char *>(&v), 4); };
    bmp += le32(70) + le32(0) + le32(54) + le32(40) + le32(10000) + le32(6000);
    bmp += QByteArray("\x01\x00\x18\x00", 4) + le32(0) + le32(0) + le32(2835) + le32(2835) + le32(0) + le32(0);
    bmp += QByteArray(16, '\x7f');
    const QString huge = dir.filePath("huge.bmp");
    ASSERT_TRUE(fixtures::writeFile(huge, bmp));
    // The same stored top row first (its height negated, which Qt's reader states as it is).
    const QString hugeTopDown = dir.filePath("huge-top-down.bmp");
    ASSERT_TRUE(fixtures::writeFile(hugeTopDown, QByteArray(bmp).replace(22, 4, le32(-6000))));
    // A small one stored so has its size, and a part of it is cut.
    QByteArray topDown = bmp.left(54).replace(18, 8, le32(4) + le32(-2)) + QByteArray(2 * 12, '\x7f');
    const QString smallTopDown = dir.filePath("small-top-down.bmp");
    ASSERT_TRUE(fixtures::writeFile(smallTopDown, topDown.replace(2, 4, le32(qint32(topDown.size())))));
    const auto smallProps = ImageSource(smallTopDown).properties();
    ASSERT_TRUE(smallProps);
    EXPECT_EQ(smallProps->value(platform::ImageProperty::PixelWidth).toInt(), 4);
    EXPECT_EQ(smallProps->value(platform::ImageProperty::PixelHeight).toInt(), 2);
    EXPECT_TRUE(ImageSource(smallTopDown).region(QRect(0, 0, 2, 2), QSize(2, 2), true));
    // A colour PNG line of 20,000,000 pixels, within the pixel cap, whose rows alone would take
    // libpng and us some 200 MB: left out as too large, not as damaged, and never decoded.
    const QString wide = dir.filePath("wide.png");
    ASSERT_TRUE(fixtures::writeFile(wide, hostile::pngLine(20'000'000, true)));
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &line) { logged << line; });
    EXPECT_FALSE(ImageSource(huge).thumbnail(540, true));
    EXPECT_FALSE(ImageSource(huge).thumbnail(72, true));
    EXPECT_FALSE(ImageSource(hugeTopDown).thumbnail(540, true));
    const double rise = hostile::peakRiseMiB([&] {
        EXPECT_FALSE(ImageSource(wide).thumbnail(540, true));
        EXPECT_FALSE(ImageSource(wide).region(QRect(0, 0, 100, 1), QSize(100, 1), true));
    });
    qInstallMessageHandler(previous);
    EXPECT_MEMORY_BELOW(rise, 20.0);
    for (const QString &path : {huge, hugeTopDown, wide}) {
        const QStringList lines = logged.filter(path);
        ASSERT_EQ(lines.size(), 1) << logged.join('\n').toStdString();
        EXPECT_TRUE(lines[0].contains(QStringLiteral("too large")));
    }
    EXPECT_TRUE(logged.filter(huge).value(0).contains(QStringLiteral("10000 x 6000")));
    EXPECT_TRUE(logged.filter(hugeTopDown).value(0).contains(QStringLiteral("10000 x 6000")));
    EXPECT_TRUE(logged.filter(wide).value(0).contains(QStringLiteral("20000000 x 1")));
}

namespace {

// The mean colour of an image, channel by channel.
QColor meanColour(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    qint64 r = 0, g = 0, b = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb p = rgb.pixel(x, y);
            r += qRed(p);
            g += qGreen(p);
            b += qBlue(p);
        }
    }
    const qint64 n = std::max<qint64>(1, qint64(rgb.width()) * rgb.height());
    return QColor(int(r / n), int(g / n), int(b / n));
}

int colourDistance(const QColor &a, const QColor &b)
{
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

} // namespace

// A part of the picture is cut from the upright picture, whatever its orientation, and decoded at
// the size asked for (at reduced scale when it is much smaller than the part): it shows what the
// same part of the whole decoded picture shows.
TEST(ImageSource, RegionsAreCutFromTheUprightPicture)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char *orientation : {"1", "3", "6", "8", "5", "2"}) {
        SCOPED_TRACE(orientation);
        const QString path = dir.filePath(QStringLiteral("turned-%1.jpg").arg(orientation));
        ASSERT_TRUE(fixtures::writeImage(path, 1600, 1200, "JPEG", 95));
        ASSERT_TRUE(fixtures::writeTags(path, {{"Exif.Image.Orientation", orientation}}));
        const ImageSource source(path);
        const auto whole = source.thumbnail(1600, true); // the whole picture at its own size
        ASSERT_TRUE(whole);
        // Parts across the borders of the coloured fields, at full and at reduced scale.
        const QList<QRect> parts = {QRect(whole->width() / 4 - 60, whole->height() / 4 - 40, 200, 120),
                                    QRect(whole->width() / 2 - 90, 30, 240, whole->height() / 2),
                                    QRect(0, 0, whole->width(), whole->height()),
                                    QRect(whole->width() - 333, whole->height() - 251, 333, 251)};
        for (const QRect &rect : parts) {
            SCOPED_TRACE(QStringLiteral("%1,%2 %3x%4")
                             .arg(rect.x())
                             .arg(rect.y())
                             .arg(rect.width())
                             .arg(rect.height())
                             .toStdString());
            for (const QSize size : {rect.size(), QSize(48, 48)}) {
                const auto part = source.region(rect, size, true);
                ASSERT_TRUE(part);
                EXPECT_EQ(part->size(), rect.size().scaled(size, Qt::KeepAspectRatio).boundedTo(rect.size()));
                EXPECT_LE(colourDistance(meanColour(*part), meanColour(whole->copy(rect))), 6);
            }
        }
        // A part reaching past the picture is cut to it; one outside it gives nothing.
        const auto edge = source.region(QRect(whole->width() - 50, -20, 100, 70), QSize(100, 70), true);
        ASSERT_TRUE(edge);
        EXPECT_EQ(edge->size(), QSize(50, 50));
        EXPECT_FALSE(source.region(QRect(whole->width(), 0, 10, 10), QSize(10, 10), true));
    }
    // A picture the decoder cannot cut (a PNG) is decoded whole and cut.
    const QString png = dir.filePath("fields.png");
    ASSERT_TRUE(fixtures::writeImage(png, 800, 600, "PNG"));
    const auto whole = ImageSource(png).thumbnail(800, true);
    ASSERT_TRUE(whole);
    const QRect across(150, 100, 300, 200);
    const auto pngPart = ImageSource(png).region(across, QSize(60, 60), true);
    ASSERT_TRUE(pngPart);
    EXPECT_EQ(pngPart->size(), QSize(60, 40));
    EXPECT_LE(colourDistance(meanColour(*pngPart), meanColour(whole->copy(across))), 6);
    // As stored, when asked so.
    const QString turned = dir.filePath("turned-6.jpg");
    const auto stored = ImageSource(turned).region(QRect(0, 0, 400, 300), QSize(400, 300), false);
    ASSERT_TRUE(stored);
    EXPECT_GT(stored->pixelColor(200, 150).green(), 150); // the green field at the top left as stored

    // A 1-bit picture (8,000 x 6,000, 6 MB as decoded) is converted a band of rows at a time on its
    // way to the part, never whole (192 MB in 32-bit pixels).
    const QString mono = dir.filePath("mono.bmp");
    QImage bits(8000, 6000, QImage::Format_Mono);
    bits.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < bits.height(); ++y)
        std::memset(bits.scanLine(y), 0x0f, size_t(bits.bytesPerLine()));
    ASSERT_TRUE(bits.save(mono, "BMP"));
    bits = QImage();
    malloc_trim(0);
    std::optional<QImage> monoPart;
    const double rise = hostile::peakRiseMiB(
        [&] { monoPart = ImageSource(mono).region(QRect(0, 0, 8000, 6000), QSize(400, 300), true); });
    ASSERT_TRUE(monoPart);
    EXPECT_EQ(monoPart->size(), QSize(400, 300));
    EXPECT_EQ(qGray(monoPart->pixel(200, 150)), 102); // 8 of the 20 columns it covers white
    EXPECT_MEMORY_BELOW(rise, 40.0);
}

namespace {

// A PNG of `width` x `height` written by libpng in any of its layouts, its samples from a
// scrambled counter (every value of the depth, at random places).
struct PngLayout {
    const char *name;
    int colourType;
    int bitDepth;
    bool interlaced = false;
    int paletteEntries = 0;           // for a palette picture
    int transparentEntries = 0;       // palette entries with alpha
    bool transparentColour = false;   // a tRNS colour (grey or RGB)
    bool gammaAndProfileTags = false; // gAMA and sRGB chunks (tags, not conversions, for Qt's reader)
    // Qt 6.4's reader puts 16-bit RGB with a transparent colour in the wrong places: the same
    // picture without the colour, read by Qt, is the reference, and the first pixel (of that
    // colour) must be clear.
    bool referenceWithoutTransparency = false;
};

// libpng's part of writePng; holds nothing with a destructor, as libpng leaves through longjmp.
bool writeWithLibpng(FILE *out, const PngLayout &layout, int width, int height, png_bytep *rows,
                     const png_color *palette, const png_byte *alphas, const png_color_16 *colour)
{
    // Its warnings (the palette indexes past the palette, written on purpose) are not printed.
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, [](png_structp, png_const_charp) {});
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, out);
    png_set_benign_errors(png, 1); // palette indexes past the palette are written on purpose
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), layout.bitDepth, layout.colourType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (layout.paletteEntries > 0)
        png_set_PLTE(png, info, palette, layout.paletteEntries);
    if (layout.transparentEntries > 0)
        png_set_tRNS(png, info, alphas, layout.transparentEntries, nullptr);
    if (layout.transparentColour)
        png_set_tRNS(png, info, nullptr, 0, colour);
    if (layout.gammaAndProfileTags) {
        png_set_gAMA(png, info, 1.0 / 2.2);
        png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    }
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool writePng(const QString &path, PngLayout layout, int width, int height, bool transparency = true)
{
    layout.transparentColour = layout.transparentColour && transparency;
    const int perPixel = layout.colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4
        : layout.colourType == PNG_COLOR_TYPE_RGB                      ? 3
        : layout.colourType == PNG_COLOR_TYPE_GRAY_ALPHA               ? 2
                                                                       : 1;
    const int maxSample = (1 << layout.bitDepth) - 1;
    std::vector<std::vector<png_byte>> rows(static_cast<size_t>(height));
    std::vector<png_bytep> pointers;
    quint32 counter = 12345;
    for (auto &row : rows) {
        row.assign(size_t(width * perPixel * layout.bitDepth + 7) / 8, 0);
        for (int i = 0; i < width * perPixel; ++i) {
            counter = counter * 1103515245u + 12345u;
            const quint32 v = (counter >> 8) % quint32(maxSample + 1);
            if (layout.bitDepth == 16) {
                row[size_t(2 * i)] = png_byte(v >> 8);
                row[size_t(2 * i + 1)] = png_byte(v);
            } else {
                const int bit = i * layout.bitDepth;
                row[size_t(bit / 8)] |= png_byte(v << (8 - layout.bitDepth - bit % 8));
            }
        }
        pointers.push_back(row.data());
    }
    std::fill_n(rows[0].begin(), std::min<size_t>(rows[0].size(), size_t(perPixel * layout.bitDepth / 8)), 0);
    std::vector<png_color> palette(256);
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = {png_byte(i * 37), png_byte(255 - i * 11), png_byte(i * 101)};
    std::vector<png_byte> alphas(256);
    for (size_t i = 0; i < alphas.size(); ++i)
        alphas[i] = png_byte(i * 60 % 256);
    png_color_16 colour{}; // black; the first pixel is black (at 8 bits and more)
    colour.gray = png_uint_16(1 % (maxSample + 1));
    FILE *out = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!out)
        return false;
    const bool written =
        writeWithLibpng(out, layout, width, height, pointers.data(), palette.data(), alphas.data(), &colour);
    return std::fclose(out) == 0 && written;
}

// The pixel as premultiplied red, green, blue and alpha, whatever layout the picture is in.
QRgb premultipliedPixel(const QImage &image, int x, int y)
{
    if (image.format() == QImage::Format_Grayscale8) {
        const int v = image.constScanLine(y)[x];
        return qRgb(v, v, v);
    }
    return reinterpret_cast<const QRgb *>(image.constScanLine(y))[x];
}

} // namespace

// A PNG is decoded through libpng by our own reader: the pixels are those Qt's reader gives, in
// every layout, and a damaged file is logged once by us while libpng itself prints nothing.
TEST(ImageSource, PngsDecodeToQtsPixelsAndDamagedOnesQuietly)
{
    QTemporaryDir dir;
    const PngLayout layouts[] = {
        {"grey1", PNG_COLOR_TYPE_GRAY, 1},
        {"grey2-clear", PNG_COLOR_TYPE_GRAY, 2, true, 0, 0, true},
        {"grey4", PNG_COLOR_TYPE_GRAY, 4},
        {"grey8-clear", PNG_COLOR_TYPE_GRAY, 8, false, 0, 0, true},
        {"grey16", PNG_COLOR_TYPE_GRAY, 16, true},
        {"grey16-clear", PNG_COLOR_TYPE_GRAY, 16, false, 0, 0, true},
        {"grey-alpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, true},
        {"grey-alpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16},
        {"rgb8-tagged", PNG_COLOR_TYPE_RGB, 8, false, 0, 0, false, true},
        {"rgb8-clear", PNG_COLOR_TYPE_RGB, 8, true, 0, 0, true},
        {"rgb16", PNG_COLOR_TYPE_RGB, 16, true},
        {"rgb16-clear", PNG_COLOR_TYPE_RGB, 16, false, 0, 0, true, false, true},
        {"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8},
        {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, true},
        {"palette1-short", PNG_COLOR_TYPE_PALETTE, 1, false, 1},
        {"palette4-short-alpha", PNG_COLOR_TYPE_PALETTE, 4, true, 10, 3},
        {"palette8", PNG_COLOR_TYPE_PALETTE, 8, false, 200},
    };
    for (const PngLayout &layout : layouts) {
        SCOPED_TRACE(layout.name);
        const QString path = dir.filePath(QStringLiteral("%1.png").arg(QLatin1String(layout.name)));
        ASSERT_TRUE(writePng(path, layout, 37, 23));
        const QString reference = dir.filePath(QStringLiteral("%1-opaque.png").arg(QLatin1String(layout.name)));
        ASSERT_TRUE(writePng(reference, layout, 37, 23, !layout.referenceWithoutTransparency));
        QImage qt = platform::imaging::AreaReduction::reducible(QImageReader(reference).read());
        ASSERT_FALSE(qt.isNull());
        if (layout.referenceWithoutTransparency) {
            qt = qt.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            qt.setPixel(0, 0, qRgba(0, 0, 0, 0));
        }
        const auto ours = ImageSource(path).thumbnail(100, true);
        ASSERT_TRUE(ours);
        ASSERT_EQ(ours->size(), qt.size());
        int differing = 0;
        for (int y = 0; y < qt.height(); ++y)
            for (int x = 0; x < qt.width(); ++x)
                differing += premultipliedPixel(*ours, x, y) != premultipliedPixel(qt, x, y);
        EXPECT_EQ(differing, 0);
    }

    // A checksum broken in the picture data: libpng fails on it.
    const QString damaged = dir.filePath("damaged.png");
    ASSERT_TRUE(fixtures::writeImage(damaged, 300, 200, "PNG"));
    QFile file(damaged);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype idat = bytes.indexOf("IDAT");
    ASSERT_GT(idat, 0);
    const quint32 length = qFromBigEndian<quint32>(bytes.constData() + idat - 4);
    bytes[idat + 4 + qsizetype(length) + 3] = char(bytes[idat + 4 + qsizetype(length) + 3] ^ 0x5a);
    ASSERT_TRUE(file.seek(0));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();

    // Damaged headers: a broken checksum in IHDR or PLTE, an unknown critical chunk, a palette
    // shorter than its indexes, a file cut short anywhere. Every road gives a clean refusal or
    // the right picture, and libpng prints nothing on any of them.
    const QString palette = dir.filePath("palette8.png");
    const QString rgb = dir.filePath("rgb8-tagged.png");
    auto bytesOf = [](const QString &path) {
        QFile in(path);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    };
    auto flipped = [](QByteArray png, qsizetype at) {
        png[at] = char(png[at] ^ 0x20);
        return png;
    };
    const QByteArray paletteBytes = bytesOf(palette), rgbBytes = bytesOf(rgb);
    const qsizetype plte = paletteBytes.indexOf("PLTE");
    ASSERT_GT(plte, 0);
    QList<QByteArray> mutants{flipped(rgbBytes, 8 + 8 + 13), flipped(paletteBytes, plte + 4 + 10),
                              rgbBytes.left(33) + QByteArray("\0\0\0\0QQQQ\x8b\x0f\x27\x61", 12) + rgbBytes.mid(33)};
    QByteArray shortPalette = paletteBytes;
    const quint32 plteLength = qFromBigEndian<quint32>(paletteBytes.constData() + plte - 4);
    QByteArray twoEntries("PLTE\x00\x00\x00\xff\xff\xff", 10);
    QByteArray shortChunk("\0\0\0\6", 4);
    shortChunk += twoEntries;
    const quint32 crc = qToBigEndian(quint32(crc32(0, reinterpret_cast<const Bytef *>(twoEntries.constData()), 10)));
    shortChunk += QByteArray(reinterpret_cast<const char *>(&crc), 4);
    mutants << shortPalette.replace(plte - 4, qsizetype(plteLength) + 12, shortChunk);
    for (const qsizetype cut : {20, 40, 60, 120, 200})
        mutants << rgbBytes.left(cut) << paletteBytes.left(cut);
    // No header chunk where libpng needs it: none at all, one renamed to an ancillary name, one
    // after the picture data. libpng's header then never was: each is damaged, logged once.
    const QByteArray signature = rgbBytes.left(8), header = rgbBytes.mid(8, 25), rest = rgbBytes.mid(33);
    QByteArray renamed = header;
    renamed[4] = 'i';
    const QList<QByteArray> headerless{signature + rest, signature + renamed + rest,
                                       signature + rest.chopped(12) + header + rest.right(12)};
    const qsizetype firstHeaderless = mutants.size();
    mutants << headerless;
    // Icons whose one entry is PNG data: read through our reader, a damaged one logged once by us.
    const auto icon = [](const QByteArray &png) {
        QByteArray ico("\0\0\1\0\1\0", 6);
        ico += char(37);
        ico += char(23);
        ico += QByteArray("\0\0\1\0\x20\0", 6);
        const quint32 length = qToLittleEndian(quint32(png.size())), offset = qToLittleEndian(quint32(22));
        ico += QByteArray(reinterpret_cast<const char *>(&length), 4)
            + QByteArray(reinterpret_cast<const char *>(&offset), 4);
        return ico + png;
    };
    const auto appleIcon = [](const QByteArray &png) {
        const quint32 entry = qToBigEndian(quint32(png.size() + 8)), whole = qToBigEndian(quint32(png.size() + 16));
        return "icns" + QByteArray(reinterpret_cast<const char *>(&whole), 4) + "ic07"
            + QByteArray(reinterpret_cast<const char *>(&entry), 4) + png;
    };
    const qsizetype damagedIcon = mutants.size();
    mutants << icon(bytes) << icon(rgbBytes);
    // A JPEG whose Exif thumbnail is that damaged PNG: the thumbnail is left out, logged once.
    QByteArray jpeg;
    {
        QBuffer out(&jpeg);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_TRUE(QImageWriter(&out, "jpeg").write(QImage(37, 23, QImage::Format_RGB32)));
    }
    QByteArray exif("Exif\0\0II*\0\x08\0\0\0\0\0\x0e\0\0\0\x03\0", 22);
    const auto entry = [&exif](quint16 tag, quint16 type, quint32 value) {
        const quint16 t = qToLittleEndian(tag), k = qToLittleEndian(type);
        const quint32 one = qToLittleEndian(quint32(1)), v = qToLittleEndian(value);
        exif += QByteArray(reinterpret_cast<const char *>(&t), 2) + QByteArray(reinterpret_cast<const char *>(&k), 2)
            + QByteArray(reinterpret_cast<const char *>(&one), 4) + QByteArray(reinterpret_cast<const char *>(&v), 4);
    };
    entry(259, 3, 6);
    entry(513, 4, 56);
    entry(514, 4, quint32(bytes.size()));
    exif += QByteArray(4, '\0') + bytes;
    const int app1 = int(exif.size()) + 2;
    mutants << jpeg.left(2) + QByteArray("\xFF\xE1", 2) + char(app1 >> 8) + char(app1 & 0xFF) + exif + jpeg.mid(2);
    mutants << appleIcon(bytes) << appleIcon(rgbBytes);
    // An Apple icon whose table of contents names its entry with a length of 0 (Qt's reader would
    // ask for gigabytes): damaged.
    {
        QByteArray named = appleIcon(rgbBytes);
        const quint32 whole = qToBigEndian(quint32(named.size() + 16));
        named.replace(4, 4, QByteArray(reinterpret_cast<const char *>(&whole), 4));
        named.insert(8, QByteArray("TOC \0\0\0\x10ic07\0\0\0\0", 16));
        mutants << named;
    }
    QStringList mutantPaths;
    for (int i = 0; i < mutants.size(); ++i) {
        mutantPaths << dir.filePath(QStringLiteral("mutant%1.png").arg(i));
        ASSERT_TRUE(fixtures::writeFile(mutantPaths.last(), mutants[i]));
    }

    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &line) { logged << line; });
    std::fflush(stderr);
    const int savedError = dup(2);
    QTemporaryFile captured;
    ASSERT_TRUE(captured.open());
    dup2(captured.handle(), 2);
    const auto thumbnail = ImageSource(damaged).thumbnail(72, true);
    const auto part = ImageSource(damaged).region(QRect(0, 0, 100, 100), QSize(50, 50), true);
    for (const QString &mutant : mutantPaths) {
        SCOPED_TRACE(mutant.toStdString());
        const ImageSource source(mutant);
        (void)source.typeIdentifier();
        (void)source.metadataTags();
        (void)source.embeddedThumbnail(true);
        if (const auto props = source.properties(); props && props->contains(key::PixelWidth)) {
            EXPECT_EQ(props->value(key::PixelWidth).toLongLong(), 37);
            EXPECT_EQ(props->value(key::PixelHeight).toLongLong(), 23);
        }
        if (const auto picture = source.thumbnail(100, true)) {
            EXPECT_EQ(picture->size(), QSize(37, 23));
        }
        if (const auto picture = source.comparableThumbnail(100, true)) {
            EXPECT_EQ(picture->size(), QSize(37, 23));
        }
        if (const auto piece = source.region(QRect(0, 0, 10, 10), QSize(10, 10), true)) {
            EXPECT_EQ(piece->size(), QSize(10, 10));
        }
    }
    std::fflush(stderr);
    dup2(savedError, 2);
    close(savedError);
    qInstallMessageHandler(previous);
    EXPECT_FALSE(thumbnail);
    EXPECT_FALSE(part);
    captured.seek(0);
    EXPECT_EQ(captured.readAll(), QByteArray());
    ASSERT_EQ(logged.filter(damaged).size(), 1) << logged.join('\n').toStdString();
    EXPECT_TRUE(logged.filter(damaged).first().contains(QStringLiteral("CRC"))) << logged.join('\n').toStdString();
    // Each mutant that does not read is logged once, by us.
    for (const QString &mutant : mutantPaths)
        EXPECT_LE(logged.filter(mutant + ":").size(), 1) << logged.join('\n').toStdString();
    EXPECT_TRUE(logged.filter(mutantPaths[damagedIcon] + ": damaged (").size() == 1) << logged.join('\n').toStdString();
    EXPECT_TRUE(ImageSource(mutantPaths[damagedIcon + 1]).thumbnail(100, true));
    EXPECT_EQ(logged.filter(mutantPaths[damagedIcon + 3] + ": damaged (").size(), 1) << logged.join('\n').toStdString();
    EXPECT_TRUE(ImageSource(mutantPaths[damagedIcon + 4]).thumbnail(100, true));
    EXPECT_EQ(logged.filter(mutantPaths[damagedIcon + 2] + " left out: damaged (its embedded PNG picture").size(), 1)
        << logged.join('\n').toStdString();
    for (qsizetype i = firstHeaderless; i < damagedIcon; ++i) {
        const QStringList lines = logged.filter(mutantPaths[i] + ":");
        ASSERT_EQ(lines.size(), 1) << logged.join('\n').toStdString();
        EXPECT_TRUE(lines.first().contains(QStringLiteral("damaged (no header chunk"))) << lines.first().toStdString();
    }
    // The properties read from the same header as the pixels.
    const auto props = ImageSource(rgb).properties();
    ASSERT_TRUE(props);
    EXPECT_EQ(props->value(key::Depth).toLongLong(), 8);
    EXPECT_EQ(props->value(key::ColorModel).toString(), QStringLiteral("RGB"));
    EXPECT_FALSE(props->contains("HasAlpha"));
    const auto grey = ImageSource(dir.filePath("grey-alpha16.png")).properties();
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->value(key::Depth).toLongLong(), 16);
    EXPECT_EQ(grey->value(key::ColorModel).toString(), QStringLiteral("Gray"));
    EXPECT_TRUE(grey->value("HasAlpha").toBool());
}

namespace {

// Bytes this process has read from files so far.
qint64 bytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

} // namespace

// Compressed picture data that goes on far past the rows (4 GiB of zeros in 4 MB) is not inflated
// nor read to its end on any road, plain, palette or interlaced: the picture decodes from its
// first bytes. A stream that gives no rows for its length is refused once it passes what the rows
// could take. A stop switch raised during a decode ends it, with nothing logged.
TEST(ImageSource, PngDataPastItsRowsIsNotRead)
{
    QTemporaryDir dir;
    if (bytesRead() < 0)
        GTEST_SKIP() << "/proc/self/io is not readable";
    struct Case {
        const char *name;
        bool interlaced, palette;
    };
    for (const Case &c : {Case{"plain", false, false}, Case{"palette", false, true}, Case{"interlaced", true, false}}) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QStringLiteral("%1.png").arg(QLatin1String(c.name)));
        const QByteArray png = hostile::pngWithDataPastItsRows(4 * hostile::kGiB, c.interlaced, c.palette);
        ASSERT_GT(png.size(), 4'000'000);
        ASSERT_TRUE(fixtures::writeFile(path, png));
        const ImageSource source(path);
        const qint64 before = bytesRead();
        const auto thumbnail = source.thumbnail(540, true);
        const auto comparable = source.comparableThumbnail(72, true);
        const auto part = source.region(QRect(4, 4, 8, 8), QSize(8, 8), true);
        const auto props = source.properties();
        EXPECT_LT(bytesRead() - before, 4 * 1024 * 1024 + png.size() / 4);
        ASSERT_TRUE(thumbnail);
        EXPECT_EQ(thumbnail->size(), QSize(16, 16));
        ASSERT_TRUE(comparable);
        ASSERT_TRUE(part);
        EXPECT_EQ(part->size(), QSize(8, 8));
        ASSERT_TRUE(props);
        EXPECT_EQ(props->value(key::PixelWidth).toLongLong(), 16);
        EXPECT_EQ(props->value(key::ColorModel).toString(), QStringLiteral("RGB"));
        // The pixels are those of the rows: the same as the plain PNG of them decodes to.
        if (!c.interlaced && !c.palette) {
            const QString plain = dir.filePath(QStringLiteral("rows.png"));
            ASSERT_TRUE(fixtures::writeFile(plain, hostile::pngWithDataPastItsRows(0)));
            EXPECT_EQ(ImageSource(plain).thumbnail(540, true), thumbnail);
        }
    }

    const QString empty = dir.filePath(QStringLiteral("empty-blocks.png"));
    const QByteArray blocks = hostile::pngWithDataPastItsRows(0, false, false, 2'000'000);
    ASSERT_TRUE(fixtures::writeFile(empty, blocks));
    qint64 before = bytesRead();
    EXPECT_FALSE(ImageSource(empty).thumbnail(540, true));
    EXPECT_LT(bytesRead() - before, blocks.size() * 3 / 4);

    // A large picture, stopped after a few pieces of its data: no picture, the rest left unread.
    const QString large = dir.filePath(QStringLiteral("large.png"));
    QImage noise(1500, 1000, QImage::Format_RGB32);
    quint32 seed = 1;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, (seed = seed * 1664525u + 1013904223u) >> 8);
    ASSERT_TRUE(noise.save(large, "PNG"));
    const qint64 size = QFileInfo(large).size();
    ASSERT_GT(size, 1'000'000);
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &line) { logged << line; });
    int asked = 0;
    before = bytesRead();
    const auto stopped = ImageSource(large, [&asked] { return ++asked > 3; }).thumbnail(540, true);
    const qint64 stoppedRead = bytesRead() - before;
    qInstallMessageHandler(previous);
    EXPECT_FALSE(stopped);
    EXPECT_LT(stoppedRead, size / 2);
    EXPECT_TRUE(logged.filter(large).isEmpty()) << logged.join('\n').toStdString();
    EXPECT_TRUE(ImageSource(large, [] { return false; }).thumbnail(540, true));
}

TEST(ImageSource, HeicThroughLibheif)
{
    QTemporaryDir dir;
    const QString heic = fixtures::makeHeic(dir.path(), "photo.heic", 64, 48);
    if (heic.isEmpty())
        GTEST_SKIP() << "heif-enc is not available";
    const ImageSource source(heic);
    EXPECT_EQ(source.typeIdentifier(), QString("public.heic"));
    const auto props = source.properties();
    ASSERT_TRUE(props);
    EXPECT_EQ(props->value(key::PixelWidth).toLongLong(), 64);
    EXPECT_EQ(props->value(key::PixelHeight).toLongLong(), 48);
    const auto thumb = source.thumbnail(32, true);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->size(), QSize(32, 24));
    const auto full = source.thumbnail(64, true);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->size(), QSize(64, 48));
    EXPECT_GT(full->pixelColor(50, 30).blue(), 150); // right half is blue
    EXPECT_TRUE(source.metadataTags());
}

TEST(ImageSource, RealPhoneJpegWithGps)
{
    const QString photo = fixtures::realSample("original-files/pic1/IMG_20200827_231612.jpg");
    if (photo.isEmpty())
        GTEST_SKIP() << "forensics-samples-files is not installed";
    const auto props = ImageSource(photo).properties();
    ASSERT_TRUE(props);
    EXPECT_EQ(props->value(key::PixelWidth).toLongLong(), 4000);
    EXPECT_EQ(props->value(key::PixelHeight).toLongLong(), 3000);
    const QVariantMap tiff = sub(*props, key::TIFFDictionary);
    EXPECT_EQ(tiff.value("Make").toString(), "Xiaomi");
    EXPECT_EQ(tiff.value("DateTime").toString(), "2020:08:27 23:16:12");
    const QVariantMap gps = sub(*props, key::GPSDictionary);
    EXPECT_NEAR(gps.value("Latitude").toDouble(), 15.835554, 1e-6);
    EXPECT_EQ(gps.value("LatitudeRef").toString(), "S");
    EXPECT_NEAR(gps.value("Longitude").toDouble(), 48.015791, 1e-6);
    EXPECT_EQ(gps.value("LongitudeRef").toString(), "W");
    EXPECT_FALSE(sub(*props, key::ExifDictionary).isEmpty());

    // Orientation 3 (upside down): the thumbnail keeps its landscape shape.
    const QString turned = fixtures::realSample("original-files/pic2/IMG_20200124_231153.jpg");
    ASSERT_FALSE(turned.isEmpty());
    const auto thumb = ImageSource(turned).thumbnail(540, true);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->size(), QSize(540, 405));
}

namespace {

// Read system calls this process has made so far.
qint64 readCalls()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n'))
        if (line.startsWith("syscr:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

} // namespace

// A file that merely starts with the JPEG signature has no pixel size, so it is no picture: both
// readings give no properties, and the exact scan's deferred reading does not take it for one.
TEST(ImageSource, JpegSignatureWithoutFrameHeaderHasNoProperties)
{
    QTemporaryDir dir;
    QByteArray noise(3000, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + 13) % 251);
    const QString junk = dir.filePath("junk.jpg");
    fixtures::writeFile(junk, QByteArray("\xFF\xD8", 2) + noise);
    // An Exif segment that claims to run far past the end of the file.
    const QString runaway = dir.filePath("runaway.jpg");
    fixtures::writeFile(runaway, QByteArray("\xFF\xD8\xFF\xE1\xFF\xF0", 6) + noise);
    // A frame header cut in the middle.
    const QString whole = dir.filePath("whole.jpg");
    ASSERT_TRUE(fixtures::writeImage(whole, 64, 48, "JPEG"));
    QFile file(whole);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const int frame = int(bytes.indexOf(QByteArray("\xFF\xC0", 2)));
    ASSERT_GT(frame, 0);
    const QString cut = dir.filePath("cut.jpg");
    fixtures::writeFile(cut, bytes.left(frame + 5));

    for (const QString &path : {junk, runaway, cut}) {
        const ImageSource source(path);
        EXPECT_FALSE(source.properties()) << path.toStdString();
        EXPECT_FALSE(source.propertiesByImageReaders()) << path.toStdString();
        EXPECT_FALSE(ImageSource::hasJpegFrameHeader(path)) << path.toStdString();
    }
    EXPECT_TRUE(ImageSource::hasJpegFrameHeader(whole));
    EXPECT_TRUE(ImageSource(whole).properties());
}

// A damaged header is given up at once: the header of a small file is read from memory, and a
// segment running past the end is not read two filler bytes at a time (Qt's own reader issues a
// read call for every pair, some 32,000 here).
TEST(ImageSource, DamagedJpegHeaderIsGivenUpAtOnce)
{
    QTemporaryDir dir;
    const QString runaway = dir.filePath("runaway.jpg");
    fixtures::writeFile(runaway,
                        QByteArray("\xFF\xD8\xFF\xE1\xFF\xF0", 6) + QByteArray(3000, 'x')
                            + QByteArray("\xFF\xD8\xFF\xC4\xFF\xF0", 6));
    const qint64 before = readCalls();
    if (before < 0)
        GTEST_SKIP() << "/proc/self/io is not readable";
    EXPECT_FALSE(ImageSource(runaway).properties());
    EXPECT_LT(readCalls() - before, 50);
}

TEST(ImageSource, MetadataPastItsBoundIsLeftOutAndThePictureStillRead)
{
    QTemporaryDir dir;
    const fixtures::Tags make{{"Exif.Image.Make", "Acme"}};
    auto tagged = [&](const char *name, const char *format, const fixtures::Tags &more = {}) {
        const QString path = dir.filePath(QLatin1String(name));
        fixtures::Tags tags = make;
        tags.insert(tags.end(), more.begin(), more.end());
        EXPECT_TRUE(fixtures::writeImage(path, 64, 48, format) && fixtures::writeTags(path, tags));
        return path;
    };
    QFile plain(tagged("plain.png", "PNG"));
    ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
    const QByteArray png = plain.readAll();
    // Metadata just past the bounds, that exiv2 would copy and parse several times over: 17 MB of
    // text in a PNG, of a TIFF field, of an XMP packet in a WebP; 2,001 text chunks.
    const QByteArray text = QByteArray("Comment", 8) + QByteArray(17 << 20, 'a');
    const QString hostilePng = dir.filePath("text.png");
    ASSERT_TRUE(fixtures::writeFile(hostilePng, hostile::pngWithChunk(png, "tEXt", text)));
    const std::string description(17 << 20, 'a');
    const QString hostileTiff = tagged("description.tif", "TIFF", {{"Exif.Image.ImageDescription", description}});
    const QString plainWebp = tagged("plain.webp", "WEBP");
    QFile webp(plainWebp);
    ASSERT_TRUE(webp.open(QIODevice::ReadOnly));
    const QString hostileWebp = dir.filePath("xmp.webp");
    const QByteArray xmp = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
                           "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
                           "rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" dc:format=\""
        + QByteArray(17 << 20, 'a') + "\"/></rdf:RDF></x:xmpmeta>";
    ASSERT_TRUE(fixtures::writeFile(hostileWebp, hostile::webpWithChunk(webp.readAll(), "XMP ", xmp)));
    QByteArray texts = png;
    for (int i = 0; i <= 2000; ++i)
        texts = hostile::pngWithChunk(texts, "tEXt", QByteArray("Comment", 8) + QByteArray::number(i));
    const QString manyTexts = dir.filePath("texts.png");
    ASSERT_TRUE(fixtures::writeFile(manyTexts, texts));
    // Within the bounds: the picture data in thousands of chunks, and a megabyte of text.
    const QString pieces = dir.filePath("pieces.png");
    ASSERT_TRUE(fixtures::writeFile(pieces, hostile::pngWithDataInPieces(png, 1)));
    const QString withText = dir.filePath("some-text.png");
    ASSERT_TRUE(fixtures::writeFile(withText, hostile::pngWithChunk(png, "tEXt", text.left(1 << 20))));
    const QString smallTiff = tagged("small.tif", "TIFF", {{"Exif.Image.ImageDescription", "Harbour"}});
    // A maker note of 250 entries that all name one block of 256 KB: small on disk, 62 MB copied;
    // as a TIFF, and as the Exif block of a PNG and of a WebP; and within the 64 KB of a JPEG's APP1
    // segment, a block of 54 KB named by the maker note and the Exif directory, 26 MB copied.
    const QByteArray flood = hostile::tiffWithMakerNoteFlood(250, 256 << 10);
    const QString makerTiff = dir.filePath("maker-note.tif");
    ASSERT_TRUE(fixtures::writeFile(makerTiff, flood));
    const QString makerPng = dir.filePath("maker-note.png");
    ASSERT_TRUE(fixtures::writeFile(makerPng, hostile::pngWithChunk(png, "eXIf", flood)));
    const QString makerWebp = dir.filePath("maker-note.webp");
    webp.seek(0);
    ASSERT_TRUE(fixtures::writeFile(makerWebp, hostile::webpWithChunk(webp.readAll(), "EXIF", flood)));
    const QString plainJpeg = dir.filePath("plain.jpg");
    ASSERT_TRUE(fixtures::writeImage(plainJpeg, 64, 48, "JPEG"));
    QFile jpeg(plainJpeg);
    ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
    const QString makerJpeg = dir.filePath("maker-note.jpg");
    ASSERT_TRUE(fixtures::writeFile(
        makerJpeg, hostile::jpegWithExif(jpeg.readAll(), hostile::tiffWithMakerNoteFlood(250, 54 << 10, true))));
    const QStringList floods{makerTiff, makerPng, makerWebp, makerJpeg};

    for (const QString &path : {hostilePng, manyTexts, hostileTiff, hostileWebp, pieces, withText, smallTiff, plainWebp,
                                makerTiff, makerPng, makerWebp, makerJpeg}) {
        SCOPED_TRACE(path.toStdString());
        const bool past = path == hostilePng || path == manyTexts || path == hostileTiff || path == hostileWebp
            || floods.contains(path);
        static QStringList logged;
        logged.clear();
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &line) { logged << line; });
        const ImageSource source(path);
        std::optional<QVariantMap> props, plainProps;
        std::optional<QVariantList> tags;
        std::optional<QImage> thumbnail, comparable, part, embedded;
        // The buffers the files were made from go back to the system, so that none of their
        // freed memory is taken again unseen.
        malloc_trim(0);
        const double rise = hostile::peakRiseMiB([&] {
            props = source.properties();
            plainProps = source.propertiesByImageReaders();
            tags = source.metadataTags();
            thumbnail = source.thumbnail(540, true);
            comparable = source.comparableThumbnail(72, true);
            part = source.region(QRect(0, 0, 32, 24), QSize(32, 24), true);
            embedded = source.embeddedThumbnail(true);
        });
        qInstallMessageHandler(previous);
        // The picture is read on every road; only its metadata is absent past the bound.
        ASSERT_TRUE(props && plainProps && tags);
        EXPECT_EQ(props->value(key::PixelWidth).toLongLong(), 64);
        EXPECT_EQ(*props, *plainProps);
        if (!floods.contains(path)) {
            EXPECT_EQ(sub(*props, key::TIFFDictionary).value(key::TIFFMake).toString(), past ? QString() : "Acme");
        }
        EXPECT_EQ(tags->isEmpty(), past);
        ASSERT_TRUE(thumbnail && comparable && part);
        EXPECT_EQ(thumbnail->size(), QSize(64, 48));
        EXPECT_FALSE(embedded);
        const QStringList lines = logged.filter(path);
        if (past) {
            EXPECT_EQ(lines.size(), 1) << logged.join('\n').toStdString();
            for (const QString &line : lines)
                EXPECT_TRUE(line.contains("Metadata of")
                            && line.contains(path == manyTexts ? "more than 2000 metadata blocks"
                                                               : "more than 16 MB of metadata"))
                    << line.toStdString();
            // exiv2 alone took some 34 MB for the PNG and 190 MB for the TIFF and the WebP; libtiff
            // and Qt's WebP reader still hold the field or the whole file while they read.
            EXPECT_MEMORY_BELOW(rise, path == hostilePng || path == manyTexts || path == makerJpeg ? 8.0 : 96.0);
        } else {
            EXPECT_TRUE(lines.isEmpty()) << lines.join('\n').toStdString();
        }
    }
}

// A WebP whose RIFF size or picture chunk claims more bytes than the file holds, or whose picture
// data passes four bytes a pixel of the size it states (a sparse gigabyte behind 64 x 48 pixels,
// which Qt's reader and exiv2 would each read whole on every road), is damaged: one line, and no
// reader is given it, its metadata left out; a WebP as written still reads.
TEST(ImageSource, WebpClaimingMoreThanItHoldsIsDamagedOnEveryRoad)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath("plain.webp");
    ASSERT_TRUE(fixtures::writeImage(plain, 64, 48, "WEBP")
                && fixtures::writeTags(plain, {{"Exif.Image.Make", "Acme"}}));
    QFile file(plain);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray webp = file.readAll();
    const QString past = dir.filePath("claims-past-the-end.webp");
    ASSERT_TRUE(hostile::writeWebpClaiming(past, webp, "VP8 ", 4096, false));
    const QString riff = dir.filePath("riff-claims.webp");
    QByteArray riffClaims = webp;
    riffClaims[5] = char(riffClaims[5] + 1);
    ASSERT_TRUE(fixtures::writeFile(riff, riffClaims));
    const QString huge = dir.filePath("huge-data.webp");
    ASSERT_TRUE(hostile::writeWebpClaiming(huge, webp, "VP8 ", hostile::kGiB, true));
    // An animation whose one frame holds a bitstream that runs past the frame.
    const QString frame = dir.filePath("frame-claims.webp");
    {
        const qsizetype at = webp.indexOf("VP8 ");
        QByteArray bitstream = webp.mid(at, 8 + qFromLittleEndian<quint32>(webp.constData() + at + 4));
        QByteArray anmf = QByteArray(6, '\0') + QByteArray("\x3f\0\0\x2f\0\0\x64\0\0\0", 10) + bitstream;
        bitstream.clear();
        qToLittleEndian<quint32>(qFromLittleEndian<quint32>(anmf.constData() + 20) + 4096, anmf.data() + 20);
        QByteArray animated = QByteArray("RIFF\0\0\0\0WEBPVP8X\x0a\0\0\0\x02\0\0\0\x3f\0\0\x2f\0\0", 30);
        animated += QByteArray("ANIM\x06\0\0\0", 8) + QByteArray(6, '\0');
        animated = hostile::webpWithChunk(animated, "ANMF", anmf);
        ASSERT_TRUE(fixtures::writeFile(frame, animated));
    }
    const QString hugeXmp = dir.filePath("huge-xmp.webp");
    ASSERT_TRUE(
        hostile::writeWebpClaiming(hugeXmp, hostile::webpWithChunk(webp, "XMP ", "<x/>"), "XMP ", hostile::kGiB, true));
    for (const QString &path : {past, riff, frame, huge, hugeXmp, plain}) {
        SCOPED_TRACE(path.toStdString());
        static QStringList logged;
        logged.clear();
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &line) { logged << line; });
        const ImageSource source(path);
        std::optional<QVariantMap> props;
        std::optional<QVariantList> tags;
        std::optional<QImage> thumbnail, comparable, part;
        const double rise = hostile::peakRiseMiB([&] {
            props = source.properties();
            tags = source.metadataTags();
            thumbnail = source.thumbnail(540, true);
            comparable = source.comparableThumbnail(72, true);
            part = source.region(QRect(0, 0, 32, 24), QSize(32, 24), true);
        });
        qInstallMessageHandler(previous);
        const QStringList lines = logged.filter(path);
        if (path == plain) {
            ASSERT_TRUE(props && thumbnail && comparable && part);
            EXPECT_EQ(sub(*props, key::TIFFDictionary).value(key::TIFFMake).toString(), "Acme");
            EXPECT_EQ(thumbnail->size(), QSize(64, 48));
            EXPECT_TRUE(lines.isEmpty()) << lines.join('\n').toStdString();
            continue;
        }
        EXPECT_FALSE(thumbnail || comparable || part);
        EXPECT_FALSE(props && props->contains(key::TIFFDictionary));
        EXPECT_TRUE(!tags || tags->isEmpty());
        ASSERT_EQ(lines.size(), 1) << logged.join('\n').toStdString();
        EXPECT_TRUE(lines[0].contains(path == huge          ? "damaged (1073"
                                          : path == hugeXmp ? "too large (more than 64 MB"
                                          : path == frame   ? "more than its frame holds"
                                                            : "damaged (its "))
            << lines[0].toStdString();
        // Qt's reader and exiv2 took a gigabyte each for the sparse files.
        EXPECT_MEMORY_BELOW(rise, 20.0);
    }
}

// A BigTIFF directory stating a million entries, 20 MB of them in the file, is no directory (no
// classic one holds more than 65,535, and libtiff takes it for none): no walk of ours reads its
// entries on any road, and the picture is left out with one line.
TEST(ImageSource, BigTiffDirectoryOfAMillionEntriesIsNotWalked)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("million.tif");
    hostile::TiffBytes tiff(true);
    tiff.putCount(1'000'000);
    tiff.entry(256, 3, 1, 16); // ImageWidth
    tiff.entry(257, 3, 1, 16); // ImageLength
    ASSERT_TRUE(fixtures::writeFile(path, tiff.bytes + QByteArray(20'000'000, '\0')));
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &line) { logged << line; });
    const qint64 before = readCalls();
    const ImageSource source(path);
    (void)source.properties();
    (void)source.metadataTags();
    EXPECT_FALSE(source.thumbnail(540, true));
    EXPECT_FALSE(source.region(QRect(0, 0, 8, 8), QSize(8, 8), true));
    const qint64 reads = readCalls() - before;
    qInstallMessageHandler(previous);
    // The entries walked a window at a time took some 5,000 reads on each road.
    if (before >= 0) {
        EXPECT_LT(reads, 200);
    }
    EXPECT_EQ(logged.filter(path).size(), 1) << logged.join('\n').toStdString();
}

// libtiff reads every field of a TIFF's first directory as Qt's reader opens it, and holds the
// largest twice: a sparse file with a field of a gigabyte (nothing on disk) would cost two. It is
// left out as too large on every road, with one line, before the reader opens it; a field of some
// hundred megabytes (the layers an editor keeps) still reads.
TEST(ImageSource, TiffFieldsPastTheDecodeBoundLeaveThePictureOutAsTooLarge)
{
    QTemporaryDir dir;
    const QString huge = dir.filePath("layers-huge.tif");
    const QString layered = dir.filePath("layers.tif");
    ASSERT_TRUE(hostile::writeTiffWithHugeField(huge, hostile::kGiB));
    ASSERT_TRUE(hostile::writeTiffWithHugeField(layered, 120 << 20));
    const QString hugeBig = dir.filePath("layers-huge-big.tif");
    ASSERT_TRUE(hostile::writeTiffWithHugeField(hugeBig, hostile::kGiB, true));
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &line) { logged << line; });
    const ImageSource source(huge);
    std::optional<QVariantMap> props;
    const double rise = hostile::peakRiseMiB([&] {
        EXPECT_FALSE(source.thumbnail(540, true));
        EXPECT_FALSE(source.comparableThumbnail(72, true));
        EXPECT_FALSE(source.region(QRect(0, 0, 8, 8), QSize(8, 8), true));
        props = source.propertiesByImageReaders();
    });
    const auto layers = ImageSource(layered).thumbnail(540, true);
    // A BigTIFF is held to the same bound.
    const double bigRise = hostile::peakRiseMiB([&] { EXPECT_FALSE(ImageSource(hugeBig).thumbnail(540, true)); });
    qInstallMessageHandler(previous);
    EXPECT_MEMORY_BELOW(rise, 20.0);
    EXPECT_MEMORY_BELOW(bigRise, 20.0);
    ASSERT_EQ(logged.filter(hugeBig).size(), 1) << logged.join('\n').toStdString();
    EXPECT_TRUE(logged.filter(hugeBig)[0].contains(QStringLiteral("too large")));
    ASSERT_TRUE(props);
    EXPECT_FALSE(props->contains(key::PixelWidth));
    const QStringList lines = logged.filter(huge);
    ASSERT_EQ(lines.size(), 1) << logged.join('\n').toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("too large"))) << lines[0].toStdString();
    ASSERT_TRUE(layers);
    EXPECT_EQ(layers->size(), QSize(16, 16));
    EXPECT_TRUE(logged.filter(layered).isEmpty()) << logged.join('\n').toStdString();
}

// A TIFF is decoded a strip at a time, never a row at a time (libtiff's LZW decoder pays some
// microseconds for every row it is asked for): a column of 600,000 LZW rows in one strip reads,
// classic and BigTIFF. One stored in more strips than any picture has is left out as too large,
// and one whose directory states more entries than a directory holds as damaged, with one line,
// before libtiff reads them, on every road that decodes.
TEST(ImageSource, TallTiffsReadAndTiffsOfTooManyStripsAreLeftOut)
{
    QTemporaryDir dir;
    const auto write = [&](const char *name, const QByteArray &bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(fixtures::writeFile(path, bytes));
        return path;
    };
    const QString tall = write("tall-lzw.tif", hostile::tiffOfOneStrip(1, 600'000, 5));
    const QString tallBig = write("tall-lzw-big.tif", hostile::tiffOfOneStrip(1, 600'000, 5, true));
    const QString many = write("strips.tif", hostile::tiffOfStrips(1, int(platform::imaging::kMaxTiffStrips) + 1));
    const QString enough = write("fewer-strips.tif", hostile::tiffOfStrips(2, 5'000));
    // A BigTIFF directory stating more entries than a classic one can.
    QByteArray crowded = hostile::tiffOfOneStrip(8, 8, 1, true);
    crowded.replace(16, 8, QByteArray("\x40\x42\x0f\0\0\0\0\0", 8));
    const QString entries = write("entries-big.tif", crowded);
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &line) { logged << line; });
    const auto tallRead = ImageSource(tall).thumbnail(540, true);
    const auto bigRead = ImageSource(tallBig).comparableThumbnail(72, true);
    const ImageSource source(many);
    EXPECT_FALSE(source.thumbnail(540, true));
    EXPECT_FALSE(source.comparableThumbnail(72, true));
    EXPECT_FALSE(source.region(QRect(0, 0, 1, 8), QSize(1, 8), true));
    const std::optional<QVariantMap> props = source.propertiesByImageReaders();
    const auto enoughRead = ImageSource(enough).thumbnail(540, true);
    EXPECT_FALSE(ImageSource(entries).thumbnail(540, true));
    qInstallMessageHandler(previous);
    ASSERT_EQ(logged.filter(entries).size(), 1) << logged.join('\n').toStdString();
    EXPECT_TRUE(logged.filter(entries)[0].contains(QStringLiteral("damaged")));
    ASSERT_TRUE(tallRead);
    EXPECT_EQ(tallRead->size(), QSize(1, 540));
    ASSERT_TRUE(bigRead);
    EXPECT_EQ(logged.filter(tall).size() + logged.filter(enough).size(), 0) << logged.join('\n').toStdString();
    const QStringList lines = logged.filter(many);
    ASSERT_EQ(lines.size(), 1) << logged.join('\n').toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("too large"))) << lines[0].toStdString();
    ASSERT_TRUE(props);
    EXPECT_FALSE(props->contains(key::PixelWidth));
    ASSERT_TRUE(enoughRead);
    EXPECT_EQ(enoughRead->size(), QSize(1, 540));
}
