// The preview window decodes a photo off the GUI thread at the size it shows it, so a 48 MP phone
// photo shows, and a zoomed view decodes only what it shows: the process's memory stays bounded up
// to the highest zoom.

#include "screens/results/QuickLook.h"

#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "services/MVNAssistance.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMediaPlayer>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "support/HostileFiles.h"
#include "support/JpegWriter.h"
#include "support/MemoryBounds.h"
#include "support/ScreenChecks.h"
#include "support/ServicesFixtures.h"

namespace {

// The colour of the test photo at (x, y): 8-pixel squares of light and dark over fields of colour,
// so a photo pixel drawn from the photo itself is told from one enlarged from a reduced decode
// (which blurs the squares into grey).
QColor photoColour(int x, int y, int width, int height)
{
    const bool light = ((x / 8) + (y / 8)) % 2 == 0;
    const bool leftHalf = x < width / 2;
    const bool topHalf = y < height / 2;
    const int base = light ? 220 : 40;
    return QColor(leftHalf ? base : base / 4, topHalf ? base : base / 4, base);
}

// Writes the test photo as a baseline JPEG row by row (the test holds one row).
bool writePhoto(const QString &path, int width, int height)
{
    return writeJpegByRows(path, JpegWriteOptions{width, height}, [&](int y, JSAMPLE *row) {
        for (int x = 0; x < width; ++x) {
            const QColor colour = photoColour(x, y, width, height);
            row[size_t(x) * 3] = JSAMPLE(colour.red());
            row[size_t(x) * 3 + 1] = JSAMPLE(colour.green());
            row[size_t(x) * 3 + 2] = JSAMPLE(colour.blue());
        }
    });
}

// Starts the process's peak resident memory afresh (where the kernel allows it), so the peak read
// afterwards is this test's own.
void resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double peakResidentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
        }
    }
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// A PNG whose header gives it `width` x `height` pixels, with a few bytes of picture data only.
QByteArray hugePng(int width, int height)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    hostile::appendBigEndian(header, quint32(width));
    hostile::appendBigEndian(header, quint32(height));
    header += QByteArray("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, no interlace
    hostile::appendChunk(png, "IHDR", header);
    hostile::appendChunk(png, "IDAT", hostile::deflatedZeros(64));
    hostile::appendChunk(png, "IEND", QByteArray());
    return png;
}

bool settled(const QuickLook &window)
{
    return platform::Dispatch::runMainLoopUntil([&] { return !window.isDecoding(); }, 60000);
}

void press(QuickLook &window, int key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&window, &event);
}

// Zooms in step by step, as the + key does, to the highest zoom; each step settles first.
void zoomAllTheWayIn(QuickLook &window)
{
    while (window.zoom() < 16.0) {
        press(window, Qt::Key_Plus);
        ASSERT_TRUE(settled(window));
    }
}

// How many sampled pixels of the decoded part show the photo's own colour there (squares are
// sampled in their middles, away from the edges the decoder softens).
int matchingSamples(const QImage &part, QRect rect, QSize photo, int *sampled)
{
    int matching = 0;
    *sampled = 0;
    for (int y = 4; y < part.height(); y += 37) {
        for (int x = 4; x < part.width(); x += 41) {
            const int px = rect.x() + int(double(x) * rect.width() / part.width());
            const int py = rect.y() + int(double(y) * rect.height() / part.height());
            if (px % 8 < 2 || px % 8 > 5 || py % 8 < 2 || py % 8 > 5)
                continue;
            ++*sampled;
            const QColor want = photoColour(px, py, photo.width(), photo.height());
            const QColor got = part.pixelColor(x, y);
            if (std::abs(got.red() - want.red()) < 40 && std::abs(got.green() - want.green()) < 40
                && std::abs(got.blue() - want.blue()) < 40)
                ++matching;
        }
    }
    return matching;
}

} // namespace

TEST(QuickLook, BigPhotosShowAndZoomWithinBoundedMemory)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString photo12 = dir.filePath("photo-12mp.jpg");
    const QString photo48 = dir.filePath("photo-48mp.jpg");
    ASSERT_TRUE(writePhoto(photo12, 4000, 3000));
    ASSERT_TRUE(writePhoto(photo48, 8064, 6048));

    QuickLook &window = QuickLook::shared();
    auto *message = window.findChild<QLabel *>(QStringLiteral("quickLookMessage"));
    auto *scroll = window.findChild<QScrollArea *>();
    ASSERT_NE(message, nullptr);
    ASSERT_NE(scroll, nullptr);
    resetPeakMemory();

    for (const QString &path : {photo12, photo48}) {
        SCOPED_TRACE(path.toStdString());
        window.previewItem(QUrl::fromLocalFile(path));
        // The window is shown at once; the photo is decoded on a worker thread.
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(window.isDecoding());
        ASSERT_TRUE(settled(window));
        EXPECT_FALSE(message->isVisible());
        const QSize size = path == photo48 ? QSize(8064, 6048) : QSize(4000, 3000);
        EXPECT_EQ(window.pictureSize(), size);
        // Decoded at the size the window shows, not at the photo's.
        const QSize room = scroll->viewport()->size() * window.devicePixelRatioF();
        EXPECT_LE(window.fittedPicture().width(), room.width() + 1);
        EXPECT_LE(window.fittedPicture().height(), room.height() + 1);
        EXPECT_GE(
            std::max(window.fittedPicture().width() - room.width(), window.fittedPicture().height() - room.height()),
            -1); // fills the room one way
        EXPECT_TRUE(window.detailPicture().isNull());

        zoomAllTheWayIn(window);
        EXPECT_DOUBLE_EQ(window.zoom(), 16.0);
        // Zoomed in about the middle of the view, which showed the whole photo.
        EXPECT_TRUE(window.detailRect().contains(size.width() / 2, size.height() / 2));
        // The view shows the photo's own pixels, decoded for the visible part only.
        const QImage &part = window.detailPicture();
        ASSERT_FALSE(part.isNull());
        EXPECT_LE(qint64(part.width()) * part.height(), qint64(room.width()) * room.height() * 4);
        int sampled = 0;
        const int matching = matchingSamples(part, window.detailRect(), size, &sampled);
        EXPECT_GT(sampled, 20);
        EXPECT_GE(matching, sampled * 9 / 10);

        if (const QString shots = qEnvironmentVariable("TWINSIFT_SHOT_DIR"); !shots.isEmpty()) {
            QDir().mkpath(shots);
            window.grab().save(shots + QStringLiteral("/quicklook-%1-zoomed.png").arg(size.width()));
        }
        // Scrolled to the far corner, the part there is decoded.
        scroll->horizontalScrollBar()->setValue(scroll->horizontalScrollBar()->maximum());
        scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
        ASSERT_TRUE(settled(window));
        EXPECT_EQ(window.detailRect().bottomRight(), QPoint(size.width() - 1, size.height() - 1));
        const int matchingInCorner = matchingSamples(window.detailPicture(), window.detailRect(), size, &sampled);
        EXPECT_GT(sampled, 10);
        EXPECT_GE(matchingInCorner, sampled * 9 / 10);
        // Back to the fitted view: the part is let go.
        press(window, Qt::Key_0);
        ASSERT_TRUE(settled(window));
        EXPECT_TRUE(window.detailPicture().isNull());
    }
    const double peak = peakResidentMegabytes();
    std::fprintf(stderr, "peak resident memory at the highest zoom: %.0f MB\n", peak);
    EXPECT_MEMORY_BELOW(peak, 400.0);

    // A picture past the decode cap (a 400 MP PNG: its header and a few bytes of data) is refused
    // before it is decoded and says so; a file that holds no picture says it cannot be shown.
    if (!localizationTable)
        localizationTable = sharedAssistance().loadPropertyList(QStringLiteral("English"));
    const QString huge = dir.filePath("huge.png");
    ASSERT_TRUE(fixtures::writeFile(huge, hugePng(20000, 20000)));
    const QString junk = dir.filePath("junk.png");
    ASSERT_TRUE(fixtures::writeFile(junk, "not a picture"));
    EXPECT_MEMORY_BELOW(hostile::peakRiseMiB([&] {
                            window.previewItem(QUrl::fromLocalFile(huge));
                            ASSERT_TRUE(settled(window));
                        }),
                        100.0);
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->text(),
              "huge.png\n" + substitutePlaceholders(localizedText("IDS_TWK_8902"), {"20000", "20000"}));
    EXPECT_TRUE(message->text().contains("20000 × 20000")) << message->text().toStdString();
    screenchecks::pictureFor(&window, QStringLiteral("quicklook-too-large"));
    window.previewItem(QUrl::fromLocalFile(junk));
    ASSERT_TRUE(settled(window));
    EXPECT_EQ(message->text(), "junk.png\n" + localizedText("IDS_TWK_8903"));
    press(window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

// Only real videos reach the window's player: a clip plays, a PNG whose text unpacks to 1 GiB shows
// as the picture it is within bounded memory, and a playlist, a link to a clip and a clip swapped
// for a playlist once it was checked never lead to the file they name. Every container the check
// takes is shown, played or (where this Qt's player cannot take it) by its first frame with a note
// that the video does not play here, and the program lives on.
TEST(QuickLook, OnlyRealVideosReachThePlayer)
{
    QTemporaryDir dir;
    const QString clip = fixtures::makeClip(dir.path(), QStringLiteral("clip.mp4"), 64, 48);
    const QString other = fixtures::makeClip(dir.path(), QStringLiteral("other.ts"), 64, 48);
    if (clip.isEmpty() || other.isEmpty())
        GTEST_SKIP() << "ffmpeg is not available";
    const QString bomb = dir.filePath(QStringLiteral("bomb.mp4"));
    const QString list = dir.filePath(QStringLiteral("list.mp4"));
    ASSERT_TRUE(fixtures::writeFile(bomb, hostile::pngWithHugeText(hostile::kGiB)));
    ASSERT_TRUE(hostile::writePlaylist(list, other));

    if (!localizationTable)
        localizationTable = sharedAssistance().loadPropertyList(QStringLiteral("English"));
    QuickLook &window = QuickLook::shared();
    auto *message = window.findChild<QLabel *>(QStringLiteral("quickLookMessage"));
    auto *player = window.findChild<QMediaPlayer *>();
    auto *note = window.findChild<QLabel *>(QStringLiteral("quickLookStillNote"));
    ASSERT_NE(message, nullptr);
    ASSERT_NE(note, nullptr);
    ASSERT_NE(player, nullptr);
    auto *video = window.findChild<QVideoWidget *>();
    ASSERT_NE(video, nullptr);
    bool pictured = false;
    const QMetaObject::Connection watching =
        QObject::connect(video->videoSink(), &QVideoSink::videoFrameChanged, &window,
                         [&pictured](const QVideoFrame &frame) { pictured = pictured || frame.isValid(); });
    const auto unwatch = qScopeGuard([&] { QObject::disconnect(watching); });
    // Shows the file and waits until the window settled on it: decoded, or the player showed a
    // picture of it or gave up. `afterCheck` runs once the file was checked and before the window
    // acts on the check.
    const auto shows = [&](const QString &path, const std::function<void()> &afterCheck = {}) {
        pictured = false;
        window.previewItem(QUrl::fromLocalFile(path));
        if (afterCheck) {
            QThreadPool::globalInstance()->waitForDone();
            afterCheck();
        }
        return platform::Dispatch::runMainLoopUntil(
            [&] {
                return !window.isDecoding()
                    && (player->source().isEmpty() || pictured || player->mediaStatus() == QMediaPlayer::InvalidMedia
                        || player->error() != QMediaPlayer::NoError);
            },
            60000);
    };

    ASSERT_TRUE(shows(clip));
    EXPECT_TRUE(window.isShowingVideo());
    EXPECT_FALSE(note->isVisible());

    bool settled = false;
    EXPECT_MEMORY_BELOW(hostile::peakRiseMiB([&] { settled = shows(bomb); }), 300.0);
    ASSERT_TRUE(settled);
    EXPECT_FALSE(window.isShowingVideo());
    EXPECT_EQ(window.pictureSize(), QSize(16, 16));
    EXPECT_FALSE(note->isVisible()); // a picture, not a video's first frame

    hostile::OpenWatch watch(other);
    ASSERT_TRUE(watch.isWatching());
    ASSERT_TRUE(shows(list));
    EXPECT_FALSE(window.isShowingVideo());
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->text(), "list.mp4\n" + localizedText("IDS_TWK_8903"));
    EXPECT_FALSE(watch.wasOpened());

    const QString link = dir.filePath(QStringLiteral("link.mp4"));
    ASSERT_TRUE(QFile::link(other, link));
    ASSERT_TRUE(shows(link));
    EXPECT_FALSE(window.isShowingVideo());
    EXPECT_EQ(message->text(), "link.mp4\n" + localizedText("IDS_TWK_8903"));
    EXPECT_FALSE(watch.wasOpened());

    const QString swapped = fixtures::makeClip(dir.path(), QStringLiteral("swapped.mp4"), 64, 48);
    const QString playlist = dir.filePath(QStringLiteral("playlist.tmp"));
    ASSERT_TRUE(hostile::writePlaylist(playlist, other));
    ASSERT_TRUE(shows(swapped, [&] {
        ASSERT_EQ(std::rename(QFile::encodeName(playlist).constData(), QFile::encodeName(swapped).constData()), 0);
    }));
    EXPECT_TRUE(window.isShowingVideo());
    EXPECT_NE(player->source(), QUrl::fromLocalFile(swapped));
    EXPECT_EQ(player->error(), QMediaPlayer::NoError);
    EXPECT_FALSE(watch.wasOpened());

    for (const QString &each : fixtures::clipsOfEveryContainer(dir.path())) {
        SCOPED_TRACE(each.toStdString());
        ASSERT_TRUE(shows(each));
        const bool played = window.isShowingVideo() && player->error() == QMediaPlayer::NoError;
        const bool still = !window.isShowingVideo() && !window.fittedPicture().isNull();
        EXPECT_TRUE(played || still);
        EXPECT_EQ(note->isVisible(), still);
        EXPECT_TRUE(!still || !note->text().isEmpty());
        if (still)
            screenchecks::pictureFor(&window, QStringLiteral("quicklook-still-") + QFileInfo(each).fileName());
        if (!each.endsWith(QLatin1String(".ogg")) && !each.contains(QLatin1String("raw-"))) {
            EXPECT_TRUE(played);
        }
    }
    press(window, Qt::Key_Escape);
}
