#include "platform/FileManager.h"
#include "platform/FileStat.h"

#include "support/ServicesFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::FileManager;
using platform::FileStat;

// The stat with numeric times, converted, is FileManager::attributes field for field.
TEST(FileStat, ConvertsToTheAttributesOfFileManager)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("photo.jpg");
    ASSERT_TRUE(fixtures::writeFile(file, QByteArray(3000, 'x')));
    const QString link = dir.filePath("link.jpg");
    ASSERT_TRUE(QFile::link(file, link));
    const QString dangling = dir.filePath("dangling.jpg");
    ASSERT_TRUE(QFile::link(dir.filePath("gone.jpg"), dangling));

    for (const QString &path : {file, link, dangling, dir.path(), dir.filePath("missing.jpg"), QString()}) {
        const auto expected = FileManager::attributes(path);
        const auto stat = FileStat::of(path);
        ASSERT_EQ(expected.has_value(), stat.has_value()) << path.toStdString();
        if (!stat)
            continue;
        const platform::FileAttributes got = stat->attributes();
        EXPECT_EQ(got.isRegularFile, expected->isRegularFile);
        EXPECT_EQ(got.isDirectory, expected->isDirectory);
        EXPECT_EQ(got.isSymbolicLink, expected->isSymbolicLink);
        EXPECT_EQ(got.size, expected->size);
        EXPECT_EQ(got.device, expected->device);
        EXPECT_EQ(got.inode, expected->inode);
        EXPECT_EQ(got.modificationDate, expected->modificationDate);
        EXPECT_EQ(got.creationDate, expected->creationDate);
        if (got.modificationDate && expected->modificationDate) {
            EXPECT_EQ(got.modificationDate->timeSpec(), expected->modificationDate->timeSpec());
            EXPECT_EQ(got.modificationDate->toString(Qt::ISODateWithMs),
                      expected->modificationDate->toString(Qt::ISODateWithMs));
        }
    }
}
