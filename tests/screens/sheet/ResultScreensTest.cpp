#include "support/ScanSheetFixtures.h"

#include "screens/results/AfterDeleteStatusVC.h"
#include "screens/results/NoSimilarDuplicatePhotosFoundVC.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/sheet/AfterMoveInPhotoLibraryVC.h"
#include "model/Palette.h"
#include "controls/SYFlatButton.h"
#include "model/TextLookup.h"

#include <QLabel>
#include <QSlider>
#include <QPushButton>

using namespace scansheet_test;

namespace {

class ResultScreensTest : public SheetTestBase
{
};

TEST_F(ResultScreensTest, GroupsArriveThroughSelectedFilesWithEmptyMarksAndTicksMarkFiles)
{
    const QString a = writePhoto(QStringLiteral("r/a.jpg"), 1);
    const QString a2 = copyFile(a, QStringLiteral("r/a2.jpg"));
    const QString b = writePhoto(QStringLiteral("r/b.jpg"), 2);
    const QString b2 = copyFile(b, QStringLiteral("r/sub/b2.JPG"));
    ResultState &state = ResultState::shared();
    state.setResults({{record(a)}}); // left over from an earlier scan

    auto *results = qobject_cast<ScanResultVC *>(scanResultVC());
    ASSERT_NE(results, nullptr);
    results->setParent(window.get());
    results->resize(1000, 700);
    results->show();
    auto *grid = qobject_cast<ThumbnailVC *>(thumbnailVC());
    ASSERT_NE(grid, nullptr);
    const ImageGroups groups = {{record(a), record(a2)}, {record(b), record(b2)}};
    platform::NotificationCenter::defaultCenter().post(
        QStringLiteral("SelectedFiles"),
        {{QStringLiteral("data"), QVariant::fromValue(groups)}, {QStringLiteral("isSimilarScan"), true}});

    EXPECT_TRUE(grid->isSimilarScan);
    EXPECT_EQ(grid->allImages().size(), 2u);
    EXPECT_EQ(grid->imageDirectories().size(), 2u);
    EXPECT_EQ(results->selectedIndexArray(), (std::vector<std::vector<int>>(2)));
    EXPECT_EQ(grid->allFiles, 4);
    EXPECT_FALSE(results->btnDeleteMarked->isEnabled());
    EXPECT_EQ(fileFormatPriorities.size(), 1u); // jpg and JPG are one format
    EXPECT_EQ(folderPriorities.size(), 2u);
    EXPECT_TRUE(results->lblAllDuplicatePhotosFound->text().startsWith(QStringLiteral("4 ")));

    // Ticking a file in the grid marks it; Unselect All clears every mark.
    grid->tappedCheckBox(1, 1);
    EXPECT_EQ(results->selectedIndexArray(), (std::vector<std::vector<int>>{{}, {1}}));
    EXPECT_TRUE(results->btnDeleteMarked->isEnabled());
    EXPECT_EQ(results->boxScanMarked->property("fill").value<QColor>(), Palette::green);
    EXPECT_TRUE(results->btnUnSelectAll->isEnabled());
    QApplication::processEvents();
    shoot(results, QStringLiteral("results-screen"));
    results->unselectAllMarks();
    EXPECT_FALSE(state.hasMarks());
    EXPECT_EQ(results->boxScanMarked->property("fill").value<QColor>(), Palette::mutedButton);
    EXPECT_EQ(state.selectedIndexArray.size(), 2u);

    // The matching level keeps the members that reach it; groups under two files go.
    groups[1][1]->matchingPercentage = 60.0f;
    results->sliderValuesUpdate();
    EXPECT_EQ(state.imageDirectories.size(), 1u);
    EXPECT_EQ(state.allImages.size(), 2u);
    EXPECT_EQ(state.selectedIndexArray.size(), 1u);
}

// A similar scan delivers members down to the grouping score; only those reaching the matching
// level are shown, each group keeping its first file. What is not a scan result is ignored.
TEST_F(ResultScreensTest, DeliveredGroupsAreShownAtTheMatchingLevel)
{
    auto *grid = qobject_cast<ThumbnailVC *>(thumbnailVC());
    ASSERT_NE(grid, nullptr);
    similarityThreshold = 81;
    auto scored = [&](const QString &name, float score) {
        ImageFilePtr file = record(writePhoto(name, quint32(qHash(name))));
        file->matchingPercentage = score;
        return file;
    };
    const ImageGroups groups = {
        {scored(QStringLiteral("m/p.jpg"), 78.0f), scored(QStringLiteral("m/q.jpg"), 81.0f),
         scored(QStringLiteral("m/r.jpg"), 80.9f)},
        {scored(QStringLiteral("m/s.jpg"), 77.0f), scored(QStringLiteral("m/t.jpg"), 77.0f)},
        {scored(QStringLiteral("m/u.jpg"), 100.0f), scored(QStringLiteral("m/v.jpg"), 100.0f)},
    };
    auto post = [](const QVariantMap &userInfo) {
        platform::NotificationCenter::defaultCenter().post(QStringLiteral("SelectedFiles"), userInfo);
    };
    post({{QStringLiteral("data"), QVariant::fromValue(groups)}, {QStringLiteral("isSimilarScan"), true}});

    const ResultState &state = ResultState::shared();
    EXPECT_EQ(state.allImages.size(), 3u);
    ASSERT_EQ(state.imageDirectories.size(), 2u);
    EXPECT_EQ(state.imageDirectories[0], (ImageGroup{groups[0][0], groups[0][1]}));
    EXPECT_EQ(state.imageDirectories[1], groups[2]);
    EXPECT_EQ(state.selectedIndexArray.size(), 2u);

    // A notification without a Boolean scan kind, or without groups, changes nothing.
    post({{QStringLiteral("data"), QVariant::fromValue(ImageGroups{groups[2]})},
          {QStringLiteral("isSimilarScan"), QStringLiteral("yes")}});
    post({{QStringLiteral("data"), QStringLiteral("groups")}, {QStringLiteral("isSimilarScan"), false}});
    EXPECT_EQ(state.allImages.size(), 3u);
    EXPECT_EQ(state.imageDirectories.size(), 2u);
}

TEST_F(ResultScreensTest, AfterMoveSheetSaysHowManyItemsWaitInTheAlbum)
{
    auto *sheet = qobject_cast<AfterMoveInPhotoLibraryVC *>(afterMoveInPhotoLibraryVC());
    ASSERT_NE(sheet, nullptr);
    photosMovedCountText = QStringLiteral("1");
    photosMovedSizeText = QStringLiteral("2.4 MB");
    sheet->viewWillAppear();
    EXPECT_TRUE(sheet->lblDescriptionManualActionNeeded->text().contains(QStringLiteral("items is now in")));
    EXPECT_EQ(sheet->lblSpaceToRecover->text(), QStringLiteral("Space to recover: 2.4 MB"));
    photosMovedCountText = QStringLiteral("0");
    sheet->viewWillAppear();
    EXPECT_TRUE(sheet->lblDescriptionManualActionNeeded->text().contains(QStringLiteral("items are now in")));
    photosMovedCountText = QStringLiteral("3");
    sheet->viewWillAppear();
    EXPECT_EQ(sheet->lblStep1->text(), QStringLiteral("Step 1"));
    sheet->resize(1000, 700);
    shoot(sheet, QStringLiteral("after-move-sheet"));

    // Closing after a deletion that left groups regroups the results and ends pop-up mode.
    const QString a = writePhoto(QStringLiteral("m/a.jpg"), 3);
    const QString a2 = copyFile(a, QStringLiteral("m/a2.jpg"));
    ResultState::shared().setResults({{record(a), record(a2)}});
    ResultState::shared().setShownGroups({});
    NotificationRecorder recorder(navigationNames());
    movedToPhotosAlbum = true;
    sheet->clickedClose();
    EXPECT_EQ(recorder.count(QStringLiteral("closeToExitVC")), 2);
    EXPECT_EQ(recorder.count(QStringLiteral("kDisableScanButtonControlNotification")), 2);
    EXPECT_EQ(ResultState::shared().imageDirectories.size(), 1u);
}

TEST_F(ResultScreensTest, NoResultScreenShowsItsTwoForms)
{
    auto *none = qobject_cast<NoSimilarDuplicatePhotosFoundVC *>(noSimilarDuplicatePhotosFoundVC());
    ASSERT_NE(none, nullptr);
    none->resize(1000, 700);
    none->show();
    EXPECT_FALSE(none->isPresented);
    EXPECT_EQ(none->lblNoSimilarDuplicatePhotosFound->text(), localizedText(QStringLiteral("IDS_TWK_285")));
    EXPECT_TRUE(none->boxBack->isVisible());
    shoot(none, QStringLiteral("no-similar-found"));
    none->hide();

    // Results exist but none reaches the matching level: the message says so, and the sliders
    // take the place of Back (Back to Home stays in the toolbar).
    platform::UserDefaults::standard().setBool(QStringLiteral("ISSliderAvailable"), true);
    none->show();
    EXPECT_TRUE(none->isPresented);
    EXPECT_EQ(none->lblNoSimilarDuplicatePhotosFound->text(), localizedText(QStringLiteral("IDS_TWK_288")));
    EXPECT_FALSE(none->boxBack->isVisible());
    EXPECT_TRUE(none->sliderView->isVisible());
    EXPECT_TRUE(none->btnBackToHome->isVisible());
}

} // namespace
