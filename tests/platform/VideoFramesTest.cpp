#include "platform/VideoFrames.h"

#include "support/ServicesFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::VideoFrames;

TEST(VideoFrames, FirstFrameOfAClip)
{
    QTemporaryDir dir;
    const QString clip = fixtures::makeClip(dir.path(), "clip.mp4", 64, 48);
    if (clip.isEmpty())
        GTEST_SKIP() << "ffmpeg is not available";
    const auto frame = VideoFrames::frameAtZero(clip);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->size(), QSize(64, 48));
}

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
