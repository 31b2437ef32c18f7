// The home pictures are drawn for the screen's pixel ratio: at 150 % and 200 % scaling they hold
// that many more pixels (sharp, not a 1x picture blown up) and show at their logical size.
// CTest runs this file also on screens at 150 % and 200 % scaling.
#include "screens/home/HomePictures.h"
#include "support/ShellFixtures.h"

#include <QLabel>
#include <QtMath>

#include <functional>

namespace {

struct Picture {
    const char *name;
    std::function<QPixmap(qreal)> draw;
    QSize logical;
};

std::vector<Picture> pictures()
{
    return {{"titleIcon", HomePictures::titleIcon, {24, 24}},
            {"addFilesIcon", HomePictures::addFilesIcon, {20, 20}},
            {"similarMarker", HomePictures::similarMarker, {99, 30}},
            {"exactMarker", HomePictures::exactMarker, {99, 30}},
            {"similarModePicture", HomePictures::similarModePicture, {189, 116}},
            {"exactModePicture", HomePictures::exactModePicture, {189, 116}},
            {"dropPicture", HomePictures::dropPicture, {170, 170}}};
}

int paintedPixels(const QPixmap &pixmap)
{
    const QImage image = pixmap.toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

} // namespace

TEST(HomePictures, EachPictureHoldsRatioTimesItsLogicalSizeInPixels)
{
    for (const Picture &picture : pictures()) {
        const int atOne = paintedPixels(picture.draw(1.0));
        ASSERT_GT(atOne, 0) << picture.name;
        for (qreal ratio : {1.0, 1.5, 2.0}) {
            const QPixmap pixmap = picture.draw(ratio);
            EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), ratio) << picture.name;
            EXPECT_EQ(pixmap.size(),
                      QSize(qCeil(picture.logical.width() * ratio), qCeil(picture.logical.height() * ratio)))
                << picture.name << " at " << ratio;
            EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), picture.logical) << picture.name;
            // The same drawing, in more pixels: the painted area grows with the square of the ratio.
            const double grown = double(paintedPixels(pixmap)) / atOne;
            EXPECT_NEAR(grown, ratio * ratio, 0.15 * ratio * ratio) << picture.name << " at " << ratio;
        }
    }
}

class HomePicturesOnScreen : public HomeScreenTest
{
};

TEST_F(HomePicturesOnScreen, LabelsShowPicturesDrawnForTheWindowsScreen)
{
    const qreal ratio = home->devicePixelRatioF();
    home->tappedExactMatches(); // the mode picture is drawn again for the other mode
    for (QLabel *label : {home->imageViewTitle, home->imgViewAddFiles, home->imgViewDragnDrop, home->imgSimilarMatch,
                          home->imgExactMatch, home->imgViewMatches}) {
        const QPixmap shown = label->pixmap();
        ASSERT_FALSE(shown.isNull());
        EXPECT_DOUBLE_EQ(shown.devicePixelRatio(), ratio);
        EXPECT_EQ(shown.deviceIndependentSize().toSize(), label->size());
    }
}
