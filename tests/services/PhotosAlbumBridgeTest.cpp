#include "services/MVNMemory.h"

#include "platform/LoginItems.h"
#include "platform/PhotosApp.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::PhotosApp;

namespace {

class PhotosAlbumBridgeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        PhotosApp::shared().setAlbumStorePath(dir.filePath("albums.sqlite"));
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(PhotosAlbumBridgeTest, ItemsReachTheAlbumWhichIsMadeOnce)
{
    EXPECT_TRUE(MVNMemory().movePhotosInPhotoLibrary({})) << "an empty hand-over still makes the album";
    EXPECT_EQ(PhotosApp::shared().albumItems("Twinsift"), QStringList());

    EXPECT_TRUE(MVNMemory().movePhotosInPhotoLibrary({"U-1", "U-2"}));
    EXPECT_TRUE(MVNMemory().movePhotosInPhotoLibrary({"U-2", "U-3"}));
    EXPECT_EQ(PhotosApp::shared().albumItems("Twinsift"), QStringList({"U-1", "U-2", "U-3"}));
}

TEST_F(PhotosAlbumBridgeTest, FailureIsReportedAndNothingIsAdded)
{
    ASSERT_TRUE(PhotosApp::shared().setAutomationAllowed(false));
    EXPECT_FALSE(MVNMemory().movePhotosInPhotoLibrary({"U-1"}));
    ASSERT_TRUE(PhotosApp::shared().setAutomationAllowed(true));
    EXPECT_FALSE(PhotosApp::shared().albumName("Twinsift").has_value());

    EXPECT_FALSE(MVNMemory().movePhotosInPhotoLibrary({"U-1", ""})) << "an item without identifier";
    EXPECT_EQ(PhotosApp::shared().albumItems("Twinsift"), QStringList());
}

TEST(LoginItemBridgeTest, FindsAndRemovesThisApplicationsLoginItem)
{
    platform::LoginItems::remove();
    EXPECT_FALSE(MVNMemory().itemRefInLoginItems().has_value());
    ASSERT_TRUE(platform::LoginItems::add());
    EXPECT_EQ(MVNMemory().itemRefInLoginItems(), platform::LoginItems::autostartFilePath());
    EXPECT_FALSE(platform::LoginItems::contains());
    EXPECT_FALSE(MVNMemory().itemRefInLoginItems().has_value());
}
