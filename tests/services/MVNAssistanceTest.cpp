#include "services/MVNAssistance.h"

#include "support/ServicesFixtures.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QStringList relativeNames(const QString &root, const std::vector<QUrl> &urls)
{
    QStringList names;
    for (const QUrl &url : urls)
        names << QDir(root).relativeFilePath(url.toLocalFile());
    return names;
}

} // namespace

TEST(MVNAssistance, ListingLeavesOutHiddenFilesPackagesFoldersAndLinks)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    fixtures::writeFile(root + "/a.jpg", "a");
    fixtures::writeFile(root + "/.b.jpg", "b");
    fixtures::writeFile(root + "/sub/c.png", "c");
    QDir().mkpath(root + "/empty");
    fixtures::writeFile(root + "/My Photos.photoslibrary/originals/d.jpg", "d");
    fixtures::writeFile(root + "/Photo Booth Library/Pictures/e.jpg", "e");
    ASSERT_TRUE(QFile::link(root + "/a.jpg", root + "/link.jpg"));

    const auto files = sharedAssistance().listFiles(QUrl::fromLocalFile(root));
    ASSERT_TRUE(files);
    EXPECT_EQ(relativeNames(root, *files), QStringList({"a.jpg", "sub/c.png"}));

    // Roots inside a library list nothing; a root that cannot be listed gives no list.
    const auto insidePackage = sharedAssistance().listFiles(QUrl::fromLocalFile(root + "/My Photos.photoslibrary"));
    ASSERT_TRUE(insidePackage);
    EXPECT_TRUE(insidePackage->empty());
    const auto insideBooth = sharedAssistance().listFiles(QUrl::fromLocalFile(root + "/PHOTO BOOTH LIBRARY"));
    EXPECT_FALSE(insideBooth); // no such folder on a case-sensitive file system
    const auto booth = sharedAssistance().listFiles(QUrl::fromLocalFile(root + "/Photo Booth Library"));
    ASSERT_TRUE(booth);
    EXPECT_TRUE(booth->empty());
    EXPECT_FALSE(sharedAssistance().listFiles(QUrl::fromLocalFile(root + "/missing")));
    EXPECT_FALSE(sharedAssistance().listFiles(QUrl::fromLocalFile(root + "/a.jpg")));
    EXPECT_FALSE(sharedAssistance().listFiles(QUrl("https://example.org/")));
}

TEST(MVNAssistance, ListingStopsWhenTheCollectingStepIsStopped)
{
    QTemporaryDir dir;
    fixtures::writeFile(dir.filePath("a.jpg"), "a");
    auto flags = std::make_shared<ScanFlags>();
    flags->isFirstStepAbort = true;
    const auto files = sharedAssistance().listFiles(QUrl::fromLocalFile(dir.path()), flags);
    ASSERT_TRUE(files);
    EXPECT_TRUE(files->empty());
    flags->isFirstStepAbort = false;
    EXPECT_EQ(sharedAssistance().listFiles(QUrl::fromLocalFile(dir.path()), flags)->size(), 1u);
}

TEST(MVNAssistance, DigestsOfFiles)
{
    QTemporaryDir dir;
    const QString empty = dir.filePath("empty"), data = dir.filePath("data");
    fixtures::writeFile(empty, {});
    const QByteArray content(3 * 1024 * 1024 + 5, 'q');
    fixtures::writeFile(data, content);
    EXPECT_EQ(sharedAssistance().fileMD5(QUrl::fromLocalFile(empty)), QString("d41d8cd98f00b204e9800998ecf8427e"));
    EXPECT_EQ(sharedAssistance().fileMD5(QUrl::fromLocalFile(data)),
              QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Md5).toHex()));
    EXPECT_FALSE(sharedAssistance().fileMD5(QUrl::fromLocalFile(dir.filePath("missing"))));
    EXPECT_FALSE(sharedAssistance().fileMD5(QUrl::fromLocalFile(dir.path())));
    // A named pipe is never opened (it would wait for a writer).
    const QString pipe = dir.filePath("pipe.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_FALSE(sharedAssistance().fileMD5(QUrl::fromLocalFile(pipe)));
    EXPECT_FALSE(ImageFile(QUrl::fromLocalFile(pipe)).properties);
    EXPECT_FALSE(sharedAssistance().videoThumbnail(QUrl::fromLocalFile(pipe), 10, 10));
    // A read error is no digest, so a damaged file never matches another.
    EXPECT_FALSE(sharedAssistance().fileMD5(QUrl::fromLocalFile("/proc/self/mem")));

    auto flags = std::make_shared<ScanFlags>();
    flags->isSecondStepAbort = true;
    EXPECT_EQ(sharedAssistance().fileMD5(QUrl::fromLocalFile(data), flags), QString(""));
    flags->isFirstStepAbort = true;
    flags->isSecondStepAbort = false;
    EXPECT_EQ(sharedAssistance().fileMD5(QUrl::fromLocalFile(empty), flags)->size(), 32);
}

TEST(MVNAssistance, SizeTextsUse1023AsTheStep)
{
    const std::pair<quint64, const char *> table[] = {
        {0, "0 bytes"},         {1022, "1022 bytes"},
        {1023, "0.0 KB"},       {1536, "1.0 KB"},
        {1047551, "1022.0 KB"}, {1047552, "1.0 MB"},
        {1572864, "1.5 MB"},    {1072693247, "1023.0 MB"},
        {1072693248, "1.0 GB"}, {5ull * 1024 * 1024 * 1024 * 1024, "5120.0 GB"},
    };
    for (const auto &[bytes, text] : table)
        EXPECT_EQ(MVNAssistance::sizeText(bytes), QString(text)) << bytes;
}

TEST(MVNAssistance, SizesDatesAndTotals)
{
    QTemporaryDir dir;
    const QString a = dir.filePath("a.bin"), b = dir.filePath("b.bin");
    fixtures::writeFile(a, QByteArray(1000, 'a'));
    fixtures::writeFile(b, QByteArray(2000, 'b'));
    EXPECT_EQ(sharedAssistance().fileSize(a), 1000u);
    EXPECT_EQ(sharedAssistance().fileSizeText(b), QString("1.0 KB"));
    EXPECT_FALSE(sharedAssistance().fileSizeText(dir.filePath("none")));
    EXPECT_TRUE(sharedAssistance().modificationDate(a));
    EXPECT_FALSE(sharedAssistance().modificationDate(dir.filePath("none")));
    EXPECT_FALSE(sharedAssistance().creationDate(dir.filePath("none")));

    const ImageGroups groups{{ImageFile::make(QUrl::fromLocalFile(a)), ImageFile::make(QUrl::fromLocalFile(b))},
                             {ImageFile::make(QUrl::fromLocalFile(a))}};
    EXPECT_EQ(MVNAssistance::totalItemCount(groups), 3);
    EXPECT_EQ(MVNAssistance::totalItemCount({}), 0);
    auto [count, text] = sharedAssistance().totalSizeText(groups);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(text, QString("3.0 KB"));
    auto [none, zero] = sharedAssistance().totalSizeText({});
    EXPECT_EQ(none, 0);
    EXPECT_EQ(zero, QString("0 bytes"));

    ASSERT_TRUE(QFile::rename(b, dir.filePath("moved.bin"))); // gone from under the result
    auto [lost, lostText] = sharedAssistance().totalSizeText(groups);
    EXPECT_FALSE(lost);
    EXPECT_FALSE(lostText);
}

TEST(MVNAssistance, PropertyListsOfTheApplication)
{
    EXPECT_FALSE(sharedAssistance().loadPropertyList("NoSuchTable"));
    EXPECT_FALSE(sharedAssistance().loadPropertyList(""));
}

TEST(MVNAssistance, MetadataTagsAndVideoFrames)
{
    fixtures::TempHome home;
    const QString tagged = home.file("t.jpg"), plain = home.file("p.png"), text = home.file("x.jpg");
    ASSERT_TRUE(fixtures::writeImage(tagged, 8, 8, "JPEG"));
    ASSERT_TRUE(fixtures::writeTags(tagged, {{"Exif.Image.Model", "M1"}}));
    ASSERT_TRUE(fixtures::writeImage(plain, 8, 8, "PNG"));
    fixtures::writeFile(text, "not an image");
    const auto tags = sharedAssistance().imageMetadataTags(QUrl::fromLocalFile(tagged));
    ASSERT_TRUE(tags);
    EXPECT_FALSE(tags->isEmpty());
    EXPECT_TRUE(sharedAssistance().imageMetadataTags(QUrl::fromLocalFile(plain))->isEmpty());
    EXPECT_FALSE(sharedAssistance().imageMetadataTags(QUrl::fromLocalFile(text)));

    EXPECT_FALSE(sharedAssistance().videoThumbnail(QUrl::fromLocalFile(text), 50, 50));
    const QString clip = fixtures::makeClip(home.path(), "c.mp4", 64, 48);
    if (!clip.isEmpty()) {
        const auto frame = sharedAssistance().videoThumbnail(QUrl::fromLocalFile(clip), 50, 50);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->width(), 50); // fitted, aspect ratio kept
        EXPECT_NEAR(frame->height(), 37.5, 0.5);
    }
}

TEST(MVNAssistance, RealDuplicatePairHasOneDigest)
{
    const QString a = fixtures::realSample("original-files/pic1/debian_logo.jpg");
    const QString b = fixtures::realSample("original-multiple/debian_logo.jpg");
    const QString other = fixtures::realSample("original-files/pic2/d-debian.jpg");
    if (a.isEmpty() || b.isEmpty() || other.isEmpty())
        GTEST_SKIP() << "forensics-samples-files is not installed";
    const auto digestA = sharedAssistance().fileMD5(QUrl::fromLocalFile(a));
    ASSERT_TRUE(digestA);
    EXPECT_EQ(digestA, sharedAssistance().fileMD5(QUrl::fromLocalFile(b)));
    EXPECT_NE(digestA, sharedAssistance().fileMD5(QUrl::fromLocalFile(other)));
    const auto listed = sharedAssistance().listFiles(QUrl::fromLocalFile(QFileInfo(b).absolutePath()));
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->size(), 2u); // debian_logo.jpg and test.txt
}
