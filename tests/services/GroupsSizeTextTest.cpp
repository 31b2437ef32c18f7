#include "services/MVNAssistance.h"
#include "services/SelectionSummary.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

// The counters take the sizes the scan recorded; for files unchanged since the scan that equals
// reading every size from the file system, on random groups.
TEST(GroupsSizeText, EqualsReadingEverySizeForUnchangedFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::mt19937 random(5);
    ImageGroup files;
    for (int i = 0; i < 60; ++i) {
        const QString path = dir.filePath(QStringLiteral("f%1.jpg").arg(i));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.resize(qint64(random() % 5000000));
        file.close();
        files.push_back(ImageFile::make(QUrl::fromLocalFile(path)));
        ASSERT_TRUE(files.back()->scannedSize.has_value());
    }
    for (int round = 0; round < 100; ++round) {
        ImageGroups groups(size_t(random() % 6));
        for (ImageGroup &group : groups)
            for (int k = 0; k < int(random() % 5); ++k)
                group.push_back(files[random() % files.size()]);
        EXPECT_EQ(groupsSizeText(groups), sharedAssistance().totalSizeText(groups)) << round;
    }
    // A record without a recorded size is read from the file; a vanished one gives no total.
    auto unrecorded = std::make_shared<ImageFile>();
    unrecorded->url = QUrl::fromLocalFile(dir.filePath(QStringLiteral("f0.jpg")));
    EXPECT_EQ(groupsSizeText({{unrecorded}}), sharedAssistance().totalSizeText({{unrecorded}}));
    QFile::remove(dir.filePath(QStringLiteral("f0.jpg")));
    EXPECT_FALSE(groupsSizeText({{unrecorded}}).first.has_value());
}
