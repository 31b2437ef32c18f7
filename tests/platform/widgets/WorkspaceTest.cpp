// The folder the file manager is asked to show, and refused addresses.
#include "platform/widgets/Workspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::Workspace;

TEST(WorkspaceTest, RevealingAFileShowsItsFolderAndAFolderItself)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkpath("inner folder");
    QFile file(dir.filePath("photo one.jpg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(Workspace::folderToReveal(dir.filePath("photo one.jpg")), QDir(dir.path()).absolutePath());
    EXPECT_EQ(Workspace::folderToReveal(dir.filePath("inner folder")), QDir(dir.filePath("inner folder")).absolutePath());
    // A path that does not exist cannot be shown.
    EXPECT_FALSE(Workspace::sharedWorkspace().revealInFileManager(dir.filePath("gone/missing.jpg")));
}

TEST(WorkspaceTest, InvalidAddressesAreRefused)
{
    EXPECT_FALSE(Workspace::sharedWorkspace().openURL(QUrl()));
    EXPECT_FALSE(Workspace::sharedWorkspace().openURL(QUrl("http://exa mple.com/%%")));
}
