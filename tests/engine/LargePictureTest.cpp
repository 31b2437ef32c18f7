// A very large photo must neither stall the scan nor exhaust memory: it is hashed from a reduced-
// scale decode (never a full-size one), and it groups with its exact copy in a similar scan.

#include "engine/MVNTwinsift.h"
#include "engine/ScanEngine.h"
#include "platform/ImageSource.h"
#include "platform/JpegHeader.h"

#include "support/ScanFixtures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include "support/HostileFiles.h"
#include "support/JpegWriter.h"
#include "support/MemoryBounds.h"

namespace {

double peakResidentMegabytes()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// How a test JPEG is written: its size, whether progressive, whether its colour is kept at full
// resolution (4:4:4) instead of halved both ways (4:2:0), and the fields of its checkerboard.
struct JpegLayout {
    int width = 0;
    int height = 0;
    bool progressive = false;
    bool fullChroma = false;
    int fields = 4;
};

// Writes a JPEG row by row (so the test itself holds one row; a progressive one keeps its
// coefficients in the encoder): a checkerboard of light and dark fields with a soft gradient, so the
// picture has a hash, drawn in proportion to the size (a half-size copy shows the same picture).
bool writeLargeJpeg(const QString &path, const JpegLayout &layout)
{
    const int width = layout.width, height = layout.height, fields = layout.fields;
    const JpegWriteOptions options{width, height, 50, layout.progressive, layout.fullChroma};
    return writeJpegByRows(path, options, [&](int y, JSAMPLE *row) {
        for (int x = 0; x < width; ++x) {
            const bool light = ((qint64(x) * fields / width) + (qint64(y) * fields / height)) % 2 == 0;
            const int tone = (light ? 190 : 50) + int(qint64(x) * 40 / width) - int(qint64(y) * 20 / height);
            row[size_t(x) * 3] = JSAMPLE(tone);
            row[size_t(x) * 3 + 1] = JSAMPLE(light ? tone : tone / 2);
            row[size_t(x) * 3 + 2] = JSAMPLE(255 - tone);
        }
    });
}

bool writeLargeJpeg(const QString &path, int width, int height)
{
    return writeLargeJpeg(path, JpegLayout{width, height});
}

// The coefficient buffer a decoder keeps for the JPEG at `path`, as its frame header tells.
qint64 bufferedBytesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray head = file.read(64 * 1024);
    const auto facts =
        platform::readJpegHeader(reinterpret_cast<const unsigned char *>(head.constData()), size_t(head.size()));
    return facts ? facts->bufferedBytes : -1;
}

// Every message the program logs while it lives.
class LogCapture
{
public:
    LogCapture() { previous_ = qInstallMessageHandler(&LogCapture::record); }
    ~LogCapture()
    {
        qInstallMessageHandler(previous_);
        lines().clear();
    }
    static QStringList &lines()
    {
        static QStringList all;
        return all;
    }

private:
    static void record(QtMsgType, const QMessageLogContext &, const QString &message) { lines().append(message); }
    QtMessageHandler previous_ = nullptr;
};

} // namespace

TEST(LargePicture, HugeJpegIsHashedAtReducedScaleAndGroupsWithItsCopy)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Written outside the scanned folder, then copied into it twice, so that both copies carry
    // creation times within the scan's time window.
    const QString written = dir.filePath("written.jpg");
    ASSERT_TRUE(writeLargeJpeg(written, 20000, 30000));
    ASSERT_TRUE(QDir().mkpath(dir.filePath("photos")));
    const QString huge = dir.filePath("photos/huge.jpg");
    ASSERT_TRUE(QFile::copy(written, huge));
    ASSERT_TRUE(QFile::copy(written, dir.filePath("photos/huge-copy.jpg")));

    const double before = peakResidentMegabytes();
    const auto props = platform::ImageSource(huge).properties();
    ASSERT_TRUE(props);
    EXPECT_EQ(props->value(platform::ImageProperty::PixelWidth).toLongLong(), 20000);
    EXPECT_EQ(props->value(platform::ImageProperty::PixelHeight).toLongLong(), 30000);
    const QImage thumbnail = MVNTwinsift::thumbnail(huge, 72);
    EXPECT_EQ(thumbnail.size(), QSize(48, 72));
    const MVNTwinsift hasher;
    const auto hash = hasher.twk(huge, 72);
    ASSERT_TRUE(hash.hasHash());
    // A full-size decode alone would take 2.4 GB.
    EXPECT_MEMORY_BELOW(peakResidentMegabytes() - before, 100.0);

    auto flags = std::make_shared<ScanFlags>();
    ScanEngine engine(flags, ScanSettings::defaults());
    engine.setCollectionPause(std::chrono::milliseconds(0));
    const ScanOutcome outcome = engine.sendDataToScanVC({scanfixtures::entryFor(dir.filePath("photos"))}, true);
    ASSERT_TRUE(outcome.completed);
    ASSERT_TRUE(outcome.sendData);
    ASSERT_EQ(outcome.sendData->size(), 1u);
    ASSERT_EQ((*outcome.sendData)[0].size(), 2u);
    EXPECT_FLOAT_EQ((*outcome.sendData)[0][1]->matchingPercentage, 100.0f);
    // Two such decodes at once stay within the shared budget.
    EXPECT_MEMORY_BELOW(peakResidentMegabytes() - before, 250.0);
}

// A progressive JPEG keeps every coefficient of the picture while it decodes, whatever the output
// scale: a 48 MP photo saved progressive, and a 24 MP one whose colour is kept at full resolution,
// need some 146 MB each. They are decoded (alone under the shared budget) and hashed, and each
// groups with its half-size copy in a real similar scan.
TEST(LargePicture, ProgressivePhotosAreHashedAndGroupWithTheirHalfSizeCopies)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir().mkpath(dir.filePath("written")));
    ASSERT_TRUE(QDir().mkpath(dir.filePath("photos")));
    const QStringList names = {"phone.jpg", "phone-half.jpg", "export.jpg", "export-half.jpg"};
    const double beforeWriting = peakResidentMegabytes();
    ASSERT_TRUE(writeLargeJpeg(dir.filePath("written/phone.jpg"), JpegLayout{8000, 6000, true, false, 4}));
    ASSERT_TRUE(writeLargeJpeg(dir.filePath("written/phone-half.jpg"), JpegLayout{4000, 3000, false, false, 4}));
    ASSERT_TRUE(writeLargeJpeg(dir.filePath("written/export.jpg"), JpegLayout{6000, 4000, true, true, 3}));
    ASSERT_TRUE(writeLargeJpeg(dir.filePath("written/export-half.jpg"), JpegLayout{3000, 2000, false, true, 3}));
    const double afterWriting = peakResidentMegabytes();
    // Each needs more than the 100 MB a decode may take beside others.
    EXPECT_GT(bufferedBytesOf(dir.filePath("written/phone.jpg")), 130 * 1024 * 1024);
    EXPECT_GT(bufferedBytesOf(dir.filePath("written/export.jpg")), 130 * 1024 * 1024);
    // Copied into the scanned folder together, so that their creation times lie within the scan's
    // time window.
    for (const QString &name : names)
        ASSERT_TRUE(QFile::copy(dir.filePath("written/" + name), dir.filePath("photos/" + name)));

    const auto phone = platform::ImageSource(dir.filePath("photos/phone.jpg")).thumbnail(540, true);
    ASSERT_TRUE(phone);
    EXPECT_EQ(phone->size(), QSize(540, 405));
    const auto exported = platform::ImageSource(dir.filePath("photos/export.jpg")).thumbnail(540, true);
    ASSERT_TRUE(exported);
    EXPECT_EQ(exported->size(), QSize(540, 360));

    auto flags = std::make_shared<ScanFlags>();
    ScanEngine engine(flags, ScanSettings::defaults());
    engine.setCollectionPause(std::chrono::milliseconds(0));
    const ScanOutcome outcome = engine.sendDataToScanVC({scanfixtures::entryFor(dir.filePath("photos"))}, true);
    ASSERT_TRUE(outcome.completed);
    ASSERT_TRUE(outcome.sendData);
    std::vector<QStringList> groups;
    for (const auto &group : *outcome.sendData) {
        QStringList members;
        for (const auto &file : group)
            members << QFileInfo(file->path()).fileName();
        members.sort();
        groups.push_back(members);
    }
    std::sort(groups.begin(), groups.end());
    const std::vector<QStringList> expected = {{"export-half.jpg", "export.jpg"}, {"phone-half.jpg", "phone.jpg"}};
    EXPECT_EQ(groups, expected);
    // The large decodes ran one at a time: the scan added little to what writing the pictures took.
    EXPECT_MEMORY_BELOW(peakResidentMegabytes() - beforeWriting, std::max(afterWriting - beforeWriting, 0.0) + 250.0);
    std::fprintf(stderr, "peak resident memory: %.0f MB after writing, %.0f MB after the scan\n", afterWriting,
                 peakResidentMegabytes());
}

// A picture whose decoder would pass the cap (a 22,500 x 33,300 progressive panorama would keep
// 2.2 GB of coefficients) is not decoded: it is skipped at once, with one logged line naming it and
// its size, and without a byte of the decode taken.
TEST(LargePicture, PictureWhoseDecodeWouldPassTheCapIsSkippedWithALoggedLine)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A small progressive picture whose frame header is made to state the panorama's size.
    const QString huge = dir.filePath("panorama.jpg");
    ASSERT_TRUE(writeLargeJpeg(huge, JpegLayout{900, 1332, true, false, 4}));
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype frame = bytes.indexOf(QByteArray("\xFF\xC2", 2));
    ASSERT_GT(frame, 0);
    const auto put16 = [&bytes](qsizetype at, int value) {
        bytes[at] = char(value >> 8);
        bytes[at + 1] = char(value & 0xFF);
    };
    put16(frame + 5, 33300);
    put16(frame + 7, 22500);
    ASSERT_TRUE(file.seek(0));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();
    ASSERT_GT(bufferedBytesOf(huge), qint64(2000) * 1024 * 1024);

    LogCapture log;
    const double before = peakResidentMegabytes();
    EXPECT_TRUE(platform::ImageSource(huge).properties());
    EXPECT_FALSE(platform::ImageSource(huge).thumbnail(540, true));
    EXPECT_TRUE(MVNTwinsift::thumbnail(huge, 72).isNull());
    EXPECT_MEMORY_BELOW(peakResidentMegabytes() - before, 50.0);
    const QStringList skipped = LogCapture::lines().filter(huge);
    ASSERT_EQ(skipped.size(), 1); // once, however often it is asked for
    EXPECT_TRUE(skipped[0].contains(QStringLiteral("22500 x 33300")));
}

// A JPEG with tens of thousands of empty comment or Exif segments (each one a list walk inside the
// JPEG library, minutes in all) wherever they stand, with tens of megabytes of comments (kept five
// times over by Qt's reader), or with tens of megabytes of fill bytes, stray bytes or tables before
// its first scan (read byte by byte, and once kept whole, by every reading of its head), and a TIFF
// whose embedded thumbnail is such a JPEG: each is refused before any library sees it on every road
// that would meet the markers, with one line in the log naming it, while the roads that stop at the
// first scan read it as usual. Real camera JPEGs read as before.
TEST(LargePicture, JpegWithAFloodOfMarkerSegmentsIsRefusedAtOnce)
{
    using hostile::JpegSpot;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray plain;
    {
        QBuffer buffer(&plain);
        ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
        ASSERT_TRUE(scanfixtures::makePhoto(7, 64, 48).save(&buffer, "JPG"));
    }
    ASSERT_TRUE(writeLargeJpeg(dir.filePath("progressive.jpg"), JpegLayout{64, 48, true}));
    QFile progressiveFile(dir.filePath("progressive.jpg"));
    ASSERT_TRUE(progressiveFile.open(QIODevice::ReadOnly));
    const QByteArray progressive = progressiveFile.readAll();
    const QByteArray comments = hostile::jpegSegments(0xFE, 0, 60000);
    const QByteArray bigComments = hostile::jpegSegments(0xFE, 65533, 300); // 20 MB

    struct Flood {
        const char *name;
        QByteArray bytes;
        bool beforeScan;   // met by every road, not only by a decode
        qint64 gap = 0;    // bytes written right after SOI:
        bool fill = false; // FF fill bytes, else a hole of zero bytes
    };
    const Flood floods[] = {
        {"comments.jpg", hostile::jpegWith(plain, JpegSpot::AfterSoi, comments), true},
        {"exif.jpg", hostile::jpegWith(plain, JpegSpot::AfterSoi, hostile::jpegSegments(0xE1, 0, 30000)), true},
        {"stuffed.jpg", hostile::jpegWith(plain, JpegSpot::AfterSoi, QByteArray("\xFF\x00", 2) + comments), true},
        {"big-comments.jpg", hostile::jpegWith(plain, JpegSpot::AfterSoi, bigComments), true},
        {"between-scans.jpg", hostile::jpegWith(progressive, JpegSpot::BetweenScans, comments), false},
        {"after-data.jpg", hostile::jpegWith(plain, JpegSpot::BeforeEoi, comments), false},
        {"big-after-data.jpg", hostile::jpegWith(progressive, JpegSpot::BeforeEoi, bigComments), false},
        {"fill-bytes.jpg", plain, true, 40 << 20, true},
        {"stray-bytes.jpg", plain, true, hostile::kGiB, false},
        {"tables.jpg", hostile::jpegWith(plain, JpegSpot::AfterSoi, hostile::jpegTableSegments(400)), true},
    };
    for (const Flood &flood : floods) {
        SCOPED_TRACE(flood.name);
        ASSERT_FALSE(flood.bytes.isEmpty());
        const QString path = dir.filePath(QString::fromLatin1(flood.name));
        ASSERT_TRUE(flood.gap > 0 ? hostile::writeJpegAfterGap(path, flood.bytes, flood.gap, flood.fill)
                                  : scanfixtures::writeFile(path, flood.bytes));
        const platform::ImageSource source(path);
        LogCapture log;
        const double rise = hostile::peakRiseMiB([&] {
            const bool read = !flood.beforeScan;
            EXPECT_EQ(platform::ImageSource::hasJpegFrameHeader(path), read);
            EXPECT_EQ(source.properties().has_value(), read);
            EXPECT_EQ(source.propertiesByImageReaders().has_value(), read);
            EXPECT_EQ(source.metadataTags().has_value(), read);
            EXPECT_FALSE(source.thumbnail(540, true));
            EXPECT_FALSE(source.region(QRect(0, 0, 32, 24), QSize(32, 24), true));
            EXPECT_FALSE(source.embeddedThumbnail(true));
            EXPECT_TRUE(MVNTwinsift::thumbnail(path, 72).isNull());
        });
        EXPECT_MEMORY_BELOW(rise, 100.0);
        // Refused on every road that meets the markers, and logged once with the reason.
        const QStringList lines = LogCapture::lines().filter(path);
        EXPECT_EQ(lines.size(), 1);
        for (const QString &line : lines)
            EXPECT_TRUE(line.contains(QStringLiteral("marker segments"))
                        || line.contains(QStringLiteral("comment and application segments"))
                        || line.contains(QStringLiteral("before its first scan")))
                << line.toStdString();
    }

    // The flood in the thumbnail a TIFF embeds: the thumbnail is refused, the picture itself reads.
    {
        const QString path = dir.filePath("thumbnail.tif");
        ASSERT_TRUE(scanfixtures::writeFile(
            path, hostile::tiffWithThumbnail(64, 48, hostile::jpegWith(plain, JpegSpot::AfterSoi, comments))));
        const platform::ImageSource source(path);
        LogCapture log;
        const double rise = hostile::peakRiseMiB([&] {
            EXPECT_TRUE(source.properties());
            EXPECT_TRUE(source.metadataTags());
            EXPECT_FALSE(source.embeddedThumbnail(true));
            EXPECT_EQ(MVNTwinsift::thumbnail(path, 72).size(), QSize(64, 48));
        });
        EXPECT_MEMORY_BELOW(rise, 100.0);
        const QStringList lines = LogCapture::lines().filter(path);
        EXPECT_EQ(lines.size(), 1);
        for (const QString &line : lines)
            EXPECT_TRUE(line.contains(QStringLiteral("embedded picture"))) << line.toStdString();
    }

    // Restart markers are part of the compressed data: thousands of them (one after every MCU of
    // every scan) are no flood.
    const QString restarts = dir.filePath("restarts.jpg");
    ASSERT_TRUE(writeJpegByRows(restarts, JpegWriteOptions{1024, 768, 80, true, false, 1},
                                [](int y, JSAMPLE *rgb) { std::fill(rgb, rgb + 1024 * 3, JSAMPLE(y % 256)); }));
    {
        LogCapture log;
        EXPECT_TRUE(platform::ImageSource(restarts).thumbnail(540, true));
        EXPECT_TRUE(platform::ImageSource(restarts).region(QRect(0, 0, 32, 24), QSize(32, 24), true));
        EXPECT_TRUE(LogCapture::lines().filter(restarts).isEmpty());
    }

    const QString camera = QStringLiteral("/usr/share/forensics-samples/original-files/pic1/IMG_1054.JPG");
    if (!QFileInfo::exists(camera))
        GTEST_SKIP() << "forensics-samples-files is not installed";
    EXPECT_TRUE(platform::ImageSource::hasJpegFrameHeader(camera));
    EXPECT_TRUE(platform::ImageSource(camera).properties());
    EXPECT_TRUE(platform::ImageSource(camera).thumbnail(540, true));
    EXPECT_FALSE(MVNTwinsift::thumbnail(camera, 72).isNull());
}

// Pictures of extreme shape at the cap of full decodes: a line of 50,000,000 grey pixels and a
// strip of 12,000,000 x 4 colour ones (small LZW-compressed TIFFs), a column of 50,000,000 grey
// pixels (stored plain: compressed, a TIFF that tall is left out, as libtiff's LZW decoder takes
// over a minute over its one-byte rows), and
// a PNG line of 50,000,000 grey pixels (past the million a side libpng takes by default). A
// thumbnail and a hash of each take little memory besides the decoded picture itself: nothing is
// kept per source column or row (a weight for each once took 600 MB for the line).
TEST(LargePicture, PicturesOfExtremeShapeAtThePixelCapReadWithLittleMemoryBesideTheirPixels)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Shape {
        const char *name;
        QSize size;
        QImage::Format format;
        int compression;
        QSize thumbnail;
        QSize hashThumbnail;
    };
    const Shape shapes[] = {
        {"line.tif", {50'000'000, 1}, QImage::Format_Grayscale8, 1, {540, 1}, {72, 1}},
        {"strip.tif", {12'000'000, 4}, QImage::Format_RGB32, 1, {540, 1}, {72, 1}},
        {"column.tif", {1, 50'000'000}, QImage::Format_Grayscale8, 0, {1, 540}, {1, 72}},
        {"line.png", {50'000'000, 1}, QImage::Format_Grayscale8, 0, {540, 1}, {72, 1}},
    };
    for (const Shape &shape : shapes) {
        SCOPED_TRACE(shape.name);
        const QString path = dir.filePath(QString::fromLatin1(shape.name));
        double pixelMegabytes = 0;
        if (QString::fromLatin1(shape.name).endsWith(QLatin1String(".png"))) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_TRUE(file.write(hostile::pngLine(quint32(shape.size.width()))) > 0);
            pixelMegabytes = double(shape.size.width()) / (1 << 20);
        } else {
            QImage picture(shape.size, shape.format);
            ASSERT_FALSE(picture.isNull());
            for (int y = 0; y < picture.height(); ++y) {
                uchar *line = picture.scanLine(y);
                for (qsizetype i = 0; i < picture.bytesPerLine(); ++i)
                    line[i] = uchar((i / 4096 + y / 4096) % 2 ? 200 : 40);
            }
            pixelMegabytes = double(picture.sizeInBytes()) / (1 << 20);
            QImageWriter writer(path, "tiff");
            writer.setCompression(shape.compression);
            ASSERT_TRUE(writer.write(picture)) << writer.errorString().toStdString();
        }
        const double rise = hostile::peakRiseMiB([&] {
            const auto thumbnail = platform::ImageSource(path).thumbnail(540, true);
            ASSERT_TRUE(thumbnail);
            EXPECT_EQ(thumbnail->size(), shape.thumbnail);
            EXPECT_EQ(MVNTwinsift::thumbnail(path, 72).size(), shape.hashThumbnail);
            EXPECT_NE(MVNTwinsift().twk(path, 72).outcome, MVNTwinsift::HashOutcome::Unreadable);
        });
        EXPECT_MEMORY_BELOW(rise, pixelMegabytes + 100.0);
        std::fprintf(stderr, "%s: %.0f MB of pixels, peak rise %.0f MB\n", shape.name, pixelMegabytes, rise);
    }
}
