#include "screens/results/ResultPreview.h"
#include "screens/results/QuickLook.h"

#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "services/MVNAssistance.h"
#include "support/HostileFiles.h"
#include "support/MemoryBounds.h"
#include "support/ScreenChecks.h"
#include "support/ServicesFixtures.h"

#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMediaPlayer>
#include <QProcess>
#include <QStandardPaths>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>
#include <QTemporaryDir>
#include <QThreadPool>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

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

// Shows the file and waits until the preview settled on it: the request answered and, where the
// file went to the player, the player showed a picture of it or gave up. `afterCheck`, when given,
// runs once the file was checked and before the preview acts on the check.
bool settles(ResultPreview &preview, const ImageFilePtr &file, const std::function<void()> &afterCheck = {})
{
    bool pictured = false;
    const QMetaObject::Connection shown =
        QObject::connect(preview.avKitPlayer->videoSink(), &QVideoSink::videoFrameChanged,
                         [&pictured](const QVideoFrame &frame) { pictured = pictured || frame.isValid(); });
    preview.showFile(file);
    const quint64 request = preview.requestNumber();
    if (afterCheck) {
        QThreadPool::globalInstance()->waitForDone(); // the check is done, its answer not yet taken
        afterCheck();
    }
    const bool settled = platform::Dispatch::runMainLoopUntil(
        [&] {
            return preview.shownRequestNumber() == request
                && (preview.videoPlayer->source().isEmpty() || pictured
                    || preview.videoPlayer->mediaStatus() == QMediaPlayer::InvalidMedia
                    || preview.videoPlayer->error() != QMediaPlayer::NoError);
        },
        60000);
    QObject::disconnect(shown);
    return settled;
}

} // namespace

// A photo is decoded off the GUI thread at the preview's size; only the last request is shown; a
// video goes to the player and stopping clears the player's source.
TEST(ResultPreview, PhotoDecodedAtPreviewSizeLastRequestWinsStopClearsThePlayer)
{
    if (!localizationTable)
        localizationTable = sharedAssistance().loadPropertyList(QStringLiteral("English"));
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

    // An undecodable file empties the picture and says why, under its name.
    auto broken = std::make_shared<ImageFile>();
    QFile junk(dir.filePath("junk.jpg"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();
    broken->url = QUrl::fromLocalFile(dir.filePath("junk.jpg"));
    preview.showFile(broken);
    const quint64 junkRequest = preview.requestNumber();
    ASSERT_TRUE(
        platform::Dispatch::runMainLoopUntil([&] { return preview.shownRequestNumber() == junkRequest; }, 10000));
    EXPECT_TRUE(preview.imgPreview->pixmap().isNull());
    EXPECT_EQ(preview.imgPreview->text(), "junk.jpg\n" + localizedText("IDS_TWK_8903"));
    screenchecks::pictureFor(&preview, QStringLiteral("preview-cannot-show"));

    // A video is handed to the player once it was found a real one (no audio or video device is
    // needed for that), as the file that was checked, not its path; stopping clears the source. A
    // missing video shows its name instead.
    const QString clip = fixtures::makeClip(dir.path(), QStringLiteral("clip.mp4"), 64, 48);
    if (clip.isEmpty())
        GTEST_SKIP() << "ffmpeg is not available";
    auto video = std::make_shared<ImageFile>();
    video->url = QUrl::fromLocalFile(clip);
    video->isVideo = true;
    ASSERT_TRUE(settles(preview, video));
    EXPECT_TRUE(fixtures::isDescriptorOf(preview.videoPlayer->source(), *video->url));
    preview.stop();
    EXPECT_TRUE(preview.videoPlayer->source().isEmpty());
    video->url = QUrl::fromLocalFile(dir.filePath("gone.mp4"));
    ASSERT_TRUE(settles(preview, video));
    EXPECT_TRUE(preview.videoPlayer->source().isEmpty());
    EXPECT_EQ(preview.imgPreview->text(), "gone.mp4\n" + localizedText("IDS_TWK_8903"));
}

// Files with a video's name that hold no real video never reach the player: a PNG whose text
// unpacks to 1 GiB shows as the picture it is, within bounded memory, and a playlist, a link to a
// clip and a clip swapped for a playlist once it was checked never lead to the file they name.
TEST(ResultPreview, FilesWithAVideoNameThatHoldNoVideoNeverReachThePlayer)
{
    if (!localizationTable)
        localizationTable = sharedAssistance().loadPropertyList(QStringLiteral("English"));
    QTemporaryDir dir;
    const QString other = fixtures::makeClip(dir.path(), QStringLiteral("other.ts"), 64, 48);
    if (other.isEmpty())
        GTEST_SKIP() << "ffmpeg is not available";
    ASSERT_TRUE(fixtures::writeFile(dir.filePath("bomb.mp4"), hostile::pngWithHugeText(hostile::kGiB)));
    ASSERT_TRUE(hostile::writePlaylist(dir.filePath("list.mp4"), other));
    ResultPreview preview;
    preview.resize(300, 200);
    preview.show();
    const auto videoNamed = [&](const char *name) {
        auto file = std::make_shared<ImageFile>();
        file->url = QUrl::fromLocalFile(dir.filePath(QLatin1String(name)));
        file->isVideo = true;
        return file;
    };

    bool settled = false;
    EXPECT_MEMORY_BELOW(hostile::peakRiseMiB([&] { settled = settles(preview, videoNamed("bomb.mp4")); }), 300.0);
    ASSERT_TRUE(settled);
    EXPECT_TRUE(preview.videoPlayer->source().isEmpty());
    EXPECT_FALSE(preview.imgPreview->pixmap().isNull());
    EXPECT_FALSE(preview.lblStillNote->isVisible()); // a picture, not a video's first frame

    hostile::OpenWatch watch(other);
    ASSERT_TRUE(watch.isWatching());
    ASSERT_TRUE(settles(preview, videoNamed("list.mp4")));
    EXPECT_TRUE(preview.videoPlayer->source().isEmpty());
    EXPECT_EQ(preview.imgPreview->text(), "list.mp4\n" + localizedText("IDS_TWK_8903"));
    EXPECT_FALSE(watch.wasOpened());

    // A link is not followed, not even to a real clip.
    ASSERT_TRUE(QFile::link(other, dir.filePath("link.mp4")));
    ASSERT_TRUE(settles(preview, videoNamed("link.mp4")));
    EXPECT_TRUE(preview.videoPlayer->source().isEmpty());
    EXPECT_EQ(preview.imgPreview->text(), "link.mp4\n" + localizedText("IDS_TWK_8903"));
    EXPECT_FALSE(watch.wasOpened());

    // Swapped after the check: the player plays the clip that was checked.
    ASSERT_FALSE(fixtures::makeClip(dir.path(), QStringLiteral("swapped.mp4"), 64, 48).isEmpty());
    ASSERT_TRUE(hostile::writePlaylist(dir.filePath("playlist.tmp"), other));
    const QString swapped = dir.filePath("swapped.mp4");
    ASSERT_TRUE(settles(preview, videoNamed("swapped.mp4"), [&] {
        ASSERT_EQ(std::rename(QFile::encodeName(dir.filePath("playlist.tmp")).constData(),
                              QFile::encodeName(swapped).constData()),
                  0);
    }));
    EXPECT_FALSE(preview.videoPlayer->source().isEmpty());
    EXPECT_NE(preview.videoPlayer->source(), QUrl::fromLocalFile(swapped));
    EXPECT_EQ(preview.videoPlayer->error(), QMediaPlayer::NoError);
    EXPECT_FALSE(watch.wasOpened());
    preview.stop();
}

// Every container the check takes is shown and the program lives on: a clip plays, or where the
// player of this Qt cannot take it (a stream without a frame rate, as Ogg's), its first frame shows
// with a note that the video does not play here.
TEST(ResultPreview, EveryContainerShowsAndTheProgramLives)
{
    QTemporaryDir dir;
    const QStringList clips = fixtures::clipsOfEveryContainer(dir.path());
    if (clips.isEmpty())
        GTEST_SKIP() << "ffmpeg or one of its encoders is not available";
    if (!localizationTable)
        localizationTable = sharedAssistance().loadPropertyList(QStringLiteral("English"));
    ResultPreview preview;
    preview.resize(300, 200);
    preview.show();
    for (const QString &clip : clips) {
        SCOPED_TRACE(clip.toStdString());
        auto file = std::make_shared<ImageFile>();
        file->url = QUrl::fromLocalFile(clip);
        file->isVideo = true;
        ASSERT_TRUE(settles(preview, file));
        const bool played =
            !preview.videoPlayer->source().isEmpty() && preview.videoPlayer->error() == QMediaPlayer::NoError;
        const bool still = !preview.imgPreview->pixmap().isNull();
        EXPECT_TRUE(played != still);
        // A first frame says that the video does not play here; a playing clip has no such note.
        EXPECT_EQ(preview.lblStillNote->isVisible(), still);
        if (still) {
            EXPECT_FALSE(preview.lblStillNote->text().isEmpty());
            EXPECT_TRUE(preview.rect().contains(preview.lblStillNote->geometry()));
            screenchecks::pictureFor(&preview, QStringLiteral("preview-still-") + QFileInfo(clip).fileName());
        }
        // Only streams that tell no frame rate may be kept from the player.
        if (!clip.endsWith(QLatin1String(".ogg")) && !clip.contains(QLatin1String("raw-"))) {
            EXPECT_TRUE(played);
        }
    }
    preview.stop();
}

// An H.264 clip in an MP4 file, the kind cameras and phones write, plays in the preview: its
// pictures reach the preview's video sink and are not black.
TEST(ResultPreview, H264ClipDeliversPicturesToThePreview)
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        GTEST_SKIP() << "ffmpeg is not installed (scripts/deps installs it)";
    QTemporaryDir dir;
    const QString clip = dir.filePath(QStringLiteral("clip.mp4"));
    QProcess make;
    make.start(ffmpeg,
               {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-t", "2", "-c:v", "libx264",
                "-pix_fmt", "yuv420p", "-y", clip});
    ASSERT_TRUE(make.waitForFinished(60000));
    ASSERT_EQ(make.exitCode(), 0) << make.readAllStandardError().toStdString();

    ResultPreview preview;
    preview.resize(320, 240);
    preview.show();
    QVideoSink *sink = preview.avKitPlayer->videoSink();
    ASSERT_NE(sink, nullptr);
    double brightest = 0;
    QObject::connect(sink, &QVideoSink::videoFrameChanged, &preview, [&brightest](const QVideoFrame &frame) {
        const QImage picture = frame.toImage().convertToFormat(QImage::Format_RGB32);
        if (picture.isNull())
            return;
        qint64 sum = 0;
        for (int y = 0; y < picture.height(); y += 4)
            for (int x = 0; x < picture.width(); x += 4)
                sum += qGray(picture.pixel(x, y));
        const double mean = double(sum) / (((picture.height() + 3) / 4) * ((picture.width() + 3) / 4));
        brightest = std::max(brightest, mean);
    });
    auto video = std::make_shared<ImageFile>();
    video->url = QUrl::fromLocalFile(clip);
    video->isVideo = true;
    preview.showFile(video);
    // The test pattern's colour bars average far above black.
    EXPECT_TRUE(platform::Dispatch::runMainLoopUntil([&] { return brightest > 60; }, 20000))
        << "brightest picture " << brightest << ", player error: " << preview.videoPlayer->errorString().toStdString();
    preview.stop();
}
