#include "model/ImageFile.h"

#include "platform/FileManager.h"
#include "support/ServicesFixtures.h"

#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>

namespace {

std::shared_ptr<ImageFile> recordOf(const QString &path)
{
    return ImageFile::make(QUrl::fromLocalFile(path));
}

} // namespace

TEST(ImageFile, OrientationFlagFromTheTiffOrientation)
{
    QTemporaryDir dir;
    const QString one = dir.filePath("one.jpg"), six = dir.filePath("six.jpg"), none = dir.filePath("none.jpg");
    ASSERT_TRUE(fixtures::writeImage(one, 16, 8, "JPEG"));
    ASSERT_TRUE(fixtures::writeImage(six, 16, 8, "JPEG"));
    ASSERT_TRUE(fixtures::writeImage(none, 16, 8, "JPEG"));
    ASSERT_TRUE(fixtures::writeTags(one, {{"Exif.Image.Orientation", "1"}}));
    ASSERT_TRUE(fixtures::writeTags(six, {{"Exif.Image.Orientation", "6"}}));
    EXPECT_FALSE(recordOf(one)->isOrientation);
    EXPECT_TRUE(recordOf(six)->isOrientation);
    const auto plain = recordOf(none);
    EXPECT_FALSE(plain->isOrientation);
    ASSERT_TRUE(plain->properties);
    EXPECT_EQ(plain->properties->value("PixelWidth").toLongLong(), 16);
}

TEST(ImageFile, CaptureDateFromTiffDateTimeElseTheCreationDate)
{
    QTemporaryDir dir;
    const QString dated = dir.filePath("dated.jpg"), odd = dir.filePath("odd.jpg");
    ASSERT_TRUE(fixtures::writeImage(dated, 8, 8, "JPEG"));
    ASSERT_TRUE(fixtures::writeImage(odd, 8, 8, "JPEG"));
    ASSERT_TRUE(fixtures::writeTags(dated, {{"Exif.Image.DateTime", "2019:07:04 10:11:12"}}));
    ASSERT_TRUE(fixtures::writeTags(odd, {{"Exif.Image.DateTime", "2019-07-04 10:11:12"}}));

    // The user's locale does not take part in reading the date.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::SaudiArabia));
    const auto record = recordOf(dated);
    QLocale::setDefault(saved);
    ASSERT_TRUE(record->captureDate);
    EXPECT_EQ(*record->captureDate, QDateTime(QDate(2019, 7, 4), QTime(10, 11, 12)));
    EXPECT_FALSE(record->creationDate);

    const auto unparsed = recordOf(odd);
    EXPECT_FALSE(unparsed->captureDate);
    EXPECT_EQ(unparsed->creationDate, platform::FileManager::creationDate(odd));
}

TEST(ImageFile, ExifDateTextParsing)
{
    EXPECT_EQ(parseExifDateTime("2000:02:29 23:59:59"), QDateTime(QDate(2000, 2, 29), QTime(23, 59, 59)));
    EXPECT_FALSE(parseExifDateTime(""));
    EXPECT_FALSE(parseExifDateTime("2019:02:30 10:00:00"));
    EXPECT_FALSE(parseExifDateTime("2019:07:04 10:11"));
    EXPECT_FALSE(parseExifDateTime("2019:07:04 10:11:12 PM"));
    EXPECT_FALSE(parseExifDateTime("    :  :     :  :  "));
}

TEST(ImageFile, GpsMagnitudesAsStoredAndSignedByHemisphere)
{
    QTemporaryDir dir;
    const QString sydney = dir.filePath("sydney.jpg"), half = dir.filePath("half.jpg");
    ASSERT_TRUE(fixtures::writeImage(sydney, 8, 8, "JPEG"));
    ASSERT_TRUE(fixtures::writeImage(half, 8, 8, "JPEG"));
    ASSERT_TRUE(fixtures::writeTags(sydney,
                                    {{"Exif.GPSInfo.GPSLatitudeRef", "S"},
                                     {"Exif.GPSInfo.GPSLatitude", "339/10 0/1 0/1"},
                                     {"Exif.GPSInfo.GPSLongitudeRef", "E"},
                                     {"Exif.GPSInfo.GPSLongitude", "1512/10 0/1 0/1"}}));
    ASSERT_TRUE(fixtures::writeTags(
        half, {{"Exif.GPSInfo.GPSLatitudeRef", "N"}, {"Exif.GPSInfo.GPSLatitude", "10/1 30/1 0/1"}}));
    const auto s = recordOf(sydney);
    ASSERT_TRUE(s->latitude && s->longitude);
    EXPECT_NEAR(*s->latitude, 33.9, 1e-9);
    EXPECT_NEAR(*s->longitude, 151.2, 1e-9);
    EXPECT_NEAR(*s->signedLatitude(), -33.9, 1e-9);
    EXPECT_NEAR(*s->signedLongitude(), 151.2, 1e-9);

    const auto h = recordOf(half);
    ASSERT_TRUE(h->latitude);
    EXPECT_NEAR(*h->latitude, 10.5, 1e-9);
    EXPECT_FALSE(h->longitude);
    EXPECT_FALSE(h->signedLongitude());
}

TEST(ImageFile, PngTiffAndHeicRecords)
{
    QTemporaryDir dir;
    const QString png = dir.filePath("a.png"), tif = dir.filePath("b.tiff");
    ASSERT_TRUE(fixtures::writeImage(png, 10, 6, "PNG"));
    ASSERT_TRUE(fixtures::writeImage(tif, 10, 6, "TIFF"));
    for (const QString &path : {png, tif}) {
        const auto record = recordOf(path);
        EXPECT_TRUE(record->properties) << path.toStdString();
        EXPECT_FALSE(record->captureDate);
        EXPECT_FALSE(record->isOrientation);
        EXPECT_TRUE(record->identity);
    }
    const QString heic = fixtures::makeHeic(dir.path(), "c.heic", 64, 48);
    if (heic.isEmpty())
        GTEST_SKIP() << "heif-enc is not available";
    const auto record = recordOf(heic);
    ASSERT_TRUE(record->properties);
    EXPECT_EQ(record->properties->value("PixelWidth").toLongLong(), 64);
}

TEST(ImageFile, UnreadableFilesGiveANameAndAUrlOnly)
{
    QTemporaryDir dir;
    const QString broken = dir.filePath("broken.jpg"), text = dir.filePath("notes.txt");
    fixtures::writeFile(broken, QByteArray("\x00\x01garbage that is no image", 26));
    fixtures::writeFile(text, "hello");
    for (const QString &path : {broken, text, dir.filePath("missing.jpg")}) {
        const auto record = recordOf(path);
        EXPECT_EQ(record->fileName, QFileInfo(path).fileName());
        EXPECT_EQ(record->url, QUrl::fromLocalFile(path));
        EXPECT_FALSE(record->properties);
        EXPECT_FALSE(record->captureDate);
        EXPECT_FALSE(record->latitude);
        EXPECT_FALSE(record->isOrientation);
        EXPECT_FLOAT_EQ(record->matchingPercentage, 100.0f);
        EXPECT_FALSE(record->imageUint64Hash);
        EXPECT_FALSE(record->md5);
    }
}

TEST(ImageFile, OneFileReachedTwiceHasOneIdentity)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("x.png");
    ASSERT_TRUE(fixtures::writeImage(file, 4, 4, "PNG"));
    ASSERT_TRUE(QFile::link(file, dir.filePath("alias.png")));
    ASSERT_TRUE(QDir().mkpath(dir.filePath("sub")));
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(dir.filePath("sub/hard.png")).constData()),
              0);
    const auto a = recordOf(file), hard = recordOf(dir.filePath("sub/hard.png"));
    ASSERT_TRUE(a->identity && hard->identity);
    EXPECT_EQ(*a->identity, *hard->identity);
    const auto other = recordOf(dir.filePath("alias.png")); // the link itself is another entry
    ASSERT_TRUE(other->identity);
    EXPECT_NE(*other->identity, *a->identity);
}

TEST(ImageFile, RealPhonePhotoSouthAndWest)
{
    const QString photo = fixtures::realSample("original-files/pic2/IMG_20191224_234846.jpg");
    if (photo.isEmpty())
        GTEST_SKIP() << "forensics-samples-files is not installed";
    const auto record = recordOf(photo);
    EXPECT_EQ(record->fileName, QString("IMG_20191224_234846.jpg"));
    ASSERT_TRUE(record->captureDate);
    EXPECT_EQ(*record->captureDate, QDateTime(QDate(2019, 12, 24), QTime(23, 48, 46)));
    EXPECT_FALSE(record->creationDate);
    EXPECT_FALSE(record->isOrientation);
    ASSERT_TRUE(record->latitude && record->longitude);
    EXPECT_GT(*record->latitude, 15.8); // stored magnitude
    EXPECT_LT(*record->signedLatitude(), -15.8);
    EXPECT_LT(*record->signedLongitude(), -48.0);
    EXPECT_TRUE(recordOf(fixtures::realSample("original-files/pic2/IMG_20200124_231153.jpg"))->isOrientation);
}

TEST(ImageFile, RecordsMadeOnSeveralThreadsAgree)
{
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < 6; ++i) {
        const QString path = dir.filePath(QStringLiteral("p%1.jpg").arg(i));
        ASSERT_TRUE(fixtures::writeImage(path, 32 + i, 24, "JPEG"));
        ASSERT_TRUE(fixtures::writeTags(path,
                                        {{"Exif.Image.DateTime", "2020:01:02 03:04:05"},
                                         {"Exif.Image.Orientation", std::to_string(1 + i % 8)},
                                         {"Xmp.dc.subject", "one"}}));
        paths << path;
    }
    const QString heic = fixtures::makeHeic(dir.path(), "h.heic", 64, 48);
    if (!heic.isEmpty())
        paths << heic;
    for (const char *real : {"original-files/pic2/IMG_20200608_111614.jpg", "original-files/pic1/IMG_1054.JPG"})
        if (const QString path = fixtures::realSample(real); !path.isEmpty())
            paths << path;

    std::vector<std::shared_ptr<ImageFile>> expected;
    for (const QString &path : paths)
        expected.push_back(recordOf(path));

    std::vector<std::vector<std::shared_ptr<ImageFile>>> results(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < results.size(); ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round)
                for (const QString &path : paths)
                    results[t].push_back(recordOf(path));
        });
    for (auto &thread : threads)
        thread.join();
    for (const auto &list : results) {
        ASSERT_EQ(list.size(), expected.size() * 3);
        for (size_t i = 0; i < list.size(); ++i) {
            const auto &want = expected[i % expected.size()];
            EXPECT_EQ(list[i]->properties, want->properties);
            EXPECT_EQ(list[i]->captureDate, want->captureDate);
            EXPECT_EQ(list[i]->isOrientation, want->isOrientation);
        }
    }
}
