#include "platform/VideoFrames.h"

#include "support/HostileFiles.h"
#include "support/MemoryBounds.h"
#include "support/ServicesFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::VideoFrames;

TEST(VideoFrames, DisplayRotationIsApplied)
{
    QTemporaryDir dir;
    const QString clip = fixtures::makeClip(dir.path(), "turned.mp4", 64, 48, 90);
    if (clip.isEmpty())
        GTEST_SKIP() << "ffmpeg is not available";
    const auto frame = VideoFrames::frameAtZero(clip);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->size(), QSize(48, 64));
}

TEST(VideoFrames, NoFrameFromOtherFiles)
{
    QTemporaryDir dir;
    fixtures::writeFile(dir.filePath("fake.mp4"), "not a video at all");
    EXPECT_FALSE(VideoFrames::frameAtZero(dir.filePath("fake.mp4")));
    EXPECT_FALSE(VideoFrames::frameAtZero(dir.filePath("missing.mp4")));
    EXPECT_FALSE(VideoFrames::frameAtZero(QString()));

    // A playlist with a video's name is no video: its segment, another file, is never opened.
    const QString other = fixtures::makeClip(dir.path(), QStringLiteral("other.ts"), 64, 48);
    if (other.isEmpty())
        GTEST_SKIP() << "ffmpeg is not available";
    ASSERT_TRUE(hostile::writePlaylist(dir.filePath("list.mp4"), other));
    hostile::OpenWatch watch(other);
    ASSERT_TRUE(watch.isWatching());
    EXPECT_FALSE(VideoFrames::frameAtZero(dir.filePath("list.mp4")));
    EXPECT_FALSE(watch.wasOpened());
    // The segment itself, a transport stream, is a video.
    const auto segment = VideoFrames::frameAtZero(other);
    ASSERT_TRUE(segment);
    EXPECT_EQ(segment->size(), QSize(64, 48));
}

TEST(VideoFrames, ManyRealFilesInOneProcess)
{
    // Frames of several real clips and pictures one after another: decoding and colour conversion
    // must leave the heap intact whatever the frame sizes.
    const char *files[] = {"original-files/movie2/movie-hello.mp4",
                           "original-files/movie2/movie-hello.avi",
                           "original-files/movie2/movie-hello.mpeg",
                           "original-files/movie2/movie-hello.ogg",
                           "original-files/pic1/empty.jpg",
                           "original-files/pic1/debian_logo.png",
                           "original-files/pic1/IMG-20191006-WA0002.jpg"};
    if (fixtures::realSample(files[0]).isEmpty())
        GTEST_SKIP() << "forensics-samples-files is not installed";
    const QSize sizes[] = {{1280, 720}, {1024, 576}, {640, 480}, {720, 480}, {161, 1}, {100, 123}, {1024, 768}};
    for (int round = 0; round < 2; ++round) {
        for (size_t i = 0; i < std::size(files); ++i) {
            const auto frame = VideoFrames::frameAtZero(fixtures::realSample(files[i]));
            ASSERT_TRUE(frame) << files[i];
            EXPECT_EQ(frame->size(), sizes[i]) << files[i];
        }
    }
}

using hostile::kGiB;
using hostile::peakRiseMiB;
using hostile::pngWithHugeText;

// A picture with a video's name whose text chunk unpacks to 1 GiB, and the same picture as the
// cover of a sound-only file and of a clip: the picture is read as a picture, the cover is never
// taken for a frame, and none of it costs more than a bounded amount of memory.
TEST(VideoFrames, PicturesInVideoFilesAreReadWithinBoundedMemory)
{
    QTemporaryDir dir;
    const QByteArray png = pngWithHugeText(kGiB);
    ASSERT_LT(png.size(), 8 * 1024 * 1024);
    const QString picture = dir.filePath(QStringLiteral("x.mp4"));
    ASSERT_TRUE(fixtures::writeFile(picture, png));

    std::optional<QImage> frame;
    EXPECT_MEMORY_BELOW(peakRiseMiB([&] { frame = VideoFrames::frameAtZero(picture); }), 300.0);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->size(), QSize(16, 16));

    const QString clip = fixtures::makeClip(dir.path(), QStringLiteral("clip.mp4"), 64, 48);
    if (clip.isEmpty())
        GTEST_SKIP() << "ffmpeg is not available";
    const QString cover = dir.filePath(QStringLiteral("cover.png"));
    ASSERT_TRUE(fixtures::writeFile(cover, png));
    const auto withCover = [&](const QString &name, const QStringList &inputs, const QStringList &maps,
                               int coverIndex) {
        QStringList arguments{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y")};
        arguments << inputs << QStringLiteral("-i") << cover << maps;
        arguments << QStringLiteral("-c:v") << QStringLiteral("copy") << QStringLiteral("-c:a") << QStringLiteral("aac")
                  << QStringLiteral("-disposition:v:%1").arg(coverIndex) << QStringLiteral("attached_pic")
                  << QStringLiteral("-t") << QStringLiteral("1") << dir.filePath(name);
        return fixtures::run(QStringLiteral("ffmpeg"), arguments) ? dir.filePath(name) : QString();
    };
    const QString song =
        withCover(QStringLiteral("song.mp4"),
                  {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                   QStringLiteral("anullsrc=r=8000:cl=mono")},
                  {QStringLiteral("-map"), QStringLiteral("0:a"), QStringLiteral("-map"), QStringLiteral("1:v")}, 0);
    const QString covered =
        withCover(QStringLiteral("covered.mp4"), {QStringLiteral("-i"), clip},
                  {QStringLiteral("-map"), QStringLiteral("0:v"), QStringLiteral("-map"), QStringLiteral("1:v")}, 1);
    ASSERT_FALSE(song.isEmpty());
    ASSERT_FALSE(covered.isEmpty());

    // Sound with a cover holds no video: no frame, skipped.
    EXPECT_MEMORY_BELOW(peakRiseMiB([&] { frame = VideoFrames::frameAtZero(song); }), 300.0);
    EXPECT_FALSE(frame);
    // A clip with a cover: the clip's own first frame.
    EXPECT_MEMORY_BELOW(peakRiseMiB([&] { frame = VideoFrames::frameAtZero(covered); }), 300.0);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->size(), QSize(64, 48));
}
