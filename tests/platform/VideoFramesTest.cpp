#include "platform/VideoFrames.h"

#include "support/ServicesFixtures.h"

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
}

TEST(VideoFrames, ManyRealFilesInOneProcess)
{
    // Frames of several real clips and pictures one after another: decoding and colour conversion
    // must leave the heap intact whatever the frame sizes.
    const char *files[] = {"original-files/movie2/movie-hello.mp4", "original-files/movie2/movie-hello.avi",
                           "original-files/movie2/movie-hello.mpeg", "original-files/movie2/movie-hello.ogg",
                           "original-files/pic1/empty.jpg", "original-files/pic1/debian_logo.png",
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
