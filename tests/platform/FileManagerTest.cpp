#include "platform/FileManager.h"

#include "support/ServicesFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

using platform::FileManager;

TEST(FileManager, AttributesDescribeFilesFoldersAndLinksWithoutFollowing)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("a.bin");
    ASSERT_TRUE(fixtures::writeFile(file, QByteArray(1500, 'x')));
    const QString link = dir.filePath("link.bin");
    ASSERT_TRUE(QFile::link(file, link));

    const auto a = FileManager::attributes(file);
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->isRegularFile);
    EXPECT_EQ(a->size, 1500u);
    EXPECT_NE(a->inode, 0u);
    EXPECT_TRUE(a->modificationDate);

    const auto l = FileManager::attributes(link);
    ASSERT_TRUE(l);
    EXPECT_TRUE(l->isSymbolicLink);
    EXPECT_FALSE(l->isRegularFile);
    EXPECT_NE(l->inode, a->inode);

    const auto d = FileManager::attributes(dir.path());
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->isDirectory);

    EXPECT_FALSE(FileManager::attributes(dir.filePath("missing")));
    EXPECT_FALSE(FileManager::fileSize(dir.filePath("missing")));
    EXPECT_FALSE(FileManager::attributes(QString()));
    EXPECT_EQ(FileManager::fileSize(file), 1500u);
}

TEST(FileManager, CreationDateIsTheBirthTimeWhenTheFileSystemKeepsOne)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("born.bin");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-5);
    ASSERT_TRUE(fixtures::writeFile(file, "x"));
    const auto created = FileManager::creationDate(file);
    if (!created)
        GTEST_SKIP() << "this file system keeps no birth time";
    EXPECT_GE(*created, before);
    EXPECT_LE(*created, QDateTime::currentDateTime().addSecs(5));
}

TEST(FileManager, WalkSkipsHiddenEntriesAndPackageContentsAndDoesNotFollowLinks)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    fixtures::writeFile(root + "/a.jpg", "a");
    fixtures::writeFile(root + "/.b.jpg", "b");
    fixtures::writeFile(root + "/.hidden/d.jpg", "d");
    fixtures::writeFile(root + "/sub/c.png", "c");
    QDir().mkpath(root + "/empty");
    fixtures::writeFile(root + "/Lib.photoslibrary/inner.jpg", "i");
    QTemporaryDir outside;
    fixtures::writeFile(outside.path() + "/far.jpg", "f");
    ASSERT_TRUE(QFile::link(outside.path(), root + "/linked"));

    QStringList seen;
    ASSERT_TRUE(FileManager::enumerate(root, true, true, [&](const platform::DirectoryEntry &e) {
        seen << QDir(root).relativeFilePath(e.path) + (e.isSymbolicLink ? "@" : e.isDirectory ? "/" : "");
        return true;
    }));
    EXPECT_EQ(seen, QStringList({"Lib.photoslibrary/", "a.jpg", "empty/", "linked@", "sub/", "sub/c.png"}));

    // Stopping after the first entry.
    int visits = 0;
    EXPECT_TRUE(
        FileManager::enumerate(root, true, true, [&](const platform::DirectoryEntry &) { return ++visits < 1; }));
    EXPECT_EQ(visits, 1);

    EXPECT_FALSE(FileManager::enumerate(root + "/a.jpg", true, true, [](const auto &) { return true; }));
    EXPECT_FALSE(FileManager::enumerate(root + "/missing", true, true, [](const auto &) { return true; }));
    const auto top = FileManager::contentsOfDirectory(root, true);
    ASSERT_TRUE(top);
    EXPECT_EQ(top->size(), 5u);
}

TEST(FileManager, TrashItemMovesIntoTheHomeTrashWithItsInfoFile)
{
    fixtures::TempHome home;
    const QString file = home.file("photos/shot one.jpg");
    ASSERT_TRUE(fixtures::writeFile(file, "content"));

    const platform::TrashResult result = FileManager::trashItem(file);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(QFile::exists(result.trashedPath));
    EXPECT_TRUE(FileManager::isInTrash(result.trashedPath));
    EXPECT_TRUE(result.trashedPath.startsWith(FileManager::homeTrashPath() + "/files/"));
    const QString info =
        FileManager::homeTrashPath() + "/info/" + QFileInfo(result.trashedPath).fileName() + ".trashinfo";
    QFile infoFile(info);
    ASSERT_TRUE(infoFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(infoFile.readAll().contains("Path="));

    const platform::TrashResult missing = FileManager::trashItem(home.file("photos/none.jpg"));
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.isEmpty());
}

TEST(FileManager, TrashItemReportsAFolderItCannotWriteTo)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the super-user";
    fixtures::TempHome home;
    const QString folder = home.file("locked");
    ASSERT_TRUE(fixtures::writeFile(folder + "/f.jpg", "x"));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const platform::TrashResult result = FileManager::trashItem(folder + "/f.jpg");
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(QFile::exists(folder + "/f.jpg"));
}

TEST(FileManager, NoTrashFolderMeansAFailedMoveAndAnUntouchedFile)
{
    fixtures::TempHome home;
    const QString blocker = home.file("blocker");
    ASSERT_TRUE(fixtures::writeFile(blocker, "a file where the data folder should be"));
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", (blocker + "/share").toUtf8());
    const QString file = home.file("keep.jpg");
    ASSERT_TRUE(fixtures::writeFile(file, "x"));
    const platform::TrashResult result = FileManager::trashItem(file);
    qputenv("XDG_DATA_HOME", saved);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_TRUE(QFile::exists(file));
}

TEST(FileManager, OnlyTrashFoldersCountAsTrash)
{
    fixtures::TempHome home;
    const QString uid = QString::number(::getuid());
    EXPECT_TRUE(FileManager::isInTrash(FileManager::homeTrashPath() + "/files/x.jpg"));
    EXPECT_TRUE(FileManager::isInTrash("/media/disk/.Trash-" + uid + "/files/x.jpg"));
    EXPECT_TRUE(FileManager::isInTrash("/media/disk/.Trash/" + uid + "/files/x.jpg"));
    EXPECT_FALSE(FileManager::isInTrash(home.file("files/x.jpg")));
    EXPECT_FALSE(FileManager::isInTrash(FileManager::homeTrashPath() + "/info/x.jpg.trashinfo"));
    EXPECT_FALSE(FileManager::isInTrash(QString()));
}
