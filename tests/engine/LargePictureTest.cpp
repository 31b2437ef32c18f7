// A very large photo must neither stall the scan nor exhaust memory: it is hashed from a reduced-
// scale decode (never a full-size one), and it groups with its exact copy in a similar scan.

#include "engine/MVNTwinsift.h"
#include "engine/ScanEngine.h"
#include "platform/ImageSource.h"

#include "support/ScanFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

double peakResidentMegabytes()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Writes a width x height baseline JPEG row by row (so the test itself holds one row): a 4 x 4
// checkerboard of light and dark fields with a soft gradient, so the picture has a hash.
bool writeLargeJpeg(const QString &path, int width, int height, bool progressive = false)
{
    FILE *file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct info {};
    jpeg_error_mgr errors {};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 50, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(size_t(width) * 3);
    while (info.next_scanline < info.image_height) {
        const int y = int(info.next_scanline);
        for (int x = 0; x < width; ++x) {
            const bool light = ((x * 4 / width) + (y * 4 / height)) % 2 == 0;
            const int tone = (light ? 190 : 50) + (x * 40 / width) - (y * 20 / height);
            row[size_t(x) * 3] = JSAMPLE(tone);
            row[size_t(x) * 3 + 1] = JSAMPLE(light ? tone : tone / 2);
            row[size_t(x) * 3 + 2] = JSAMPLE(255 - tone);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

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
    EXPECT_LT(peakResidentMegabytes() - before, 100.0);

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
    EXPECT_LT(peakResidentMegabytes() - before, 250.0);
}

// A progressive JPEG keeps every coefficient of the picture while it decodes, whatever the output
// scale: one whose buffer would pass the limit is not decoded (it has no embedded preview here).
TEST(LargePicture, HugeProgressiveJpegIsNotDecoded)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString huge = dir.filePath("progressive.jpg");
    ASSERT_TRUE(writeLargeJpeg(huge, 8000, 6000, true));
    const double before = peakResidentMegabytes();
    EXPECT_TRUE(platform::ImageSource(huge).properties());
    EXPECT_FALSE(platform::ImageSource(huge).thumbnail(540, true));
    EXPECT_TRUE(MVNTwinsift::thumbnail(huge, 72).isNull());
    EXPECT_LT(peakResidentMegabytes() - before, 50.0);

    // A smaller one is decoded as usual.
    const QString small = dir.filePath("small-progressive.jpg");
    ASSERT_TRUE(writeLargeJpeg(small, 1200, 900, true));
    const auto thumb = platform::ImageSource(small).thumbnail(540, true);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->size(), QSize(540, 405));
}
