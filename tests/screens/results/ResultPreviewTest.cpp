#include "screens/results/ResultPreview.h"

#include "platform/Dispatch.h"

#include <QImage>
#include <QLabel>
#include <QMediaPlayer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

ImageFilePtr photoFile(const QString &path, const QColor &color)
{
    QImage image(1600, 1200, QImage::Format_RGB32);
    image.fill(color);
    EXPECT_TRUE(image.save(path, "JPEG"));
    auto file = std::make_shared<ImageFile>();
    file->url = QUrl::fromLocalFile(path);
    return file;
}

} // namespace

// A photo is decoded off the GUI thread at the preview's size; only the last request is shown; a
// video goes to the player and stopping clears the player's source.
TEST(ResultPreview, PhotoDecodedAtPreviewSizeLastRequestWinsStopClearsThePlayer)
{
    QTemporaryDir dir;
    ResultPreview preview;
    preview.resize(300, 200);
    preview.show();
    const ImageFilePtr red = photoFile(dir.filePath("red.jpg"), Qt::red);
    const ImageFilePtr blue = photoFile(dir.filePath("blue.jpg"), Qt::blue);

    preview.showFile(red);
    preview.showFile(blue); // the newer request wins
    const quint64 last = preview.requestNumber();
    ASSERT_TRUE(platform::Dispatch::runMainLoopUntil([&] { return preview.shownRequestNumber() == last; }, 10000));
    platform::Dispatch::runMainLoopUntil([] { return false; }, 200); // a late red decode must not show
    const QPixmap shown = preview.imgPreview->pixmap();
    ASSERT_FALSE(shown.isNull());
    const QImage picture = shown.toImage();
    EXPECT_LE(picture.width(), 300 * int(preview.devicePixelRatioF()) + 1); // fitted, not the 1600 pixels
    EXPECT_LE(picture.height(), 200 * int(preview.devicePixelRatioF()) + 1);
    const QColor centre = picture.pixelColor(picture.width() / 2, picture.height() / 2);
    EXPECT_GT(centre.blue(), 200);
    EXPECT_LT(centre.red(), 60);

    // An undecodable file empties the picture.
    auto broken = std::make_shared<ImageFile>();
    QFile junk(dir.filePath("junk.jpg"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();
    broken->url = QUrl::fromLocalFile(dir.filePath("junk.jpg"));
    preview.showFile(broken);
    const quint64 junkRequest = preview.requestNumber();
    ASSERT_TRUE(platform::Dispatch::runMainLoopUntil([&] { return preview.shownRequestNumber() == junkRequest; }, 10000));
    EXPECT_TRUE(preview.imgPreview->pixmap().isNull());

    // A video is handed to the player (no audio or video device is needed for that); stopping
    // clears the source.
    auto video = std::make_shared<ImageFile>();
    video->url = QUrl::fromLocalFile(dir.filePath("clip.mp4"));
    video->isVideo = true;
    preview.showFile(video);
    EXPECT_EQ(preview.videoPlayer->source(), *video->url);
    preview.stop();
    EXPECT_TRUE(preview.videoPlayer->source().isEmpty());
}
