#include "engine/MVNTwinsift.h"

#include "support/ScanFixtures.h"
#include "support/ServicesFixtures.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTransform>

#include <gtest/gtest.h>

using scanfixtures::makePhoto;
using scanfixtures::writeJpeg;

namespace {

class MVNTwinsiftTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    MVNTwinsift hasher;

    QString pathOf(const QString &name) const { return dir.filePath(name); }

    std::vector<uint64_t> hashOf(const QString &path, int s = 72)
    {
        auto result = hasher.twk(path, s);
        EXPECT_EQ(result.outcome, MVNTwinsift::HashOutcome::Hash) << path.toStdString();
        return result.words;
    }
};

TEST_F(MVNTwinsiftTest, LimitsWordsAndPopulationCount)
{
    EXPECT_EQ(MVNTwinsift::distanceLimit(72), 984u);
    EXPECT_EQ(MVNTwinsift::wordCount(72), 81u);
    EXPECT_EQ(MVNTwinsift::wordCount(8), 1u);
    EXPECT_EQ(MVNTwinsift::wordCount(9), 2u);
    EXPECT_EQ(hasher.hashofhashhash(0), 0u);
    EXPECT_EQ(hasher.hashofhashhash(~uint64_t(0)), 64u);
    EXPECT_EQ(hasher.hashofhashhash(0x8000000000000001ull), 2u);
}

TEST_F(MVNTwinsiftTest, ComparisonScoresAndLimit)
{
    std::vector<uint64_t> a(81, 0x0123456789abcdefull);
    EXPECT_FLOAT_EQ(hasher.mVNCompare(a, a, 72), 100.0f);

    // Every bit inverted: far past the limit.
    std::vector<uint64_t> inverted(a.size());
    for (size_t i = 0; i < a.size(); ++i)
        inverted[i] = ~a[i];
    EXPECT_EQ(hasher.mVNCompare(a, inverted, 72), 18.0f);

    // Exactly 984 differing bits is still scored; 985 is not.
    auto flipBits = [](std::vector<uint64_t> h, int count) {
        for (int k = 0; k < count; ++k)
            h[size_t(k) / 64] ^= uint64_t(1) << (63 - k % 64);
        return h;
    };
    const float expected = float(5184 - 984) / float(5184) * 100.0f;
    EXPECT_EQ(hasher.mVNCompare(a, flipBits(a, 984), 72), expected);
    EXPECT_GT(expected, 81.0f);
    EXPECT_EQ(hasher.mVNCompare(a, flipBits(a, 985), 72), 18.0f);
    // A short hash (made with another size) is read with zeros, never past its end.
    EXPECT_EQ(hasher.mVNCompare(a, std::vector<uint64_t>(3, 0x0123456789abcdefull), 72), 18.0f);
}

TEST_F(MVNTwinsiftTest, SameFileScoresFullAndBitsArePackedMostSignificantFirst)
{
    const QString path = pathOf("photo.jpg");
    ASSERT_TRUE(writeJpeg(path, makePhoto(1, 640, 480)));
    const auto h1 = hashOf(path);
    const auto h2 = hashOf(path);
    ASSERT_EQ(h1.size(), 81u);
    EXPECT_EQ(h1, h2);
    EXPECT_FLOAT_EQ(hasher.mVNCompare(h1, h2, 72), 100.0f);

    // A picture whose top-left pixel of the first block is the only bright one sets bit 0, the most
    // significant bit of word 0.
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::black);
    image.setPixel(0, 0, qRgb(255, 255, 255));
    const auto single = MVNTwinsift::hashThumbnail(image, 8);
    ASSERT_TRUE(single.hasHash());
    ASSERT_EQ(single.words.size(), 1u);
    EXPECT_EQ(single.words[0], uint64_t(1) << 63);
    // Pixel (2, 0) is the first pixel of the second block: position 4.
    image.fill(Qt::black);
    image.setPixel(2, 0, qRgb(255, 255, 255));
    EXPECT_EQ(MVNTwinsift::hashThumbnail(image, 8).words[0], uint64_t(1) << (63 - 4));
}

TEST_F(MVNTwinsiftTest, FlatUnreadableAndTinyPictures)
{
    QImage grey(100, 80, QImage::Format_RGB32);
    grey.fill(QColor(128, 128, 128));
    ASSERT_TRUE(writeJpeg(pathOf("grey.jpg"), grey));
    QImage black(50, 50, QImage::Format_RGB32);
    black.fill(Qt::black);
    ASSERT_TRUE(black.save(pathOf("black.png")));
    EXPECT_EQ(hasher.twk(pathOf("grey.jpg"), 72).outcome, MVNTwinsift::HashOutcome::Flat);
    EXPECT_EQ(hasher.twk(pathOf("black.png"), 72).outcome, MVNTwinsift::HashOutcome::Flat);

    ASSERT_TRUE(scanfixtures::writeFile(pathOf("broken.jpg"), QByteArray("\xff\xd8\xff\xe0 not a jpeg", 16)));
    EXPECT_EQ(hasher.twk(pathOf("broken.jpg"), 72).outcome, MVNTwinsift::HashOutcome::Unreadable);
    EXPECT_EQ(hasher.twk(pathOf("missing.jpg"), 72).outcome, MVNTwinsift::HashOutcome::Unreadable);

    // Sizes below 4 have no blocks: no hash, no division by zero.
    ASSERT_TRUE(writeJpeg(pathOf("photo.jpg"), makePhoto(2)));
    EXPECT_EQ(hasher.twk(pathOf("photo.jpg"), 3).outcome, MVNTwinsift::HashOutcome::Flat);
    // A size that is not a multiple of 4 still gives a hash of the right length.
    const auto odd = hasher.twk(pathOf("photo.jpg"), 70);
    ASSERT_TRUE(odd.hasHash());
    EXPECT_EQ(odd.words.size(), MVNTwinsift::wordCount(70));
}

TEST_F(MVNTwinsiftTest, BitmapSizesOutsideTheValidRangeGiveNoHash)
{
    ASSERT_TRUE(writeJpeg(pathOf("photo.jpg"), makePhoto(4)));
    for (int size : {0, -72, MVNTwinsift::maximumBitmapSize + 1, 70000}) {
        EXPECT_EQ(hasher.twk(pathOf("photo.jpg"), size).outcome, MVNTwinsift::HashOutcome::Unreadable) << size;
        EXPECT_FALSE(MVNTwinsift::hashThumbnail(makePhoto(4), size).hasHash()) << size;
        // 70000 squared does not fit 32 bits: the comparison must not wrap into a score.
        EXPECT_EQ(hasher.mVNCompare({1, 2}, {1, 2}, size), 18.0f) << size;
    }
    EXPECT_TRUE(hasher.twk(pathOf("photo.jpg"), MVNTwinsift::maximumBitmapSize).hasHash());
}

TEST_F(MVNTwinsiftTest, NonSquarePictureIsStretchedNotPadded)
{
    // A wide picture: dark left half, bright right half, with detail in both.
    const QImage photo = makePhoto(3, 480, 160);
    const auto wide = MVNTwinsift::hashThumbnail(photo, 72);
    const auto stretched =
        MVNTwinsift::hashThumbnail(photo.scaled(72, 72, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), 72);
    ASSERT_TRUE(wide.hasHash());
    ASSERT_TRUE(stretched.hasHash());
    EXPECT_GE(hasher.mVNCompare(wide.words, stretched.words, 72), 95.0f);

    // Padding the picture into a square would give another hash.
    QImage padded(480, 480, QImage::Format_RGB32);
    padded.fill(Qt::black);
    QPainter(&padded).drawImage(0, 160, photo);
    const auto paddedHash = MVNTwinsift::hashThumbnail(padded, 72);
    ASSERT_TRUE(paddedHash.hasHash());
    EXPECT_LT(hasher.mVNCompare(wide.words, paddedHash.words, 72), 75.0f);
}

TEST_F(MVNTwinsiftTest, OrientationTagIsApplied)
{
    const QImage upright = makePhoto(4, 480, 320);
    ASSERT_TRUE(writeJpeg(pathOf("upright.jpg"), upright, 95));
    // Stored turned a quarter anticlockwise, tagged "rotate 90 clockwise to show" (6).
    const QImage stored = upright.transformed(QTransform().rotate(-90));
    ASSERT_TRUE(writeJpeg(pathOf("rotated.jpg"), stored, 95));
    ASSERT_TRUE(writeJpeg(pathOf("untagged.jpg"), stored, 95));
    scanfixtures::ExifFields tag;
    tag.orientation = 6;
    ASSERT_TRUE(scanfixtures::writeExif(pathOf("rotated.jpg"), tag));

    const auto reference = hashOf(pathOf("upright.jpg"));
    EXPECT_GE(hasher.mVNCompare(reference, hashOf(pathOf("rotated.jpg")), 72), 95.0f);
    EXPECT_LT(hasher.mVNCompare(reference, hashOf(pathOf("untagged.jpg")), 72), 75.0f);
}

TEST_F(MVNTwinsiftTest, ResizedAndRecompressedCopiesScoreHighUnrelatedLow)
{
    const QImage photo = makePhoto(5, 1600, 1200);
    ASSERT_TRUE(writeJpeg(pathOf("original.jpg"), photo, 92));
    ASSERT_TRUE(
        writeJpeg(pathOf("small.jpg"), photo.scaled(400, 300, Qt::KeepAspectRatio, Qt::SmoothTransformation), 92));
    ASSERT_TRUE(writeJpeg(pathOf("recompressed.jpg"), photo, 35));
    ASSERT_TRUE(photo.save(pathOf("lossless.png")));
    ASSERT_TRUE(writeJpeg(pathOf("other.jpg"), makePhoto(6, 1600, 1200), 92));

    const auto original = hashOf(pathOf("original.jpg"));
    EXPECT_GE(hasher.mVNCompare(original, hashOf(pathOf("small.jpg")), 72), 90.0f);
    EXPECT_GE(hasher.mVNCompare(original, hashOf(pathOf("recompressed.jpg")), 72), 90.0f);
    EXPECT_GE(hasher.mVNCompare(original, hashOf(pathOf("lossless.png")), 72), 90.0f);
    EXPECT_LT(hasher.mVNCompare(original, hashOf(pathOf("other.jpg")), 72), 75.0f);
}

TEST_F(MVNTwinsiftTest, ReducedScaleDecodeHashesLikeFullDecode)
{
    for (quint32 seed : {7u, 8u, 9u}) {
        const QString path = pathOf(QString("big%1.jpg").arg(seed));
        ASSERT_TRUE(writeJpeg(path, makePhoto(seed, 2000, 1500), 90));
        const QImage fast = MVNTwinsift::thumbnail(path, 72);
        // The plain reference: the whole picture decoded, then reduced smoothly.
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QImage full = reader.read().scaled(72, 72, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        ASSERT_FALSE(fast.isNull());
        EXPECT_EQ(fast.size(), QSize(72, 54));
        EXPECT_EQ(full.size(), QSize(72, 54));
        const auto a = MVNTwinsift::hashThumbnail(fast, 72);
        const auto b = MVNTwinsift::hashThumbnail(full, 72);
        EXPECT_GE(hasher.mVNCompare(a.words, b.words, 72), 95.0f) << seed;
    }
    // A picture smaller than s is not enlarged by the thumbnail step.
    ASSERT_TRUE(writeJpeg(pathOf("tiny.jpg"), makePhoto(10, 40, 30)));
    EXPECT_EQ(MVNTwinsift::thumbnail(pathOf("tiny.jpg"), 72).size(), QSize(40, 30));
}

// A picture under the cap of full decodes (here 36 megapixels, 144 MB decoded) is read whatever
// allocation limit the installed Qt release sets by default.
TEST_F(MVNTwinsiftTest, LargePngUnderTheFullDecodeCapIsHashed)
{
    {
        QImage picture(6000, 6000, QImage::Format_RGB32);
        ASSERT_FALSE(picture.isNull());
        for (int y = 0; y < picture.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x)
                line[x] = ((x / 1000 + y / 1500) % 2) ? qRgb(200, 180, 160) : qRgb(40, 60, 80);
        }
        ASSERT_TRUE(picture.save(pathOf("large.png")));
    }
    EXPECT_EQ(MVNTwinsift::thumbnail(pathOf("large.png"), 72).size(), QSize(72, 72));
    EXPECT_TRUE(hasher.twk(pathOf("large.png"), 72).hasHash());
}

// HEIC photos are photos of the scan; the Qt readers cannot decode them, the image source can.
TEST_F(MVNTwinsiftTest, HeicPhotoHashesLikeItsSource)
{
    if (QStandardPaths::findExecutable(QStringLiteral("heif-enc")).isEmpty())
        GTEST_SKIP() << "heif-enc is not available";
    const QImage photo = makePhoto(11, 640, 480);
    ASSERT_TRUE(photo.save(pathOf("source.png")));
    ASSERT_EQ(QProcess::execute(QStringLiteral("heif-enc"),
                                {QStringLiteral("-q"), QStringLiteral("90"), QStringLiteral("-o"), pathOf("photo.heic"),
                                 pathOf("source.png")}),
              0);

    EXPECT_EQ(MVNTwinsift::thumbnail(pathOf("photo.heic"), 72).size(), QSize(72, 54));
    const auto heic = hashOf(pathOf("photo.heic"));
    EXPECT_GE(hasher.mVNCompare(heic, hashOf(pathOf("source.png")), 72), 90.0f);
}

} // namespace

// The grey level of the hash is the luminance: a black-and-white copy of a colour photo hashes
// like the photo (averaging the three channels instead moves strongly coloured areas across their
// block means).
TEST_F(MVNTwinsiftTest, GreyCopiesOfRealColourPhotosScoreHigh)
{
    const QStringList photos{"original-files/pic1/IMG_20200827_231612.jpg",
                             "original-files/pic1/IMG_1054.JPG",
                             "original-files/pic1/IMG-20191006-WA0002.jpg",
                             "original-files/pic2/IMG_20191224_234846.jpg",
                             "original-files/pic2/IMG_20200124_231153.jpg",
                             "original-files/pic2/IMG_20200608_111614.jpg",
                             "original-files/pic2/d-debian.jpg"};
    int tried = 0;
    for (const QString &relative : photos) {
        const QString original = fixtures::realSample(relative);
        if (original.isEmpty())
            continue;
        ++tried;
        QImageReader reader(original);
        reader.setAutoTransform(true);
        const QImage colour = reader.read();
        ASSERT_FALSE(colour.isNull()) << relative.toStdString();
        // Kept losslessly, so that only the grey conversion tells the two apart.
        const QString grey = pathOf(QStringLiteral("grey%1.png").arg(tried));
        ASSERT_TRUE(colour.convertToFormat(QImage::Format_Grayscale8).save(grey));
        EXPECT_GE(hasher.mVNCompare(hashOf(original), hashOf(grey), 72), 96.0f) << relative.toStdString();
    }
    if (tried == 0)
        GTEST_SKIP() << "forensics-samples-files is not installed";
}

// A PNG of a JPEG's own decoded pixels is the same picture: it hashes like its JPEG about as closely
// as a strong recompression of the JPEG does, at every size of photo (the JPEG is shrunk by its
// decoder only to twice the thumbnail, the averaging of ours does the rest, as for the PNG). What
// is left between the two is the decoder's reduced scale against the average of its full-size
// pixels: about a point at most, less on the whole.
TEST_F(MVNTwinsiftTest, LosslessCopiesOfRealPhotosHashLikeTheirJpegs)
{
    const QStringList photos{
        "original-files/pic1/IMG_20200827_231612.jpg", "original-files/pic1/IMG_1054.JPG",
        "original-files/pic1/IMG-20191006-WA0002.jpg", "original-files/pic2/IMG_20191224_234846.jpg",
        "original-files/pic2/IMG_20200124_231153.jpg", "original-files/pic2/IMG_20200608_111614.jpg"};
    std::vector<QImage> pictures;
    for (const QString &relative : photos) {
        const QString path = fixtures::realSample(relative);
        if (path.isEmpty())
            continue;
        QImageReader reader(path);
        reader.setAutoTransform(true);
        pictures.push_back(reader.read());
        ASSERT_FALSE(pictures.back().isNull()) << relative.toStdString();
    }
    if (pictures.empty())
        GTEST_SKIP() << "forensics-samples-files is not installed";
    const auto median = [](std::vector<float> values) {
        std::sort(values.begin(), values.end());
        const size_t n = values.size();
        return n == 0 ? 0.0f : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    };
    std::vector<float> all;
    for (const int side : {400, 700, 1000, 1400, 2000}) {
        SCOPED_TRACE(side);
        std::vector<float> scores;
        for (size_t i = 0; i < pictures.size(); ++i) {
            if (std::max(pictures[i].width(), pictures[i].height()) < side)
                continue;
            const QString name = QStringLiteral("p%1-%2").arg(i).arg(side);
            ASSERT_TRUE(writeJpeg(pathOf(name + ".jpg"),
                                  pictures[i].scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation), 90));
            const QImage decoded = QImageReader(pathOf(name + ".jpg")).read();
            ASSERT_TRUE(decoded.save(pathOf(name + ".png")));
            ASSERT_TRUE(writeJpeg(pathOf(name + "-q40.jpg"), decoded, 40));
            const auto jpeg = hashOf(pathOf(name + ".jpg"));
            const float lossless = hasher.mVNCompare(jpeg, hashOf(pathOf(name + ".png")), 72);
            const float recompressed = hasher.mVNCompare(jpeg, hashOf(pathOf(name + "-q40.jpg")), 72);
            EXPECT_GE(lossless, recompressed - 1.5f) << name.toStdString();
            scores.push_back(lossless);
            all.push_back(lossless);
        }
        EXPECT_GE(median(scores), 98.5f);
    }
    EXPECT_GE(median(all), 99.0f);
}

// The thumbnail's reduction and the grey render are this program's own integer arithmetic, and the
// decoders of these photos (JPEG at a reduced scale Qt's reader does not rescale, PNG through our
// own libpng reader) give the same pixels on every supported release: the hashes are held to fixed
// values, so a change of a system library that would move the groups shows here.
TEST_F(MVNTwinsiftTest, HashesOfRealPhotosAreTheSameOnEveryRelease)
{
    // Grey levels are the luminance of the sRGB colour in linear light; stretching averages areas.
    QImage colours(4, 1, QImage::Format_RGB32);
    const QRgb samples[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(200, 120, 40)};
    for (int x = 0; x < 4; ++x)
        colours.setPixel(x, 0, samples[x]);
    const QImage levels = MVNTwinsift::greyBitmap(colours.scaled(4, 1), 4);
    ASSERT_EQ(levels.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(levels.constScanLine(3)), 4).toHex(), QByteArray("7fdc4c8b"));
    QImage halves(2, 1, QImage::Format_RGB32);
    halves.setPixel(0, 0, qRgb(0, 0, 0));
    halves.setPixel(1, 0, qRgb(255, 255, 255));
    EXPECT_EQ(
        QByteArray(reinterpret_cast<const char *>(MVNTwinsift::greyBitmap(halves, 3).constScanLine(1)), 3).toHex(),
        QByteArray("0080ff"));

    const std::pair<const char *, const char *> photos[] = {
        {"original-files/pic1/IMG_20200827_231612.jpg", "9d418998c3c7be14b015d1d7e4d1dc51"},
        {"original-files/pic1/IMG_1054.JPG", "f7bd0c1fb64457dc2cb6d119aab57df3"},
        {"original-files/pic2/IMG_20200608_111614.jpg", "4d2bf8ebee026dc1d37aaf5ce9d64377"},
        {"original-files/pic2/d-debian.png", "50d81b64c29ca16af73197b5bd95538a"},
        {"original-files/pic1/debian.png", "938d300176e83f1d8274e5e3a76848b3"},
    };
    int tried = 0;
    for (const auto &[relative, expected] : photos) {
        const QString path = fixtures::realSample(QString::fromLatin1(relative));
        if (path.isEmpty())
            continue;
        ++tried;
        const auto words = hashOf(path);
        QCryptographicHash md5(QCryptographicHash::Md5);
        for (uint64_t word : words)
            md5.addData(QByteArray::number(qulonglong(word), 16).rightJustified(16, '0'));
        EXPECT_EQ(md5.result().toHex(), QByteArray(expected)) << relative;
    }
    if (tried == 0)
        GTEST_SKIP() << "forensics-samples-files is not installed";
}

namespace {

QByteArray jpegBytes(const QImage &image, int quality = 90)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", quality);
    return bytes;
}

bool embedThumbnail(const QString &path, const QByteArray &jpeg)
{
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        if (!image.get())
            return false;
        image->readMetadata();
        Exiv2::ExifThumb thumb(image->exifData());
        thumb.setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(jpeg.constData()), long(jpeg.size()));
        image->writeMetadata();
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

// The hash takes the thumbnail the file embeds when it holds one (here a thumbnail of another
// picture, so the two readings can be told apart), unless its proportions differ from the
// picture's; a file without one is decoded.
TEST_F(MVNTwinsiftTest, EmbeddedThumbnailIsHashedWhenPresent)
{
    const QImage main = makePhoto(30, 640, 480);
    const QImage other = makePhoto(31, 160, 120);
    ASSERT_TRUE(writeJpeg(pathOf("plain.jpg"), main, 92));
    ASSERT_TRUE(writeJpeg(pathOf("thumbed.jpg"), main, 92));
    ASSERT_TRUE(embedThumbnail(pathOf("thumbed.jpg"), jpegBytes(other)));
    ASSERT_TRUE(writeJpeg(pathOf("square-thumb.jpg"), main, 92));
    ASSERT_TRUE(embedThumbnail(pathOf("square-thumb.jpg"), jpegBytes(makePhoto(31, 120, 120))));
    ASSERT_TRUE(writeJpeg(pathOf("other.png"), other, 95));

    const auto plain = hashOf(pathOf("plain.jpg"));
    const auto thumbed = hashOf(pathOf("thumbed.jpg"));
    EXPECT_GE(hasher.mVNCompare(thumbed, hashOf(pathOf("other.png")), 72), 95.0f);
    EXPECT_LT(hasher.mVNCompare(thumbed, plain, 72), 75.0f);
    EXPECT_GE(hasher.mVNCompare(hashOf(pathOf("square-thumb.jpg")), plain, 72), 99.0f);

    // Orientation 6 turns the embedded thumbnail as it turns the picture.
    const QImage stored = main.transformed(QTransform().rotate(-90));
    ASSERT_TRUE(writeJpeg(pathOf("turned.jpg"), stored, 92));
    scanfixtures::ExifFields tag;
    tag.orientation = 6;
    ASSERT_TRUE(scanfixtures::writeExif(pathOf("turned.jpg"), tag));
    ASSERT_TRUE(embedThumbnail(pathOf("turned.jpg"),
                               jpegBytes(stored.scaled(120, 160, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))));
    EXPECT_EQ(MVNTwinsift::thumbnail(pathOf("turned.jpg"), 72).size(), QSize(72, 54));
    EXPECT_GE(hasher.mVNCompare(hashOf(pathOf("turned.jpg")), plain, 72), 95.0f);
}
