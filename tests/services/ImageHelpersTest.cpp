#include "services/ImageHelpers.h"

#include "support/ServicesFixtures.h"

#include <QColor>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

TEST(ImageHelpers, ThumbnailsOfPhotosInAnyOrientation)
{
    QTemporaryDir dir;
    const QString large = dir.filePath("large.jpg");
    ASSERT_TRUE(fixtures::writeImage(large, 4000, 3000, "JPEG", 30));
    const auto thumb = makeThumbnail(QUrl::fromLocalFile(large));
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->size(), QSize(540, 405));

    // Every EXIF orientation comes out with the picture's upright proportions.
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QString path = dir.filePath(QStringLiteral("o%1.jpg").arg(orientation));
        ASSERT_TRUE(fixtures::writeImage(path, 60, 30, "JPEG"));
        ASSERT_TRUE(fixtures::writeTags(path, {{"Exif.Image.Orientation", std::to_string(orientation)}}));
        const auto t = makeThumbnail(QUrl::fromLocalFile(path));
        ASSERT_TRUE(t) << orientation;
        EXPECT_EQ(t->size(), orientation >= 5 ? QSize(30, 60) : QSize(60, 30)) << orientation;
        const auto png = pngRepresentation(*t);
        ASSERT_TRUE(png);
        EXPECT_EQ(QImage::fromData(*png, "PNG").size(), t->size());
    }

    const QString text = dir.filePath("words.jpg");
    fixtures::writeFile(text, "a text file");
    EXPECT_FALSE(makeThumbnail(QUrl::fromLocalFile(text)));
    EXPECT_FALSE(makeThumbnail(QUrl::fromLocalFile(dir.filePath("missing.png"))));
    EXPECT_FALSE(pngRepresentation(QImage()));
}

TEST(ImageHelpers, HeicThumbnail)
{
    QTemporaryDir dir;
    const QString heic = fixtures::makeHeic(dir.path(), "h.heic", 64, 48);
    if (heic.isEmpty())
        GTEST_SKIP() << "heif-enc is not available";
    const auto thumb = makeThumbnail(QUrl::fromLocalFile(heic));
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->size(), QSize(64, 48));
}

TEST(ImageHelpers, ResizedToFitKeepsTheAspectRatio)
{
    EXPECT_EQ(resizedToFit(QImage(600, 600, QImage::Format_RGB32), 300, 200).size(), QSize(200, 200));
    EXPECT_EQ(resizedToFit(QImage(100, 50, QImage::Format_RGB32), 300, 200).size(), QSize(300, 150));
    EXPECT_EQ(resizedToFit(QImage(81, 81, QImage::Format_RGB32), 300, 200).size(), QSize(200, 200));
    EXPECT_TRUE(resizedToFit(QImage(), 300, 200).isNull());
}

TEST(ImageHelpers, PreviewPictureFitsLargerImagesOnly)
{
    QTemporaryDir dir;
    const QString small = dir.filePath("s.png"), big = dir.filePath("b.png");
    ASSERT_TRUE(fixtures::writeImage(small, 64, 64, "PNG"));
    ASSERT_TRUE(fixtures::writeImage(big, 81, 81, "PNG"));
    EXPECT_EQ(previewImage(QUrl::fromLocalFile(small))->size(), QSize(64, 64));
    EXPECT_EQ(previewImage(QUrl::fromLocalFile(big))->size(), QSize(200, 200));
    EXPECT_FALSE(previewImage(QUrl::fromLocalFile(dir.filePath("none.png"))));
}

TEST(ImageHelpers, RotationTurnsAboutTheCentreIntoTheTurnedBounds)
{
    // A 4 x 2 picture whose left column is red and the rest blue.
    QImage image(4, 2, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    image.setPixelColor(0, 0, Qt::red);
    image.setPixelColor(0, 1, Qt::red);

    // A quarter turn counter-clockwise: the left column becomes the bottom row.
    const QImage left = imageRotatedByDegreess(image, 90);
    ASSERT_EQ(left.size(), QSize(2, 4));
    EXPECT_EQ(left.pixelColor(0, 3), QColor(Qt::red));
    EXPECT_EQ(left.pixelColor(1, 3), QColor(Qt::red));
    EXPECT_EQ(left.pixelColor(0, 0), QColor(Qt::blue));

    // Clockwise, it becomes the top row; half a turn puts it on the right.
    const QImage right = imageRotatedByDegreess(image, -90);
    ASSERT_EQ(right.size(), QSize(2, 4));
    EXPECT_EQ(right.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(right.pixelColor(1, 3), QColor(Qt::blue));
    const QImage half = imageRotatedByDegreess(image, 180);
    ASSERT_EQ(half.size(), QSize(4, 2));
    EXPECT_EQ(half.pixelColor(3, 0), QColor(Qt::red));
    EXPECT_EQ(half.pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(imageRotatedByDegreess(image, 360).size(), QSize(4, 2));

    // An eighth of a turn widens a square to its diagonal and leaves the corners clear.
    QImage square(100, 100, QImage::Format_RGB32);
    square.fill(Qt::green);
    const QImage tilted = imageRotatedByDegreess(square, 45);
    EXPECT_EQ(tilted.size(), QSize(142, 142));
    EXPECT_EQ(tilted.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(tilted.pixelColor(71, 71), QColor(Qt::green));

    EXPECT_TRUE(imageRotatedByDegreess(QImage(), 30).isNull());
    EXPECT_EQ(imageRotatedByDegreess(image, std::nan("")).size(), image.size());
}
