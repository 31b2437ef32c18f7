#include "platform/PhotosApp.h"

#include "support/PhotosFixtures.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>

using platform::PhotosApp;

namespace {

class PhotosAlbumStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        photos.setAlbumStorePath(dir.filePath("data/PhotosAlbums.sqlite"));
    }

    QTemporaryDir dir;
    PhotosApp photos;
};

} // namespace

TEST_F(PhotosAlbumStoreTest, AlbumIsMadeOnceAndKeepsItsItemsAcrossInstances)
{
    EXPECT_FALSE(photos.albumName("Twinsift").has_value());
    EXPECT_FALSE(photos.addItems({"A"}, "Twinsift")) << "no album yet";
    EXPECT_FALSE(photos.albumItems("Twinsift").has_value());

    ASSERT_TRUE(photos.createAlbum("Twinsift"));
    ASSERT_TRUE(photos.createAlbum("Twinsift")) << "making it again is harmless";
    EXPECT_EQ(photos.albumName("Twinsift"), QString("Twinsift"));
    EXPECT_FALSE(photos.albumName("twinsift").has_value()) << "names are exact";

    const QString odd = QString::fromUtf8("Ann's \"best\" Grüße; DROP TABLE albums; --");
    ASSERT_TRUE(photos.addItems({"B", odd, "A"}, "Twinsift"));
    ASSERT_TRUE(photos.addItems({"A", "C"}, "Twinsift")) << "an item already there stays once";
    ASSERT_TRUE(photos.addItems({}, "Twinsift"));

    PhotosApp again;
    again.setAlbumStorePath(photos.albumStorePath());
    EXPECT_EQ(again.albumItems("Twinsift"), QStringList({"B", odd, "A", "C"}));
    EXPECT_EQ(again.countMediaItems(), 4);
}

TEST_F(PhotosAlbumStoreTest, AnEmptyIdentifierAddsNothing)
{
    ASSERT_TRUE(photos.createAlbum("Twinsift"));
    EXPECT_FALSE(photos.addItems({"A", "", "B"}, "Twinsift"));
    EXPECT_EQ(photos.albumItems("Twinsift"), QStringList());
}

TEST_F(PhotosAlbumStoreTest, RefusedAutomationFailsEveryAlbumCall)
{
    EXPECT_TRUE(photos.automationAllowed()) << "allowed until switched off";
    ASSERT_TRUE(photos.createAlbum("Twinsift"));
    ASSERT_TRUE(photos.setAutomationAllowed(false));

    EXPECT_FALSE(photos.automationAllowed());
    int error = 0;
    EXPECT_FALSE(photos.countMediaItems(&error).has_value());
    EXPECT_EQ(error, PhotosApp::automationRefusedError);
    EXPECT_FALSE(photos.albumName("Twinsift").has_value());
    EXPECT_FALSE(photos.createAlbum("Other"));
    EXPECT_FALSE(photos.addItems({"A"}, "Twinsift"));

    ASSERT_TRUE(photos.setAutomationAllowed(true));
    EXPECT_EQ(photos.albumItems("Twinsift"), QStringList()) << "nothing got in while refused";
    EXPECT_FALSE(photos.albumName("Other").has_value());
    EXPECT_EQ(photos.countMediaItems(), 0);
}

TEST_F(PhotosAlbumStoreTest, UnusableStoreReportsFailure)
{
    // The store's folder would have to be made inside a plain file.
    ASSERT_TRUE(photos_fixtures::writeFile(dir.filePath("blocker"), "x"));
    photos.setAlbumStorePath(dir.filePath("blocker/PhotosAlbums.sqlite"));
    EXPECT_FALSE(photos.createAlbum("Twinsift"));
    EXPECT_FALSE(photos.addItems({"A"}, "Twinsift"));
    EXPECT_FALSE(photos.countMediaItems().has_value());
    EXPECT_FALSE(photos.setAutomationAllowed(false));

    // A store file that is no database.
    ASSERT_TRUE(photos_fixtures::writeFile(dir.filePath("garbage.sqlite"), QByteArray(4096, 'g')));
    photos.setAlbumStorePath(dir.filePath("garbage.sqlite"));
    EXPECT_FALSE(photos.createAlbum("Twinsift"));
    EXPECT_FALSE(photos.albumItems("Twinsift").has_value());
}

TEST(PhotosProcessTest, NoNameMeansNotRunning)
{
    PhotosApp photos;
    photos.setProcessName(QString());
    EXPECT_FALSE(photos.isRunning());
    EXPECT_FALSE(photos.terminate());
    EXPECT_TRUE(photos.waitUntilQuit(0));
}

TEST(PhotosProcessTest, QuitEndsTheProcessFoundByName)
{
    QTemporaryDir dir;
    QString name;
    const auto program = photos_fixtures::uniqueProgramCopy(dir.path(), "/bin/sleep", &name);
    ASSERT_TRUE(program);
    QProcess child;
    child.start(*program, {"30"});
    ASSERT_TRUE(child.waitForStarted(5000));

    PhotosApp photos;
    photos.setProcessName(name);
    const std::vector<qint64> ids = photos.runningProcessIds();
    EXPECT_EQ(ids, std::vector<qint64>{child.processId()});
    ASSERT_TRUE(photos.isRunning());

    EXPECT_TRUE(photos.terminate());
    EXPECT_TRUE(photos.waitUntilQuit(10000));
    EXPECT_FALSE(photos.isRunning());
    child.waitForFinished(5000);
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit) << "ended by the terminate signal";
    photos_fixtures::stopChild(child);
}

TEST(PhotosProcessTest, BoundedWaitGivesUpOnAProcessThatIgnoresTheRequest)
{
    QTemporaryDir dir;
    QString name;
    const auto program = photos_fixtures::uniqueProgramCopy(dir.path(), "/bin/sh", &name);
    ASSERT_TRUE(program);
    QProcess child;
    child.start(*program, {"-c", "trap '' TERM; echo ready; while :; do sleep 1; done"});
    ASSERT_TRUE(child.waitForStarted(5000));
    ASSERT_TRUE(child.waitForReadyRead(5000)) << "the trap is in place";

    PhotosApp photos;
    photos.setProcessName(name);
    ASSERT_TRUE(photos.isRunning());
    EXPECT_TRUE(photos.terminate());
    EXPECT_FALSE(photos.waitUntilQuit(300));

    std::optional<bool> reported;
    photos.whenQuit(
        300, nullptr, [&](bool ended) { reported = ended; }, 50);
    EXPECT_FALSE(reported.has_value()) << "reported later, on the event loop";
    for (int i = 0; i < 200 && !reported; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    ASSERT_TRUE(reported.has_value());
    EXPECT_FALSE(*reported);
    EXPECT_TRUE(photos.isRunning());
    photos_fixtures::stopChild(child);
    EXPECT_TRUE(photos.waitUntilQuit(5000));
}

TEST(PhotosProcessTest, AsynchronousWaitReportsTheEndAndIsDroppedWithItsContext)
{
    QTemporaryDir dir;
    QString name;
    const auto program = photos_fixtures::uniqueProgramCopy(dir.path(), "/bin/sleep", &name);
    ASSERT_TRUE(program);
    QProcess child;
    child.start(*program, {"30"});
    ASSERT_TRUE(child.waitForStarted(5000));
    PhotosApp photos;
    photos.setProcessName(name);
    ASSERT_TRUE(photos.isRunning());

    int droppedCalls = 0;
    {
        QObject context;
        photos.whenQuit(
            10000, &context, [&](bool) { ++droppedCalls; }, 20);
    }
    std::optional<bool> reported;
    photos.whenQuit(
        10000, nullptr, [&](bool ended) { reported = ended; }, 20);
    photos.terminate();
    for (int i = 0; i < 1000 && !reported; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    ASSERT_TRUE(reported.has_value());
    EXPECT_TRUE(*reported);
    EXPECT_EQ(droppedCalls, 0);
    child.waitForFinished(5000);
    photos_fixtures::stopChild(child);
}
