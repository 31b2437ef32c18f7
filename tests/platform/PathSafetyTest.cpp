#include "platform/FileManager.h"
#include "platform/FileStat.h"
#include "platform/PathSafety.h"

#include "support/ServicesFixtures.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::FileManager;
using platform::FileStat;
using platform::PathSafety;

// A path with a NUL whose part before the NUL is a real folder: handed to the system as it stands,
// every call would act on that folder, and a walk would list it under ever longer names.
TEST(PathSafety, PathsHoldingANulCharacterAreRefusedByStatAndListing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath("album/sub"));
    ASSERT_TRUE(fixtures::writeFile(dir.filePath("album/a.jpg"), QByteArray(3000, 'x')));
    const QString folder = dir.filePath("album");
    const QString withNul = folder + QChar(u'\0') + QStringLiteral("x");

    EXPECT_FALSE(PathSafety::isUsable(withNul));
    EXPECT_FALSE(PathSafety::isUsable(QString()));
    EXPECT_FALSE(PathSafety::nativePath(withNul));
    EXPECT_TRUE(PathSafety::isUsable(folder));
    EXPECT_EQ(PathSafety::nativePath(folder), QFile::encodeName(folder));

    EXPECT_FALSE(FileStat::of(withNul));
    EXPECT_FALSE(FileManager::attributes(withNul));
    EXPECT_FALSE(FileManager::isRegularFile(dir.filePath("album/a.jpg") + QChar(u'\0') + QStringLiteral("b")));
    EXPECT_FALSE(FileManager::contentsOfDirectory(withNul, false));
    int visited = 0;
    EXPECT_FALSE(FileManager::enumerate(withNul, false, false,
                                        [&](const platform::DirectoryEntry &) { return ++visited < 100; }));
    EXPECT_EQ(visited, 0);

    // The same folder under its real name is read as usual.
    EXPECT_TRUE(FileStat::of(folder));
    ASSERT_TRUE(FileManager::contentsOfDirectory(folder, false));
    EXPECT_EQ(FileManager::contentsOfDirectory(folder, false)->size(), 2u);
}
