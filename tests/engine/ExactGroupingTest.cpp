#include "engine/ExactGrouping.h"

#include "support/ScanFixtures.h"

#include <QCryptographicHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using scanfixtures::RecordingProgress;

namespace {

// The file-by-file, pair-by-pair reading of exact grouping: every file digested, every later file
// compared with every file not yet grouped, with the same progress calls.
std::vector<std::vector<size_t>> referenceExactGroups(const std::vector<std::optional<QString>> &digests,
                                                      ScanProgress &progress)
{
    const size_t n = digests.size();
    if (n < 2)
        return {};
    const qint64 digestStride = n >= 20 ? 18 : 2;
    const qint64 groupingStride = n >= 20 ? 9 : 2;
    qint64 k1 = 1;
    for (size_t i = 0; i < n; ++i) {
        if (k1 % digestStride == 0)
            progress.showGroupingPercent(int(qint64(i) * 75 / qint64(n)));
        ++k1;
    }
    std::vector<size_t> groupedIndices;
    std::vector<std::vector<size_t>> result;
    qint64 duplicateCount = 0;
    qint64 k2 = 1;
    for (size_t i = 0; i < n; ++i) {
        if (k2 % groupingStride == 0)
            progress.showGroupingPercent(75 + int(qint64(i) * 25 / qint64(n)));
        ++k2;
        if (std::find(groupedIndices.begin(), groupedIndices.end(), i) != groupedIndices.end())
            continue;
        std::vector<size_t> group;
        qint64 m = 0;
        for (size_t j = i + 1; j < n; ++j) {
            if (!(digests[i] && digests[j] && *digests[i] == *digests[j]))
                continue;
            if (group.empty()) {
                group.push_back(i);
                groupedIndices.push_back(i);
                ++duplicateCount;
                progress.showDuplicateCount(duplicateCount);
            }
            group.push_back(j);
            groupedIndices.push_back(j);
            ++duplicateCount;
            if (m % groupingStride == 0)
                progress.showDuplicateCount(duplicateCount);
            ++m;
        }
        if (group.size() >= 2)
            result.push_back(group);
    }
    return result;
}

TEST(ExactGroupingEquivalence, RandomSizesAndContentsGiveThePlainResult)
{
    std::mt19937 random(20261208);
    for (int round = 0; round < 60; ++round) {
        const size_t n = size_t(random() % 300);
        // Few distinct sizes and contents, so that equal sizes with different contents, equal
        // contents and unreadable files all occur.
        const int sizeKinds = 1 + int(random() % 40);
        const int contentKinds = 1 + int(random() % 60);
        std::vector<std::optional<quint64>> sizes(n);
        std::vector<std::optional<QString>> contents(n);
        for (size_t i = 0; i < n; ++i) {
            const int content = int(random() % unsigned(contentKinds));
            // Equal contents always have equal sizes; unrelated contents may share a size.
            sizes[i] = quint64(random() % 4 == 0 ? random() % unsigned(sizeKinds) : 1000 + content % sizeKinds);
            if (random() % 25 == 0) {
                contents[i] = std::nullopt; // unreadable
            } else {
                const QByteArray bytes = QByteArray::number(content) + "/" + QByteArray::number(*sizes[i]);
                contents[i] = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
            }
            if (round % 5 == 0 && random() % 50 == 0)
                sizes[i] = std::nullopt; // size unknown: everything is digested
        }

        RecordingProgress plainProgress;
        const auto expected = referenceExactGroups(contents, plainProgress);

        for (unsigned threads : {1u, 4u}) {
            RecordingProgress progress;
            ExactGrouping grouping(std::make_shared<ScanFlags>(), &progress, threads);
            const auto groups = grouping.groupPositions(sizes, [&](size_t i) { return contents[i]; });
            ASSERT_TRUE(groups.has_value());
            EXPECT_EQ(*groups, expected) << "round " << round << " threads " << threads;
            EXPECT_EQ(progress.calls, plainProgress.calls) << "round " << round;
        }
    }
}

TEST(ExactGroupingEquivalence, OnlySharedSizesAreDigested)
{
    EXPECT_EQ(ExactGrouping::positionsToDigest({5, 7, 5, 9, 7}), (std::vector<bool>{true, true, true, false, true}));
    // A size that could not be read may match anything.
    EXPECT_EQ(ExactGrouping::positionsToDigest({5, std::nullopt, 9}), (std::vector<bool>{true, true, true}));
}

class ExactGroupingFiles : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    ImageFilePtr file(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(scanfixtures::writeFile(path, bytes));
        auto record = std::make_shared<ImageFile>();
        record->url = QUrl::fromLocalFile(path);
        record->fileName = name;
        return record;
    }
};

TEST_F(ExactGroupingFiles, GroupsIdenticalFilesInOrder)
{
    const QByteArray a(5000, 'a'), b(5000, 'b'), c(7000, 'c');
    const auto A = file("A.jpg", a), B = file("B.jpg", b), A2 = file("A2.jpg", a), B2 = file("B2.jpg", b),
               C = file("C.jpg", c), A3 = file("A3.jpg", a);
    RecordingProgress progress;
    ExactGrouping grouping(std::make_shared<ScanFlags>(), &progress);
    const auto groups = grouping.exactGroups({A, B, A2, B2, C, A3});
    ASSERT_TRUE(groups.has_value());
    ASSERT_EQ(groups->size(), 2u);
    EXPECT_EQ((*groups)[0], (ImageGroup{A, A2, A3}));
    EXPECT_EQ((*groups)[1], (ImageGroup{B, B2}));
    for (const auto &record : {A, B, A2, B2, C, A3})
        EXPECT_EQ(record->matchingPercentage, 100.0f);
    EXPECT_EQ(A->md5, QString::fromLatin1(QCryptographicHash::hash(a, QCryptographicHash::Md5).toHex()));
    EXPECT_EQ(A->md5, A3->md5);
    // The last duplicate count shown is the number of grouped files.
    std::string lastCount;
    for (const auto &call : progress.calls)
        if (call.rfind("dup ", 0) == 0)
            lastCount = call;
    EXPECT_EQ(lastCount, "dup 5");
}

TEST_F(ExactGroupingFiles, SmallInputsAndVanishedFiles)
{
    ExactGrouping grouping(std::make_shared<ScanFlags>());
    EXPECT_EQ(grouping.exactGroups({}), ImageGroups{});
    EXPECT_EQ(grouping.exactGroups({file("one.jpg", "x")}), ImageGroups{});

    // A file removed after it was collected has no digest and joins no group.
    const auto p = file("p.jpg", QByteArray(3000, 'p'));
    const auto q = file("q.jpg", QByteArray(3000, 'p'));
    const auto gone = file("gone.jpg", QByteArray(3000, 'p'));
    ASSERT_TRUE(QFile::remove(gone->path()));
    const auto groups = grouping.exactGroups({p, gone, q}, {3000, 3000, 3000});
    ASSERT_TRUE(groups.has_value());
    ASSERT_EQ(groups->size(), 1u);
    EXPECT_EQ((*groups)[0], (ImageGroup{p, q}));
    EXPECT_FALSE(gone->md5.has_value());
}

TEST_F(ExactGroupingFiles, StopGivesNoResult)
{
    auto flags = std::make_shared<ScanFlags>();
    std::vector<ImageFilePtr> files;
    for (int i = 0; i < 30; ++i)
        files.push_back(file(QString("f%1.jpg").arg(i), QByteArray(2048, char('a' + i % 3))));

    // Stop while digesting: the progress call of the 18th file sets the flag.
    struct StopAtFirstPercent : RecordingProgress {
        std::shared_ptr<ScanFlags> flags;
        void showGroupingPercent(int percent) override
        {
            RecordingProgress::showGroupingPercent(percent);
            flags->isSecondStepAbort = true;
        }
    } progress;
    progress.flags = flags;
    ExactGrouping grouping(flags, &progress);
    EXPECT_FALSE(grouping.exactGroups(files).has_value());
    EXPECT_EQ(progress.calls.size(), 1u);

    flags->isSecondStepAbort = false;
    EXPECT_TRUE(ExactGrouping(flags).exactGroups(files).has_value());
}

} // namespace
