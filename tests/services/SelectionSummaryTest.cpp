#include "services/SelectionSummary.h"

#include "model/ModuleState.h"
#include "support/ServicesFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SelectionSummaryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        savedTable_ = localizationTable;
        localizationTable = QVariantMap{{"IDS_TWK_52", "%@ of %@ files marked in %@"},
                                        {"IDS_TWK_57", "Group"},
                                        {"IDS_TWK_58", "Groups"},
                                        {"IDS_TWK_42", "duplicates found"},
                                        {"IDS_TWK_72", "%@ can be freed"}};
        savedCount_ = scannedFilesCountText;
        savedSize_ = scannedFilesSizeText;
    }
    void TearDown() override
    {
        localizationTable = savedTable_;
        scannedFilesCountText = savedCount_;
        scannedFilesSizeText = savedSize_;
    }
    // Groups of real files of 100 bytes each.
    ImageGroups groups(std::initializer_list<int> sizes)
    {
        ImageGroups result;
        for (int size : sizes) {
            ImageGroup group;
            for (int i = 0; i < size; ++i) {
                const QString path = dir_.filePath(QStringLiteral("f%1.bin").arg(n_++));
                fixtures::writeFile(path, QByteArray(100, 'x'));
                auto file = std::make_shared<ImageFile>();
                file->url = QUrl::fromLocalFile(path);
                group.push_back(file);
            }
            result.push_back(group);
        }
        return result;
    }
    QTemporaryDir dir_;
    int n_ = 0;

private:
    std::optional<QVariantMap> savedTable_;
    QString savedCount_, savedSize_;
};

} // namespace

TEST_F(SelectionSummaryTest, NoMarksInThreeGroups)
{
    ResultState state;
    state.setResults(groups({2, 3, 4}));
    const SelectionRefresh r = computeSelectionState(state);
    EXPECT_TRUE(r.refreshControls);
    EXPECT_EQ(r.shownFileCount, 9);
    EXPECT_EQ(r.markedGroupCount, 0);
    ASSERT_TRUE(r.summaryText);
    EXPECT_EQ(*r.summaryText, "0 of 9 files marked in 0 group (0 bytes)");
    EXPECT_FALSE(r.deleteMarkedEnabled);
    EXPECT_TRUE(r.autoSelectEnabled);
}

TEST_F(SelectionSummaryTest, SingularAndPluralAndOutOfRangeMarks)
{
    ResultState state;
    state.setResults(groups({2, 3}));
    state.selectedIndexArray[1] = {0, 3, 2}; // 3 is past the group's end
    SelectionRefresh r = computeSelectionState(state);
    ASSERT_TRUE(r.summaryText);
    EXPECT_EQ(*r.summaryText, "2 of 5 files marked in 1 group (200 bytes)");
    EXPECT_TRUE(r.deleteMarkedEnabled);

    state.selectedIndexArray[0] = {1};
    r = computeSelectionState(state);
    EXPECT_EQ(*r.summaryText, "3 of 5 files marked in 2 groups (300 bytes)");

    // A marked file that vanished keeps the old line (no text) while the controls still refresh.
    QFile::remove(state.imageDirectories[0][1]->path());
    r = computeSelectionState(state);
    EXPECT_FALSE(r.summaryText);
    EXPECT_TRUE(r.refreshControls);
}

TEST_F(SelectionSummaryTest, NoGroupsAndEveryFileProtected)
{
    ResultState state;
    SelectionRefresh r = computeSelectionState(state);
    EXPECT_FALSE(r.refreshControls);
    EXPECT_EQ(*r.summaryText, "0 of 0 files marked in 0 group (0 bytes)");
    EXPECT_FALSE(hasUnprotectedResultFile(state));

    state.setResults(groups({2, 2}));
    EXPECT_TRUE(hasUnprotectedResultFile(state));
    for (auto &group : state.imageDirectories)
        for (auto &file : group)
            file->isProtected = true;
    EXPECT_FALSE(hasUnprotectedResultFile(state));
    EXPECT_FALSE(computeSelectionState(state).autoSelectEnabled);
    state.imageDirectories[1][0]->isProtected = false;
    EXPECT_TRUE(hasUnprotectedResultFile(state));
    EXPECT_FALSE(computeSelectionState(state).autoSelectEnabled); // one free file is not enough
}

TEST_F(SelectionSummaryTest, ResultTotals)
{
    ResultState state;
    state.setResults(groups({2, 3, 4}));
    state.setShownGroups({state.allImages[0], state.allImages[2]});
    ResultTotals t = computeResultTotals(state);
    EXPECT_TRUE(t.shownSizeKnown);
    EXPECT_EQ(t.shownFileCount, 6);
    EXPECT_EQ(t.allDuplicatePhotosFoundText, "6 duplicates found");
    EXPECT_EQ(t.allSizeCanBeRemovedText, "600 bytes can be freed");
    EXPECT_EQ(t.previewFile, state.imageDirectories[0][0]);
    EXPECT_EQ(scannedFilesCountText, "9");
    EXPECT_EQ(scannedFilesSizeText, "900 bytes");

    // Nothing shown: zero files, no preview.
    state.setShownGroups({});
    t = computeResultTotals(state);
    EXPECT_TRUE(t.shownSizeKnown);
    EXPECT_EQ(t.shownFileCount, 0);
    EXPECT_EQ(t.previewFile, nullptr);

    // A scanned file vanished: the scanned totals keep their last texts; the shown size is unknown.
    state.setShownGroups({state.allImages[1]});
    QFile::remove(state.allImages[1][0]->path());
    t = computeResultTotals(state);
    EXPECT_FALSE(t.shownSizeKnown);
    EXPECT_EQ(scannedFilesCountText, "9");
}
