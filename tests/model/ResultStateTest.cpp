#include "model/ResultState.h"

#include <gtest/gtest.h>

#include <random>

namespace {

ImageGroups makeGroups(std::initializer_list<int> sizes)
{
    ImageGroups groups;
    int n = 0;
    for (int size : sizes) {
        ImageGroup group;
        for (int i = 0; i < size; ++i) {
            auto file = std::make_shared<ImageFile>();
            file->fileName = QStringLiteral("f%1").arg(n++);
            group.push_back(file);
        }
        groups.push_back(group);
    }
    return groups;
}

QString nameAt(const ResultState &s, int g, int r)
{
    return *s.shownFile(g, r)->fileName;
}

} // namespace

TEST(ResultState, NewResultsGetOneEmptySlotPerGroup)
{
    ResultState s;
    s.setResults(makeGroups({2, 3, 4}));
    EXPECT_TRUE(s.isConsistent());
    EXPECT_EQ(s.allImages.size(), 3u);
    EXPECT_EQ(s.selectedIndexArray.size(), 3u);
    EXPECT_EQ(s.shownFileCount(), 9);
    EXPECT_FALSE(s.hasMarks());
    EXPECT_EQ(s.shownFile(0, 0), s.allImages[0][0]); // the same record, shared
    EXPECT_EQ(s.shownFile(3, 0), nullptr);
    EXPECT_EQ(s.shownFile(0, 2), nullptr);

    s.setShownGroups({s.allImages[2]});
    EXPECT_TRUE(s.isConsistent());
    EXPECT_EQ(s.selectedIndexArray.size(), 1u);
    s.clear();
    EXPECT_TRUE(s.isConsistent());
    EXPECT_EQ(s.shownGroupCount(), 0);
}

TEST(ResultState, MarksStayInRangeAndSkipProtectedFiles)
{
    ResultState s;
    s.setResults(makeGroups({2, 3}));
    EXPECT_TRUE(s.mark(1, 2));
    EXPECT_TRUE(s.mark(1, 2)); // marked once only
    EXPECT_EQ(s.selectedIndexArray[1], std::vector<int>({2}));
    EXPECT_FALSE(s.mark(1, 3));
    EXPECT_FALSE(s.mark(2, 0));
    EXPECT_FALSE(s.mark(-1, 0));
    s.shownFile(0, 1)->isProtected = true;
    EXPECT_FALSE(s.mark(0, 1));
    EXPECT_TRUE(s.mark(0, 0));
    EXPECT_EQ(s.markedFileCount(), 2);
    EXPECT_TRUE(s.unmark(1, 2));
    EXPECT_FALSE(s.unmark(1, 2));
    s.unselectAllMarks();
    EXPECT_FALSE(s.hasMarks());
    EXPECT_EQ(s.selectedIndexArray.size(), 2u);
}

TEST(ResultState, RemovingFilesMovesMarksAndOverridesWithTheirFiles)
{
    ResultState s;
    s.setResults(makeGroups({3, 2, 4}));
    // group 0: f0 f1 f2; group 1: f3 f4; group 2: f5 f6 f7 f8
    s.mark(0, 2);
    s.mark(1, 1);
    s.mark(2, 3);
    s.mark(2, 0);
    s.setProtectionByHand(2, 2, false);
    s.setProtectionByHand(2, 3, true); // protecting removes its mark
    EXPECT_FALSE(s.isMarked(2, 3));

    const int removed = s.removeFiles({s.shownFile(0, 0).get(), s.shownFile(1, 0).get(), s.shownFile(2, 1).get()});
    EXPECT_EQ(removed, 3);
    ASSERT_TRUE(s.isConsistent());
    // Group 1 fell under two files and went with its marks.
    ASSERT_EQ(s.shownGroupCount(), 2);
    EXPECT_EQ(nameAt(s, 0, 0), "f1");
    EXPECT_EQ(nameAt(s, 0, 1), "f2");
    EXPECT_EQ(s.selectedIndexArray[0], std::vector<int>({1})); // still f2
    EXPECT_EQ(nameAt(s, 1, 0), "f5");
    EXPECT_EQ(s.selectedIndexArray[1], std::vector<int>({0})); // still f5
    EXPECT_EQ(s.recordedProtection(1, 1), false);              // f7
    EXPECT_EQ(s.recordedProtection(1, 2), true);               // f8
    EXPECT_EQ(s.allImages.size(), 2u);
    EXPECT_EQ(s.allImages[0].size(), 2u);
}

TEST(ResultState, FilterKeepsThePassingFiles)
{
    ResultState s;
    s.setResults(makeGroups({3, 3}));
    s.shownFile(0, 1)->isVideo = true;
    s.shownFile(1, 0)->isVideo = true;
    s.shownFile(1, 1)->isVideo = true;
    s.mark(0, 2);
    const int removed = s.filterShown([](const ImageFile &f) { return !f.isVideo; });
    EXPECT_EQ(removed, 3);
    ASSERT_EQ(s.shownGroupCount(), 1);
    EXPECT_EQ(s.selectedIndexArray[0], std::vector<int>({1}));
    EXPECT_EQ(s.allImages.size(), 2u); // the scanned groups stay
    EXPECT_TRUE(s.isConsistent());
}

// Taking one member out gives what filtering that one record out of every group gives, marks,
// recorded pairs and folder records included, on random results.
TEST(ResultState, RemovingOneMemberEqualsFilteringItOut)
{
    std::mt19937 random(5);
    for (int round = 0; round < 300; ++round) {
        std::vector<int> sizes(1 + random() % 5);
        for (int &size : sizes)
            size = 2 + int(random() % 4);
        ResultState s;
        ImageGroups groups;
        for (int size : sizes)
            groups.push_back(makeGroups({size})[0]);
        s.setResults(groups);
        for (int g = 0; g < s.shownGroupCount(); ++g)
            for (int r = 0; r < sizes[size_t(g)]; ++r) {
                if (random() % 3 == 0)
                    s.mark(g, r);
                if (random() % 4 == 0)
                    s.setProtectionByHand(g, r, random() % 2 == 0);
                else if (random() % 5 == 0 && !s.recordedProtection(g, r)) {
                    s.protectionOverrideRows[size_t(g)].push_back(r);
                    s.protectionOverrideStates[size_t(g)].push_back(true);
                    s.recordFolderProtection(g, r);
                }
            }
        const int g = int(random() % sizes.size());
        const int r = int(random() % sizes[size_t(g)]);
        ResultState filtered = s;
        const ImageFile *target = s.shownFile(g, r).get();
        filtered.filterShown([target](const ImageFile &f) { return &f != target; });
        ASSERT_TRUE(s.removeShownMember(g, r));
        EXPECT_EQ(s.imageDirectories, filtered.imageDirectories) << "round " << round;
        EXPECT_EQ(s.selectedIndexArray, filtered.selectedIndexArray) << "round " << round;
        EXPECT_EQ(s.protectionOverrideRows, filtered.protectionOverrideRows) << "round " << round;
        EXPECT_EQ(s.protectionOverrideStates, filtered.protectionOverrideStates) << "round " << round;
        for (int k = 0; k < s.shownGroupCount(); ++k)
            for (int m = 0; m < int(s.imageDirectories[size_t(k)].size()); ++m)
                EXPECT_EQ(s.isRecordedByFolder(k, m), filtered.isRecordedByFolder(k, m)) << "round " << round;
    }
}

TEST(ResultState, HandProtectionAndGroupLock)
{
    ResultState s;
    s.setResults(makeGroups({2}));
    EXPECT_FALSE(s.recordedProtection(0, 0));
    s.setProtectionByHand(0, 0, true);
    EXPECT_TRUE(s.shownFile(0, 0)->isProtected);
    EXPECT_FALSE(s.isGroupLockedByHand(0));
    s.setProtectionByHand(0, 1, true);
    EXPECT_TRUE(s.isGroupLockedByHand(0));
    s.setProtectionByHand(0, 1, false); // updated in place, not appended
    EXPECT_EQ(s.protectionOverrideRows[0].size(), 2u);
    EXPECT_FALSE(s.shownFile(0, 1)->isProtected);
    EXPECT_FALSE(s.isGroupLockedByHand(0));
    EXPECT_TRUE(s.removeProtectionOverride(0, 0));
    EXPECT_FALSE(s.removeProtectionOverride(0, 0));
    EXPECT_EQ(s.protectionOverrideStates[0].size(), 1u);

    s.recordFolderProtection(0, 1);
    EXPECT_TRUE(s.isRecordedByFolder(0, 1));
    s.setProtectionByHand(0, 1, true); // the user's own choice now
    EXPECT_FALSE(s.isRecordedByFolder(0, 1));
}

TEST(ResultState, NormalizeRepairsADriftedState)
{
    ResultState s;
    s.setResults(makeGroups({2, 2}));
    s.selectedIndexArray = {{0, 5, 0, -1}};
    s.protectionOverrideRows = {{1, 1, 7}, {0}, {0}};
    s.protectionOverrideStates = {{true, false, true}, {}};
    EXPECT_FALSE(s.isConsistent());
    s.normalize();
    EXPECT_TRUE(s.isConsistent());
    EXPECT_EQ(s.selectedIndexArray, (std::vector<std::vector<int>>{{0}, {}}));
    EXPECT_EQ(s.protectionOverrideRows, (std::vector<std::vector<int>>{{1}, {}}));
    EXPECT_EQ(s.protectionOverrideStates, (std::vector<std::vector<bool>>{{true}, {}}));
}
