#include "platform/RegularFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::RegularFile;

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

TEST(RegularFileCopyTest, CopiesAreCappedAndSparseFilesRefused)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray bytes(3 << 20, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i % 251);
    const QString source = dir.filePath("data");
    ASSERT_TRUE(write(source, bytes));

    // Above the cap: refused, and no partial copy stays behind.
    QString error;
    EXPECT_FALSE(RegularFile::copy(source, dir.filePath("small"), 2 << 20, &error));
    EXPECT_TRUE(error.contains("larger than")) << qPrintable(error);
    EXPECT_FALSE(QFile::exists(dir.filePath("small")));

    // Within it: an exact copy.
    EXPECT_TRUE(RegularFile::copy(source, dir.filePath("copy"), 3 << 20, &error)) << qPrintable(error);
    EXPECT_EQ(contentOf(dir.filePath("copy")), bytes);

    // A file of 1 GiB that is all holes (a few bytes written at its end) is refused at once,
    // although its size is within the cap.
    const QString sparse = dir.filePath("sparse");
    {
        QFile file(sparse);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.seek((qint64(1) << 30) - 4));
        ASSERT_EQ(file.write("tail"), 4);
    }
    error.clear();
    EXPECT_FALSE(RegularFile::copy(sparse, dir.filePath("sparse-copy"), qint64(4) << 30, &error));
    EXPECT_TRUE(error.contains("sparse")) << qPrintable(error);
    EXPECT_FALSE(QFile::exists(dir.filePath("sparse-copy")));

    // A small file keeps no blocks of its own on some file systems; it is copied all the same.
    ASSERT_TRUE(write(dir.filePath("tiny"), "tiny"));
    EXPECT_TRUE(RegularFile::copy(dir.filePath("tiny"), dir.filePath("tiny-copy"), 100));
    EXPECT_EQ(contentOf(dir.filePath("tiny-copy")), "tiny");

    // A stop request ends the copy and takes the partial copy away.
    int asked = 0;
    EXPECT_FALSE(RegularFile::copy(source, dir.filePath("stopped"), 3 << 20, &error, [&] { return ++asked > 2; }));
    EXPECT_FALSE(QFile::exists(dir.filePath("stopped")));
    EXPECT_EQ(asked, 3);
}
