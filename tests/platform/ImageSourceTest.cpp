#include "platform/ImageSource.h"

#include "support/ServicesFixtures.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
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
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &line) { logged << line; });
    EXPECT_FALSE(ImageSource(huge).thumbnail(540, true));
    EXPECT_FALSE(ImageSource(huge).thumbnail(72, true));
    qInstallMessageHandler(previous);
    const QStringList lines = logged.filter(huge);
    ASSERT_EQ(lines.size(), 1) << logged.join('\n').toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("too large")));
    EXPECT_TRUE(lines[0].contains(QStringLiteral("10000 x 6000")));
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
