// The results screen end to end through the main window: a scan, the matching-level slider, the
// videos-only filter, Auto Select with its confirmation, Delete Marked with its confirmation, the
// deletion, the summary and the way back home; and the mends the screen carries.
#include "model/SettingsKeys.h"
#include "screens/shell/ScreenNames.h"
#include "support/ScanSheetFixtures.h"

#include "controls/SYFlatButton.h"
#include "model/ResultRegrouping.h"
#include "model/TextLookup.h"
#include "platform/widgets/SheetPresenter.h"
#include "screens/results/AfterDeleteStatusVC.h"
#include "screens/results/AutoMarkSelectionDialogVC.h"
#include "screens/results/BackToHomeDialogVC.h"
#include "screens/results/DeleteDuplicatePhotosVC.h"
#include "screens/results/FilePropertiesVC.h"
#include "screens/results/ResultPreview.h"
#include "screens/results/ResultRefresh.h"
#include "screens/results/NoSimilarDuplicatePhotosFoundVC.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/shell/CustomAnimator.h"
#include "screens/shell/HubScreens.h"
#include "screens/shell/ViewController.h"
#include "services/MVNAssistance.h"
#include "services/ProtectedFolders.h"
#include "screens/home/SimilarMatchesVC.h"
#include "screens/sheet/ScanVC.h"
#include "screens/wizard/SelectionWizardPreferencesVC.h"
#include "screens/wizard/WizardPage.h"
#include "support/FocusChecks.h"
#include "support/ScanFixtures.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QThreadPool>

using namespace scansheet_test;

namespace {

// Delete Marked as it is seen: a green face and a white caption while it can be pressed, a grey face
// and a grey caption while it cannot.
void expectDeleteMarkedLooksAsItIs(ScanResultVC *results, const char *after)
{
    QApplication::processEvents();
    const bool usable = results->btnDeleteMarked->isEnabled();
    const QImage face = results->boxScanMarked->grab().toImage();
    const double ratio = face.devicePixelRatio();
    // Left of the caption, inside the rounded end.
    const QColor fill = face.pixelColor(int(10 * ratio), int(19 * ratio));
    const QColor caption = results->lblScanMarked->palette().color(results->lblScanMarked->foregroundRole());
    if (usable) {
        EXPECT_EQ(caption, Palette::white) << after;
        EXPECT_GE(fill.green(), 160) << after << ": " << fill.name().toStdString();
        EXPECT_LE(fill.red(), 30) << after << ": " << fill.name().toStdString();
    } else {
        EXPECT_EQ(caption, Palette::captionText) << after;
        EXPECT_LE(std::abs(fill.green() - fill.red()), 6) << after << ": " << fill.name().toStdString();
    }
}

class ResultsFlowTest : public SheetTestBase
{
protected:
    void SetUp() override
    {
        SheetTestBase::SetUp();
        confirmBeforeDeletingPhotos = showAutoMarkAlert = backToHomeAlert = true;
        similarityThreshold = 81;
        savedFolders = protectedFolders;
        savedFlags = protectedSubFolderFlags;
        protectedFolders.clear();
        protectedSubFolderFlags.clear();
    }
    void TearDown() override
    {
        SheetTestBase::TearDown();
        sharedAnimator.reset();
        confirmBeforeDeletingPhotos = showAutoMarkAlert = backToHomeAlert = true;
        similarityThreshold = 81;
        protectedFolders = savedFolders;
        protectedSubFolderFlags = savedFlags;
    }

    // One pair of copies scanned through the home screen, then a matching level (94 %) that leaves no
    // group: the no-results screen shows inside the results screen. Null when it does not.
    ScanResultVC *scanToNoGroupLeft(NotificationRecorder &recorder)
    {
        const QString a = writePhoto(QStringLiteral("home/a.jpg"), 8);
        copyFile(a, QStringLiteral("home/c/a.jpg"));
        ScanResultVC *results = scanThroughHome(recorder);
        if (!results)
            return nullptr;
        ResultState &state = ResultState::shared();
        state.imageDirectories[0][0]->matchingPercentage = 95.0f;
        state.imageDirectories[0][1]->matchingPercentage = 90.0f;
        results->sliderMatchingLevel->setValue(6);
        auto *none = noSimilarDuplicatePhotosFoundVC();
        return waitFor([&] { return none->parentWidget() == results && none->isVisible(); }) ? results : nullptr;
    }

    // Scans three copies of one photo as a similar result, scores member `lowered` at 85 % with the
    // level at 88 %, and trashes the group's first file; `status` is the summary once it shows.
    void trashTheFirstOfThreeCopies(int seed, size_t lowered, NotificationRecorder &recorder, ScanResultVC *&results,
                                    AfterDeleteStatusVC *&status)
    {
        const QString a = writePhoto(QStringLiteral("home/a.jpg"), seed);
        copyFile(a, QStringLiteral("home/b/a.jpg"));
        copyFile(a, QStringLiteral("home/c/a.jpg"));
        results = scanThroughHome(recorder, true);
        ASSERT_TRUE(results);
        ResultState &state = ResultState::shared();
        ASSERT_EQ(state.allImages.size(), 1u);
        ASSERT_EQ(state.allImages[0].size(), 3u);
        state.allImages[0][lowered]->matchingPercentage = 85.0f;
        results->sliderMatchingLevel->setValue(3); // 88 %
        ASSERT_TRUE(waitFor([&] { return state.shownFileCount() == 2; }));
        ASSERT_TRUE(waitFor([] { return !platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp); }));
        ASSERT_EQ(state.shownFile(0, 0), state.allImages[0][0]);
        ASSERT_TRUE(state.mark(0, 0));
        confirmBeforeDeletingPhotos = false;
        results->tappedDeleteMarked();
        ASSERT_TRUE(waitFor([&] { return recorder.count(QStringLiteral("presentAfterDeleteView")) == 1; }));
        status = AllViewControllers::cached<AfterDeleteStatusVC>(ScreenName::afterDeleteStatus);
        ASSERT_TRUE(waitFor([&] { return status->isVisible(); }));
    }

    // Scans the folder "home" through the home screen (exactly unless `similar`) and waits for the
    // results screen.
    ScanResultVC *scanThroughHome(NotificationRecorder &recorder, bool similar = false)
    {
        const std::vector<InitialDirectory> list = {
            InitialDirectory(QUrl::fromLocalFile(path(QStringLiteral("home"))))};
        HubScreens::setScanList(list);
        HubScreens::setInitialDirectories(list);
        home = homeViewController();
        home->resize(1280, 720);
        home->show();
        QApplication::processEvents();
        if (similar)
            home->tappedSimilarMatches();
        else
            home->tappedExactMatches();
        home->tappedScanForDuplicates();
        EXPECT_TRUE(waitFor([&] { return recorder.count(QStringLiteral("SelectedFiles")) == 1; }));
        auto *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult);
        EXPECT_TRUE(results);
        EXPECT_TRUE(
            waitFor([&] { return results && results->isVisible() && !platform::SheetPresenter::visibleSheetCount(); }));
        // The hand-back after the embedding ends pop-up mode.
        EXPECT_TRUE(waitFor([] { return !platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp); }));
        return results;
    }

    // The shown group that holds a file of this name, -1 when none.
    static int groupOf(const QString &fileName)
    {
        const ResultState &state = ResultState::shared();
        for (int g = 0; g < state.shownGroupCount(); ++g)
            for (const ImageFilePtr &f : state.imageDirectories[size_t(g)])
                if (f->path().endsWith(fileName))
                    return g;
        return -1;
    }

    // Two photos, each with a copy in a sub-folder, scanned from the home screen: two groups.
    ScanResultVC *scanTwoPairsThroughHome(NotificationRecorder &recorder)
    {
        copyFile(writePhoto(QStringLiteral("home/a.jpg"), 1), QStringLiteral("home/copy/a.jpg"));
        copyFile(writePhoto(QStringLiteral("home/b.jpg"), 2), QStringLiteral("home/copy/b.jpg"));
        return scanThroughHome(recorder);
    }

    static bool sheetUp(QWidget *controller) { return platform::SheetPresenter::isPresented(controller); }

    ViewController *home = nullptr;
    std::vector<InitialDirectory> savedFolders;
    std::vector<bool> savedFlags;
};

TEST_F(ResultsFlowTest, ScanSliderVideosAutoSelectConfirmDeleteSummaryAndHome)
{
    NotificationRecorder recorder(navigationNames());
    ScanResultVC *results = scanTwoPairsThroughHome(recorder);
    ASSERT_TRUE(results);
    ResultState &state = ResultState::shared();
    ASSERT_EQ(state.shownGroupCount(), 2);
    // The totals count every file of the shown groups and say so.
    EXPECT_EQ(results->lblAllDuplicatePhotosFound->text(),
              QStringLiteral("4 ") + localizedText(QStringLiteral("IDS_TWK_42")));
    EXPECT_TRUE(results->lblAllSizeCanBeRemoved->text().endsWith(QStringLiteral(" in these groups")));
    EXPECT_FALSE(results->btnDeleteMarked->isEnabled());
    shoot(home, QStringLiteral("results-screen"));

    // Matching level: the copy of a scores 90 %, so position 4 (91 %) drops a's group; back to 1.
    const int groupA = groupOf(QStringLiteral("/a.jpg"));
    state.imageDirectories[size_t(groupA)][1]->matchingPercentage = 90.0f;
    results->sliderMatchingLevel->setValue(4);
    EXPECT_EQ(similarityThreshold, 91);
    ASSERT_TRUE(waitFor([&] { return state.shownGroupCount() == 1; }));
    EXPECT_EQ(groupOf(QStringLiteral("/a.jpg")), -1);
    EXPECT_TRUE(state.isConsistent());
    results->sliderMatchingLevel->setValue(1);
    ASSERT_TRUE(waitFor([&] { return state.shownGroupCount() == 2; }));
    ASSERT_TRUE(waitFor([] { return !platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp); }));

    // Videos only: b and its copy stand for two videos; the mark on b's copy stays on that file.
    for (const ImageFilePtr &f : state.imageDirectories[size_t(groupOf(QStringLiteral("/b.jpg")))])
        f->isVideo = true;
    const int groupB = groupOf(QStringLiteral("/b.jpg"));
    const ImageFilePtr bCopy = state.imageDirectories[size_t(groupB)][1];
    ASSERT_TRUE(state.mark(groupB, 1));
    results->btnShowOnlyVideos->setChecked(true);
    results->tappedShowOnlyVideos();
    ASSERT_EQ(state.shownGroupCount(), 1);
    ASSERT_TRUE(state.isConsistent());
    EXPECT_EQ(state.selectedIndexArray[0], std::vector<int>({1}));
    EXPECT_EQ(state.shownFile(0, 1), bCopy);
    EXPECT_TRUE(results->btnDeleteMarked->isEnabled());
    results->btnShowOnlyVideos->setChecked(false);
    results->tappedShowOnlyVideos();
    ASSERT_EQ(state.shownGroupCount(), 2);
    EXPECT_TRUE(state.isMarked(groupOf(QStringLiteral("/b.jpg")), 1));
    EXPECT_EQ(state.markedFileCount(), 1);

    // Auto Select asks first; nothing is marked until the sheet says so.
    results->tappedUnSelectAll();
    EXPECT_FALSE(state.hasMarks());
    results->tappedAutoSelect();
    auto *autoMark = qobject_cast<AutoMarkSelectionDialogVC *>(autoMarkSelectionDialogVC());
    ASSERT_TRUE(autoMark);
    ASSERT_TRUE(waitFor([&] { return sheetUp(autoMark); }));
    EXPECT_FALSE(state.hasMarks());
    shoot(autoMark, QStringLiteral("sheet-automark"));
    autoMark->tappedOk();
    EXPECT_EQ(state.markedFileCount(), 2);
    EXPECT_TRUE(results->btnAutoSelect->isChecked());
    EXPECT_FALSE(platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp));
    EXPECT_TRUE(results->btnDeleteMarked->isEnabled());
    expectDeleteMarkedLooksAsItIs(results, "Auto Select and its question");

    // Delete Marked asks first; the files stay until the sheet's OK.
    QStringList markedPaths, keptPaths;
    for (int g = 0; g < state.shownGroupCount(); ++g)
        for (int r = 0; r < int(state.imageDirectories[size_t(g)].size()); ++r)
            (state.isMarked(g, r) ? markedPaths : keptPaths) << state.shownFile(g, r)->path();
    results->btnDeleteMarked->click();
    auto *confirm = qobject_cast<DeleteDuplicatePhotosVC *>(deleteDuplicatePhotosVC());
    ASSERT_TRUE(confirm);
    ASSERT_TRUE(waitFor([&] { return sheetUp(confirm); }));
    EXPECT_FALSE(sheetUp(scanVC()));
    for (const QString &p : markedPaths)
        EXPECT_TRUE(QFile::exists(p));
    shoot(confirm, QStringLiteral("sheet-delete"));
    confirm->tappedOk();
    ASSERT_TRUE(waitFor([&] { return recorder.count(QStringLiteral("presentAfterDeleteView")) == 1; }));
    auto *status = AllViewControllers::cached<AfterDeleteStatusVC>(ScreenName::afterDeleteStatus);
    ASSERT_TRUE(status);
    ASSERT_TRUE(waitFor([&] { return status->isVisible() && !platform::SheetPresenter::visibleSheetCount(); }));
    for (const QString &p : markedPaths)
        EXPECT_FALSE(QFile::exists(p)) << p.toStdString();
    for (const QString &p : keptPaths)
        EXPECT_TRUE(QFile::exists(p)) << p.toStdString();
    EXPECT_EQ(status->lblTotalItemsFound->text(), QStringLiteral("2"));
    // The scan delivered photos only (the two "videos" were made so after it): photos it is.
    EXPECT_EQ(status->lblStatusTotoalItems->text(),
              substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_211")),
                                     {localizedText(QStringLiteral("IDS_TWK_77"))}));
    platform::Dispatch::runMainLoopUntil([] { return false; }, 700);
    shoot(home, QStringLiteral("summary"));

    status->tappedBackToHome();
    EXPECT_TRUE(waitFor([&] { return !results->isVisible() && !status->isVisible(); }));
    EXPECT_FALSE(platform::UserDefaults::standard().boolForKey(QStringLiteral("IsResultVC")));
    EXPECT_TRUE(waitFor([] { return !platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp); }));
    EXPECT_TRUE(state.allImages.empty());
}

// Files moved to the Trash leave the groups as scanned too: the regrouping of the final output
// (and any later one) cannot bring them back.
TEST_F(ResultsFlowTest, DeletedFilesNeverComeBackThroughARegrouping)
{
    const QString a = writePhoto(QStringLiteral("home/a.jpg"), 3);
    copyFile(a, QStringLiteral("home/c1/a.jpg"));
    copyFile(a, QStringLiteral("home/c2/a.jpg"));
    NotificationRecorder recorder(navigationNames());
    ScanResultVC *results = scanThroughHome(recorder);
    ASSERT_TRUE(results);
    ResultState &state = ResultState::shared();
    ASSERT_EQ(state.shownGroupCount(), 1);
    ASSERT_EQ(state.imageDirectories[0].size(), 3u);
    const QString gone = state.shownFile(0, 1)->path();
    ASSERT_TRUE(state.mark(0, 1));
    confirmBeforeDeletingPhotos = false;
    results->tappedDeleteMarked();
    ASSERT_TRUE(waitFor([&] { return recorder.count(QStringLiteral("presentAfterDeleteView")) == 1; }));
    auto *status = AllViewControllers::cached<AfterDeleteStatusVC>(ScreenName::afterDeleteStatus);
    ASSERT_TRUE(waitFor([&] { return status->isVisible() && !platform::SheetPresenter::visibleSheetCount(); }));
    EXPECT_FALSE(QFile::exists(gone));
    EXPECT_TRUE(status->isResult);
    EXPECT_EQ(status->lblFinalOutput->text(), localizedText(QStringLiteral("IDS_TWK_209")));
    EXPECT_EQ(status->lblTotalItemsFound->text(), QStringLiteral("2")); // files left in the groups
    EXPECT_TRUE(status->lblSearchnremoveduplicate->text().startsWith(QStringLiteral("1 ")));

    status->tappedFinalOutput();
    ASSERT_EQ(state.shownGroupCount(), 1);
    EXPECT_EQ(state.imageDirectories[0].size(), 2u);
    for (const ImageGroup &group : state.allImages)
        for (const ImageFilePtr &f : group)
            EXPECT_NE(f->path(), gone);
    results->sliderValuesUpdate();
    EXPECT_EQ(state.imageDirectories[0].size(), 2u);
}

// A deletion that moves none of the marked files, because they changed after the scan, says which
// and why in the themed alert and leaves every mark where it was. Tried once more with one more
// file marked, the file that can go goes, and the changed ones keep their marks through the summary
// and the regrouping behind it.
TEST_F(ResultsFlowTest, ADeletionKeepsTheMarksOfEveryFileItDidNotMove)
{
    for (int i = 0; i < 3; ++i)
        copyFile(writePhoto(QStringLiteral("home/%1.jpg").arg(i), 20 + i), QStringLiteral("home/copy/%1.jpg").arg(i));
    NotificationRecorder recorder(navigationNames());
    ScanResultVC *results = scanThroughHome(recorder);
    ASSERT_TRUE(results);
    ResultState &state = ResultState::shared();
    ASSERT_EQ(state.shownGroupCount(), 3);
    // The copy of each photo, by name.
    auto copyOf = [&](int i) { return path(QStringLiteral("home/copy/%1.jpg").arg(i)); };
    auto markedFiles = [&] {
        QStringList marked;
        for (int g = 0; g < state.shownGroupCount(); ++g)
            for (int r : state.selectedIndexArray[size_t(g)])
                marked << state.shownFile(g, r)->path();
        marked.sort();
        return marked;
    };
    auto markCopy = [&](int i) {
        for (int g = 0; g < state.shownGroupCount(); ++g)
            for (int r = 0; r < int(state.imageDirectories[size_t(g)].size()); ++r)
                if (state.shownFile(g, r)->path() == copyOf(i))
                    return state.mark(g, r);
        return false;
    };
    ASSERT_TRUE(markCopy(0));
    ASSERT_TRUE(markCopy(1));
    results->updateDeleteMarkedButton();
    // The focus is on a card other than the first: the preview shows it.
    ResultCollectionView *grid = thumbnailVC()->collectionView;
    grid->setCurrentItem(2, 1);
    const ImageFilePtr focused = state.shownFile(2, 1);
    ASSERT_TRUE(focused);
    // After the scan both marked copies are edited.
    for (int i : {0, 1}) {
        QFile edited(copyOf(i));
        ASSERT_TRUE(edited.open(QIODevice::Append));
        edited.write(QByteArray(512, 'x'));
    }

    confirmBeforeDeletingPhotos = false;
    results->tappedDeleteMarked();
    auto *sheet = AllViewControllers::cached<ScanVC>(ScreenName::scan);
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(waitFor([&] { return sheet->problemsAlert() && sheet->problemsAlert()->isVisible(); }));
    QMessageBox *alert = sheet->problemsAlert();
    EXPECT_EQ(alert->objectName(), QStringLiteral("deletionProblemsAlert"));
    EXPECT_EQ(alert->text(), QStringLiteral("2 marked files were left where they are."));
    EXPECT_TRUE(alert->informativeText().contains(copyOf(0) + QStringLiteral(": the file changed after the scan")));
    EXPECT_TRUE(alert->informativeText().contains(copyOf(1) + QStringLiteral(": the file changed after the scan")));
    // Themed as the other questions: the message as its title, one button with the program's own
    // title and no stock icon, the texts given room to read.
    EXPECT_EQ(alert->windowTitle(), alert->text());
    ASSERT_EQ(alert->buttons().size(), 1);
    EXPECT_EQ(alert->buttons().first()->text(), localizedText(QStringLiteral("IDS_TWK_194")));
    EXPECT_TRUE(alert->buttons().first()->icon().isNull());
    const auto *details = alert->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"));
    ASSERT_TRUE(details);
    EXPECT_GE(details->width(), 440);
    // It says what to do, and looks as the program's sheets: frameless, dark, the program's icon,
    // the default button green.
    EXPECT_TRUE(alert->informativeText().endsWith(localizedText(QStringLiteral("IDS_TWK_6012"))));
    EXPECT_FALSE(localizedText(QStringLiteral("IDS_TWK_6012")).isEmpty());
    EXPECT_TRUE(alert->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(alert->icon(), QMessageBox::NoIcon);
    EXPECT_FALSE(alert->iconPixmap().isNull());
    const QImage look = alert->grab().toImage();
    const double ratio = look.devicePixelRatio();
    EXPECT_EQ(look.pixelColor(int(alert->width() / 2 * ratio), int(4 * ratio)), Palette::cardBackground);
    QAbstractButton *ok = alert->defaultButton();
    const QPoint inButton = ok->mapTo(alert, QPoint(6, ok->height() / 2));
    EXPECT_EQ(look.pixelColor(int(inButton.x() * ratio), int(inButton.y() * ratio)), Palette::green);
    shoot(alert, QStringLiteral("deletion-refused-alert"));
    EXPECT_EQ(recorder.count(QStringLiteral("presentAfterDeleteView")), 0);
    EXPECT_EQ(sheet->totalRemoveTrash, 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(QFile::exists(copyOf(i)));
    // Nothing moved: every group and every mark is as it was; Delete Marked waits for the alert.
    EXPECT_EQ(state.shownGroupCount(), 3);
    EXPECT_EQ(markedFiles(), (QStringList{copyOf(0), copyOf(1)}));
    EXPECT_TRUE(state.isConsistent());
    EXPECT_FALSE(results->btnDeleteMarked->isEnabled());
    expectDeleteMarkedLooksAsItIs(results, "the alert of files left");
    alert->defaultButton()->click();
    ASSERT_TRUE(waitFor([&] { return !sheet->problemsAlert(); }));
    // The results take input again.
    EXPECT_TRUE(waitFor([] { return !platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp); }));
    EXPECT_FALSE(results->boxTopBlackLayer->isVisible());
    EXPECT_TRUE(results->btnDeleteMarked->isEnabled());
    expectDeleteMarkedLooksAsItIs(results, "the refused deletion");
    // The deletion stopped the preview; with the alert gone it shows the focused card again, in
    // the preview as in the details.
    auto *properties = qobject_cast<FilePropertiesVC *>(filePropertiesVC());
    ASSERT_TRUE(waitFor([&] { return properties->image == focused; }));
    ASSERT_TRUE(waitFor([&] {
        return results->preview->shownRequestNumber() == results->preview->requestNumber()
            && !results->imgPreview->pixmap().isNull();
    }));
    const QImage shown = results->imgPreview->pixmap().toImage();
    results->preview->showFile(focused);
    ASSERT_TRUE(waitFor([&] { return results->preview->shownRequestNumber() == results->preview->requestNumber(); }));
    EXPECT_EQ(results->imgPreview->pixmap().toImage(), shown);

    // Once more, with the third copy marked too: that one goes, the edited ones stay marked.
    ASSERT_TRUE(markCopy(2));
    results->updateDeleteMarkedButton();
    results->tappedDeleteMarked();
    ASSERT_TRUE(waitFor([&] { return recorder.count(QStringLiteral("presentAfterDeleteView")) == 1; }));
    auto *status = AllViewControllers::cached<AfterDeleteStatusVC>(ScreenName::afterDeleteStatus);
    ASSERT_TRUE(status);
    sheet = AllViewControllers::cached<ScanVC>(ScreenName::scan);
    ASSERT_TRUE(waitFor([&] { return sheet && sheet->problemsAlert() && sheet->problemsAlert()->isVisible(); }));
    EXPECT_FALSE(QFile::exists(copyOf(2)));
    EXPECT_EQ(trashedCountText, QStringLiteral("1"));
    EXPECT_EQ(state.shownGroupCount(), 2);
    EXPECT_EQ(markedFiles(), (QStringList{copyOf(0), copyOf(1)}));
    sheet->problemsAlert()->defaultButton()->click();
    ASSERT_TRUE(waitFor([&] { return status->isVisible(); }));
    status->tappedFinalOutput();
    EXPECT_EQ(state.shownGroupCount(), 2);
    EXPECT_EQ(markedFiles(), (QStringList{copyOf(0), copyOf(1)}));
    EXPECT_TRUE(state.isConsistent());
    // Usable again, and looking it, once pop-up mode has ended.
    EXPECT_TRUE(waitFor([&] { return results->btnDeleteMarked->isEnabled(); }));
    expectDeleteMarkedLooksAsItIs(results, "the alert after a partial deletion");
}

// The summary fills its figures every time it is shown, not only the first time.
TEST_F(ResultsFlowTest, SummaryRefillsItsFiguresAtEveryShowing)
{
    auto *status = afterDeleteStatusVC();
    status->resize(1280, 720);
    status->isTrashed = true;
    status->isResult = false;
    resultsContainVideos = false;
    trashedCountText = QStringLiteral("3");
    trashedSizeText = QStringLiteral("1.2 MB");
    status->show();
    EXPECT_EQ(status->lblTotalItemsFound->text(), QStringLiteral("3"));
    EXPECT_EQ(status->lblStatusTotoalItems->text(),
              substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_211")),
                                     {localizedText(QStringLiteral("IDS_TWK_77"))}));
    shoot(status, QStringLiteral("summary-1280x720"));
    status->hide(); // gone without its buttons (the window closed over it, say)

    trashedCountText = QStringLiteral("1");
    trashedSizeText = QStringLiteral("400 KB");
    resultsContainVideos = true;
    status->show();
    EXPECT_EQ(status->lblTotalItemsFound->text(), QStringLiteral("1"));
    EXPECT_EQ(status->lblTotalSize->text(), QStringLiteral("400 KB"));
    EXPECT_EQ(status->lblStatusTotoalItems->text(),
              substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_211")),
                                     {localizedText(QStringLiteral("IDS_TWK_327_1"))}));
    resultsContainVideos = false;
}

// The file details are emptied when nothing is left to show (by the summary of a deletion that left
// no group, and by the totals of an empty result), and show the first file when files are shown.
TEST_F(ResultsFlowTest, FileDetailsFollowTheFirstShownFile)
{
    auto *details = qobject_cast<FilePropertiesVC *>(filePropertiesVC());
    ASSERT_TRUE(details);
    QLabel *format = details->outlet(QStringLiteral("lblValueFormat"));
    ASSERT_TRUE(format);
    auto showAFile = [&] {
        details->image = record(writePhoto(QStringLiteral("home/a.jpg"), 3));
        details->showFileProperties();
        ASSERT_FALSE(format->text().isEmpty());
    };

    showAFile();
    auto *status = afterDeleteStatusVC();
    status->isTrashed = true;
    status->isResult = false;
    status->isPhotoLibrary = false;
    status->show();
    EXPECT_TRUE(format->text().isEmpty());
    status->hide();

    showAFile();
    ResultState::shared().clear();
    scanResultVC(); // the totals need the results screen
    refreshResultTotals();
    EXPECT_TRUE(format->text().isEmpty());

    // With files shown, the totals put the first shown file into the details as well as the preview.
    const QString first = writePhoto(QStringLiteral("home/first.png"), 4);
    ResultState::shared().setResults({{record(first), record(copyFile(first, QStringLiteral("home/copy.png")))}});
    refreshResultTotals();
    ASSERT_TRUE(details->image && details->image->url);
    EXPECT_EQ(details->image->url->toLocalFile(), first);
    EXPECT_EQ(details->outlet(QStringLiteral("lblValueFilePath"))->text(), first);
}

// The totals hand the first shown file to the preview, which decodes it on a worker thread: the
// refresh itself puts no picture in, the preview's answer does, and of two refreshes in a row the
// newer one's file is what stays.
TEST_F(ResultsFlowTest, TotalsLeaveTheDecodingOfTheFirstFileToThePreview)
{
    const QString a = writePhoto(QStringLiteral("home/a.jpg"), 1);
    copyFile(a, QStringLiteral("home/copy/a.jpg"));
    NotificationRecorder recorder(navigationNames());
    ScanResultVC *results = scanThroughHome(recorder);
    ASSERT_TRUE(results);
    ASSERT_TRUE(waitFor([&] { return results->preview->shownRequestNumber() == results->preview->requestNumber(); }));
    // Fitted into 300 x 200, as the list shows a file.
    EXPECT_EQ(results->imgPreview->pixmap().deviceIndependentSize().toSize(), QSize(267, 200));

    results->imgPreview->setPixmap(QPixmap());
    const quint64 before = results->preview->requestNumber();
    refreshResultTotals();
    EXPECT_TRUE(results->imgPreview->pixmap().isNull()); // nothing decoded during the refresh
    EXPECT_GT(results->preview->requestNumber(), before);
    ASSERT_TRUE(waitFor([&] { return !results->imgPreview->pixmap().isNull(); }));
    EXPECT_EQ(results->preview->shownRequestNumber(), results->preview->requestNumber());

    // Two refreshes in a row: only the newer request is shown, with the wide picture now first.
    QImage wide(400, 100, QImage::Format_RGB32);
    wide.fill(Qt::darkCyan);
    const QString widePath = path(QStringLiteral("home/wide.png"));
    ASSERT_TRUE(wide.save(widePath));
    refreshResultTotals();
    ResultState::shared().imageDirectories[0][0] = record(widePath);
    refreshResultTotals();
    const quint64 newest = results->preview->requestNumber();
    ASSERT_TRUE(waitFor([&] { return results->preview->shownRequestNumber() == newest; }));
    QApplication::processEvents();
    const QPixmap shown = results->imgPreview->pixmap();
    ASSERT_FALSE(shown.isNull());
    EXPECT_NEAR(double(shown.width()) / shown.height(), 4.0, 0.2);

    // A small first file is enlarged into the box; one with a side of 80 or less keeps its size.
    for (const auto &[size, expected] : {std::pair{QSize(120, 90), QSize(267, 200)},
                                         {QSize(100, 50), QSize(100, 50)},
                                         {QSize(64, 64), QSize(64, 64)}}) {
        QImage small(size, QImage::Format_RGB32);
        small.fill(Qt::darkRed);
        const QString smallPath = path(QStringLiteral("home/small%1.png").arg(size.width()));
        ASSERT_TRUE(small.save(smallPath));
        ResultState::shared().imageDirectories[0][0] = record(smallPath);
        refreshResultTotals();
        const quint64 request = results->preview->requestNumber();
        ASSERT_TRUE(waitFor([&] { return results->preview->shownRequestNumber() == request; }));
        EXPECT_EQ(results->imgPreview->pixmap().deviceIndependentSize().toSize(), expected);
    }

    // With nothing left to show, a decode still under way never puts a picture back.
    refreshResultTotals();
    ResultState::shared().clear();
    refreshResultTotals();
    // Every decode has finished and handed its picture on before the check.
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(10000));
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(results->imgPreview->pixmap().isNull());
}

// A similar scan whose group holds a member below the level the results open at: the sheet ends
// on the number of files the results show, and after a copy is deleted the summary counts and
// sizes the files the results then show, as their footer does.
TEST_F(ResultsFlowTest, SheetSummaryAndFooterCountTheFilesShownAtTheLevel)
{
    const QImage original = scanfixtures::makePhoto(21, 1200, 900);
    QImage altered = original.scaled(400, 300, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (int y = 0; y < altered.height() / 8; ++y)
        for (int x = 0; x < altered.width(); ++x)
            altered.setPixel(x, y, qRgb(255 - qRed(altered.pixel(x, y)), qGreen(altered.pixel(x, y)), 40));
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("home"))));
    ASSERT_TRUE(original.save(path(QStringLiteral("home/a.jpg")), "JPEG", 92));
    ASSERT_TRUE(altered.save(path(QStringLiteral("home/b.jpg")), "JPEG", 60));
    for (const char *copy : {"home/c.jpg", "home/d.jpg"})
        copyFile(path(QStringLiteral("home/a.jpg")), QLatin1String(copy));
    qobject_cast<SimilarMatchesVC *>(similarMatchesVC())->setMatchingLevel(6);
    const int level = similarityThreshold;

    NotificationRecorder recorder(navigationNames());
    ScanResultVC *results = scanThroughHome(recorder, true);
    ASSERT_TRUE(results);
    ResultState &state = ResultState::shared();
    ASSERT_EQ(MVNAssistance::totalItemCount(state.allImages), 4);
    ASSERT_EQ(state.shownFileCount(), 3) << "the altered copy scores below " << level;
    auto footerCount = [&] { return results->lblAllDuplicatePhotosFound->text().section(QLatin1Char(' '), 0, 0); };
    EXPECT_EQ(footerCount(), QStringLiteral("3"));
    EXPECT_EQ(qobject_cast<ScanVC *>(scanVC())->lbltotalDuplicateFiles->text(), footerCount());

    // One exact copy goes to the Trash: two files stay shown, the altered one stays hidden.
    ASSERT_TRUE(state.mark(0, 2));
    results->updateDeleteMarkedButton();
    confirmBeforeDeletingPhotos = false;
    results->tappedDeleteMarked();
    ASSERT_TRUE(waitFor([&] { return recorder.count(QStringLiteral("presentAfterDeleteView")) == 1; }));
    auto *status = AllViewControllers::cached<AfterDeleteStatusVC>(ScreenName::afterDeleteStatus);
    ASSERT_TRUE(waitFor([&] { return status->isVisible(); }));
    ASSERT_TRUE(status->isResult);
    const QString summaryCount = status->lblTotalItemsFound->text();
    const QString summarySize = status->lblTotalSize->text();

    // By keyboard: the summary's default button has the focus, Tab goes round the summary with a
    // ring at every stop, and Return goes back to the results, where every stop shows its focus too.
    home->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(home->window()));
    ASSERT_TRUE(
        waitFor([&] { return status->geometry() == CustomAnimator::finalGeometry(status, status->parentWidget()); }));
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == status->btnFinalOutput; }, 2000))
        << (QApplication::focusWidget() ? focuschecks::nameOf(QApplication::focusWidget()) : std::string("none"));
    auto expectEveryStopShowsFocus = [](QWidget *start, QWidget *within) {
        for (const focuschecks::TabStop &stop : focuschecks::walkTabChain(start)) {
            EXPECT_TRUE(stop.showsFocus) << stop.name;
            EXPECT_TRUE(within->isAncestorOf(stop.widget)) << stop.name;
        }
    };
    expectEveryStopShowsFocus(status->btnFinalOutput, status);
    status->btnFinalOutput->setFocus(Qt::TabFocusReason);
    QTest::keyClick(status->btnFinalOutput, Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return !status->isVisible(); }));
    QApplication::processEvents();
    // The focus lands on the results' current card by itself, and Tab never goes under them.
    QWidget *focus = QApplication::focusWidget();
    ASSERT_TRUE(focus);
    EXPECT_EQ(focus, thumbnailVC()->collectionView) << focuschecks::nameOf(focus);
    EXPECT_TRUE(thumbnailVC()->collectionView->currentItem());
    expectEveryStopShowsFocus(focus, results);
    for (QWidget *w : home->findChildren<QWidget *>())
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) && !results->isAncestorOf(w))
            ADD_FAILURE() << focuschecks::nameOf(w) << " can take the focus under the results";
    EXPECT_EQ(summaryCount, QStringLiteral("2"));
    EXPECT_EQ(summaryCount, footerCount());
    EXPECT_EQ(substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_72")), {summarySize}),
              results->lblAllSizeCanBeRemoved->text());
}

// The summary counts what Show Results will show: the regrouping of the remaining scanned files at
// the level. Here the deleted file led its group, and the member that scored below the level now
// leads the rest, so the regrouping forms a group of two where the shown groups kept none.
TEST_F(ResultsFlowTest, SummaryCountsTheGroupsThatShowResultsWillShow)
{
    NotificationRecorder recorder(navigationNames());
    ScanResultVC *results = nullptr;
    AfterDeleteStatusVC *status = nullptr;
    ASSERT_NO_FATAL_FAILURE(trashTheFirstOfThreeCopies(5, 1, recorder, results, status));
    ResultState &state = ResultState::shared();
    EXPECT_EQ(status->lblTotalItemsFound->text(), QStringLiteral("2"));
    EXPECT_EQ(status->lblFinalOutput->text(), localizedText(QStringLiteral("IDS_TWK_209")));
    const QString summarySize = status->lblTotalSize->text();

    status->tappedFinalOutput();
    ASSERT_EQ(state.shownFileCount(), 2);
    EXPECT_EQ(results->lblAllDuplicatePhotosFound->text(),
              QStringLiteral("2 ") + localizedText(QStringLiteral("IDS_TWK_42")));
    EXPECT_EQ(substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_72")), {summarySize}),
              results->lblAllSizeCanBeRemoved->text());
}

// When the regrouping will show no group, the summary says nothing is left and its button goes home.
TEST_F(ResultsFlowTest, SummarySaysNothingIsLeftWhenShowResultsWouldShowNoGroup)
{
    NotificationRecorder recorder(navigationNames());
    ScanResultVC *results = nullptr;
    AfterDeleteStatusVC *status = nullptr;
    // The rest then has no member at the level.
    ASSERT_NO_FATAL_FAILURE(trashTheFirstOfThreeCopies(6, 2, recorder, results, status));
    const ResultState &state = ResultState::shared();
    ASSERT_FALSE(state.allImages.empty());
    EXPECT_EQ(status->lblTotalItemsFound->text(), QStringLiteral("1")); // the file trashed
    EXPECT_EQ(status->lblFinalOutput->text(), localizedText(QStringLiteral("IDS_TWK_48")));
    status->tappedFinalOutput();
    EXPECT_TRUE(waitFor([&] { return !results->isVisible(); }));
}

// Dragging the matching-level slider: the thumb follows the pointer to where it is let go, and the
// groups shown afterwards are those of that level (the drag is not cut short by the regrouping).
TEST_F(ResultsFlowTest, DraggedSliderFollowsThePointerAndShowsTheLevelWhereItStops)
{
    NotificationRecorder recorder(navigationNames());
    ScanResultVC *results = scanTwoPairsThroughHome(recorder);
    ASSERT_TRUE(results);
    ResultState &state = ResultState::shared();
    ASSERT_EQ(state.shownGroupCount(), 2);
    // a's copy scores 90 %, b's 99 %: at 98 % only b's group is left.
    state.allImages[size_t(groupOf(QStringLiteral("/a.jpg")))][1]->matchingPercentage = 90.0f;
    state.allImages[size_t(groupOf(QStringLiteral("/b.jpg")))][1]->matchingPercentage = 99.0f;

    QSlider *slider = results->sliderMatchingLevel;
    ASSERT_LT(slider->value(), 3); // where the similarity settings' slider stands
    ASSERT_TRUE(slider->isEnabled());
    // The slider's protected initStyleOption, called on the slider itself through a member pointer
    // (casting the slider to a subclass it is not would be undefined).
    struct StyledSlider : QSlider {
        using QSlider::initStyleOption;
    };
    void (QSlider::*initStyleOption)(QStyleOptionSlider *) const = &StyledSlider::initStyleOption;
    QStyleOptionSlider option;
    (slider->*initStyleOption)(&option);
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    QPoint pointer = handle.center();
    QTest::mousePress(slider, Qt::LeftButton, {}, pointer);
    ASSERT_TRUE(slider->isSliderDown());
    // A burst of moves to the right end, with no time for the event loop in between.
    const int end = slider->width() - 1;
    while (pointer.x() < end) {
        pointer.setX(std::min(end, pointer.x() + 6));
        QTest::mouseMove(slider, pointer);
    }
    QTest::mouseRelease(slider, Qt::LeftButton, {}, pointer);
    EXPECT_EQ(slider->value(), slider->maximum());
    EXPECT_EQ(results->lblValueMatchingLevel->text(), localizedText(QStringLiteral("IDS_TWK_23")));

    ASSERT_TRUE(waitFor([&] { return state.shownGroupCount() == 1; }));
    EXPECT_EQ(similarityThreshold, 98);
    EXPECT_EQ(groupOf(QStringLiteral("/a.jpg")), -1);
    EXPECT_EQ(state.imageDirectories, ResultRegrouping::groupsAtMatchingLevel(state.allImages, 98));
    EXPECT_TRUE(state.isConsistent());
    ASSERT_TRUE(waitFor([] { return !platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp); }));
    EXPECT_TRUE(slider->isEnabled());
    EXPECT_EQ(slider->value(), slider->maximum());
}

// At 1280 x 720 the summary shows its buttons whole: inside the screen, apart from each other, their
// pictures and captions inside them and not cut.
TEST_F(ResultsFlowTest, SummaryShowsItsButtonsAndShareLinksWhole)
{
    auto *status = afterDeleteStatusVC();
    status->resize(1280, 720);
    status->isTrashed = true;
    status->isResult = false;
    trashedCountText = QStringLiteral("3");
    trashedSizeText = QStringLiteral("1.2 MB");
    status->show();
    QApplication::processEvents();
    shoot(status, QStringLiteral("summary-share-1280x720"));
    auto area = [&](QWidget *w) { return QRect(w->mapTo(status, QPoint(0, 0)), w->size()); };
    const std::vector<QWidget *> buttons = {status->btnBackToHome, status->btnFinalOutput, status->lblFollowUs,
                                            status->btnFacebook, status->btnTwitter};
    for (size_t i = 0; i < buttons.size(); ++i) {
        const std::string name = buttons[i]->objectName().toStdString();
        ASSERT_TRUE(buttons[i]->isVisible()) << name;
        EXPECT_TRUE(status->rect().contains(area(buttons[i]))) << name;
        for (size_t j = i + 1; j < buttons.size(); ++j)
            EXPECT_FALSE(area(buttons[i]).intersects(area(buttons[j])))
                << name << " overlaps " << buttons[j]->objectName().toStdString();
    }
    for (QLabel *part : {status->imgViewFacebook, status->lblFacebook, status->imgViewTwitter, status->lblTwitter}) {
        const std::string name = part->objectName().toStdString();
        EXPECT_TRUE(part->parentWidget()->rect().contains(part->geometry())) << name << " is cut by its button";
        EXPECT_GE(part->width(), part->sizeHint().width()) << name;
        EXPECT_GE(part->height(), part->sizeHint().height()) << name;
    }
}

// The confirmation switch is on by default: Delete Marked asks, Cancel keeps everything, and a
// ticked "do not ask again" is stored and honoured at the next Delete Marked.
TEST_F(ResultsFlowTest, DeleteMarkedAsksUnlessTheQuestionWasTurnedOff)
{
    const QString a = writePhoto(QStringLiteral("home/a.jpg"), 4);
    const QString copy = copyFile(a, QStringLiteral("home/c/a.jpg"));
    NotificationRecorder recorder(navigationNames());
    ScanResultVC *results = scanThroughHome(recorder);
    ASSERT_TRUE(results);
    ResultState &state = ResultState::shared();
    ASSERT_TRUE(state.mark(0, 1));
    results->updateDeleteMarkedButton();

    results->tappedDeleteMarked();
    auto *confirm = qobject_cast<DeleteDuplicatePhotosVC *>(deleteDuplicatePhotosVC());
    ASSERT_TRUE(waitFor([&] { return sheetUp(confirm); }));
    EXPECT_TRUE(platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp));
    EXPECT_TRUE(results->boxTopBlackLayer->isVisibleTo(results));
    EXPECT_FALSE(confirm->btnDonotShowAgain->isChecked());
    confirm->tappedCancel();
    EXPECT_FALSE(sheetUp(confirm));
    EXPECT_FALSE(platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp));
    EXPECT_FALSE(results->boxTopBlackLayer->isVisibleTo(results));
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_TRUE(QFile::exists(copy));
    EXPECT_EQ(state.markedFileCount(), 1);

    // Ticking and unticking leaves the question on.
    results->tappedDeleteMarked();
    ASSERT_TRUE(waitFor([&] { return sheetUp(confirm); }));
    confirm->btnDonotShowAgain->click();
    confirm->btnDonotShowAgain->click();
    EXPECT_TRUE(confirmBeforeDeletingPhotos);
    confirm->btnDonotShowAgain->click();
    EXPECT_FALSE(confirmBeforeDeletingPhotos);
    EXPECT_TRUE(platform::UserDefaults::standard().holdsBool(QStringLiteral("confirmBeforeDeletingPhotos")));
    EXPECT_FALSE(platform::UserDefaults::standard().boolForKey(QStringLiteral("confirmBeforeDeletingPhotos")));
    confirm->tappedCancel();
    EXPECT_TRUE(QFile::exists(copy));

    // Now Delete Marked goes straight to the deletion.
    results->tappedDeleteMarked();
    EXPECT_FALSE(sheetUp(confirm));
    ASSERT_TRUE(waitFor([&] { return recorder.count(QStringLiteral("presentAfterDeleteView")) == 1; }));
    EXPECT_EQ(QFile::exists(a) + QFile::exists(copy), 1);
}

// The link of the auto-mark sheet opens the wizard without marking; Cancel keeps the marks and
// shows Unselect All.
TEST_F(ResultsFlowTest, AutoMarkSheetCancelAndLink)
{
    const QString a = writePhoto(QStringLiteral("home/a.jpg"), 5);
    copyFile(a, QStringLiteral("home/c/a.jpg"));
    NotificationRecorder recorder(navigationNames());
    ScanResultVC *results = scanThroughHome(recorder);
    ASSERT_TRUE(results);
    auto *dialog = qobject_cast<AutoMarkSelectionDialogVC *>(autoMarkSelectionDialogVC());
    results->tappedAutoSelect();
    ASSERT_TRUE(waitFor([&] { return sheetUp(dialog); }));
    // A second Auto Select while the sheet is up does nothing.
    results->tappedAutoSelect();
    dialog->tappedCancel();
    EXPECT_FALSE(ResultState::shared().hasMarks());
    EXPECT_TRUE(results->btnUnSelectAll->isChecked());
    EXPECT_FALSE(results->btnAutoSelect->isChecked());

    results->tappedAutoSelect();
    ASSERT_TRUE(waitFor([&] { return sheetUp(dialog); }));
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("hyperLinkAutoMarkSelection"));
    EXPECT_FALSE(sheetUp(dialog));
    EXPECT_FALSE(ResultState::shared().hasMarks());
    EXPECT_TRUE(results->btnUnSelectAll->isChecked());
    EXPECT_TRUE(waitFor([&] { return sheetUp(selectionWizardPreferencesVC()); }));
    EXPECT_TRUE(platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp));
    expectDeleteMarkedLooksAsItIs(results, "the wizard shown");
    platform::SheetPresenter::dismissSheet(selectionWizardPreferencesVC());

    // With a mark, the wizard's Cancel gives Delete Marked back in the look of a usable button.
    home->closeToExitVC();
    ASSERT_TRUE(waitFor([] { return !platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp); }));
    ASSERT_TRUE(ResultState::shared().mark(0, 1));
    results->updateDeleteMarkedButton();
    results->tappedSelectionWizard();
    auto *wizard = qobject_cast<SelectionWizardPreferencesVC *>(selectionWizardPreferencesVC());
    ASSERT_TRUE(waitFor([&] { return sheetUp(wizard); }));
    expectDeleteMarkedLooksAsItIs(results, "the wizard shown over marks");
    wizard->page(0)->btnCancel->click();
    ASSERT_TRUE(waitFor([] { return !platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp); }));
    EXPECT_TRUE(results->btnDeleteMarked->isEnabled());
    expectDeleteMarkedLooksAsItIs(results, "the wizard's Cancel");
}

// A regrouping keeps the protection of the protected folders and the protection set by hand.
TEST_F(ResultsFlowTest, RegroupingKeepsFolderAndHandProtection)
{
    const QString a = writePhoto(QStringLiteral("home/keep/a.jpg"), 6);
    copyFile(a, QStringLiteral("home/c/a.jpg"));
    const QString b = writePhoto(QStringLiteral("home/b.jpg"), 7);
    copyFile(b, QStringLiteral("home/c/b.jpg"));
    protectedFolders.emplace_back(QUrl::fromLocalFile(path(QStringLiteral("home/keep"))));
    protectedSubFolderFlags.push_back(true);
    NotificationRecorder recorder(navigationNames());
    ScanResultVC *results = scanThroughHome(recorder);
    ASSERT_TRUE(results);
    ResultState &state = ResultState::shared();
    const int gA = groupOf(QStringLiteral("/keep/a.jpg"));
    const int gB = groupOf(QStringLiteral("/b.jpg"));
    ASSERT_GE(gA, 0);
    const ImageFilePtr keptByFolder = state.imageDirectories[size_t(gA)][0]->path().endsWith("/keep/a.jpg")
        ? state.imageDirectories[size_t(gA)][0]
        : state.imageDirectories[size_t(gA)][1];
    EXPECT_TRUE(keptByFolder->isProtected);
    const ImageFilePtr byHand = state.imageDirectories[size_t(gB)][1];
    state.setProtectionByHand(gB, 1, true);

    results->sliderValuesUpdate();
    EXPECT_TRUE(keptByFolder->isProtected);
    EXPECT_TRUE(byHand->isProtected);
    EXPECT_TRUE(state.isConsistent());
    // Auto Select never marks them.
    showAutoMarkAlert = false;
    results->tappedAutoSelect();
    for (int g = 0; g < state.shownGroupCount(); ++g)
        for (int r : state.selectedIndexArray[size_t(g)])
            EXPECT_FALSE(state.shownFile(g, r)->isProtected);
}

// A level that leaves no group puts the no-results screen with its sliders over the results; its
// slider brings the groups back, and Back to Home asks first.
TEST_F(ResultsFlowTest, NoGroupLeftShowsTheSlidersAndTheyBringTheGroupsBack)
{
    NotificationRecorder recorder(navigationNames());
    ScanResultVC *results = scanToNoGroupLeft(recorder);
    ASSERT_TRUE(results);
    ResultState &state = ResultState::shared();
    auto *none = noSimilarDuplicatePhotosFoundVC();
    EXPECT_TRUE(platform::UserDefaults::standard().boolForKey(QStringLiteral("ISSliderAvailable")));
    EXPECT_TRUE(none->isPresented);
    EXPECT_TRUE(none->sliderView->isVisible());
    EXPECT_EQ(none->sliderView->value(), 6);
    EXPECT_EQ(state.shownGroupCount(), 0);
    EXPECT_TRUE(state.isConsistent());
    shoot(home, QStringLiteral("no-results-embedded"));

    // At 94 % the first member (95) stays whatever, the second (90) does not: still nothing.
    none->sliderViewTop->setValue(5);
    EXPECT_EQ(none->sliderView->value(), 5);
    EXPECT_EQ(results->sliderMatchingLevel->value(), 5);
    EXPECT_EQ(state.shownGroupCount(), 0);
    EXPECT_EQ(none->parentWidget(), results);
    // At 88 % the group is back and the screen goes.
    none->sliderView->setValue(3);
    EXPECT_EQ(state.shownGroupCount(), 1);
    EXPECT_EQ(state.selectedIndexArray.size(), 1u);
    EXPECT_NE(none->parentWidget(), results);
    EXPECT_FALSE(platform::UserDefaults::standard().boolForKey(QStringLiteral("ISSliderAvailable")));

    // Back to Home from the results asks; Cancel stays.
    results->tappedBackToHome();
    auto *back = qobject_cast<BackToHomeDialogVC *>(backToHomeDialogVC());
    ASSERT_TRUE(waitFor([&] { return sheetUp(back); }));
    shoot(back, QStringLiteral("sheet-backtohome"));
    back->tappedCancel();
    EXPECT_TRUE(results->isVisible());
    results->tappedBackToHome();
    ASSERT_TRUE(waitFor([&] { return sheetUp(back); }));
    back->tappedOk();
    EXPECT_TRUE(waitFor([&] { return !results->isVisible(); }));
    EXPECT_TRUE(state.allImages.empty());
}

// Pop-up mode, which the embedded no-results screen starts when it appears, dims the results
// screen under it but never the no-results screen itself: its sliders and Back to Home stay on top,
// enabled and reachable by the pointer.
TEST_F(ResultsFlowTest, EmbeddedNoResultsScreenIsNotCoveredByTheDimmingLayers)
{
    NotificationRecorder recorder(navigationNames());
    ScanResultVC *results = scanToNoGroupLeft(recorder);
    ASSERT_TRUE(results);
    ResultState &state = ResultState::shared();
    auto *none = noSimilarDuplicatePhotosFoundVC();
    // The screen's own notification, and the hub's answer to it.
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("kDisableControlNotification"));
    QApplication::processEvents();
    ASSERT_TRUE(platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp));
    shoot(home, QStringLiteral("no-results-embedded-popup"));

    for (QWidget *w : std::initializer_list<QWidget *>{none->sliderView, none->sliderViewTop,
                                                       none->lblNoSimilarDuplicatePhotosFound, none->btnBackToHome}) {
        ASSERT_TRUE(w->isVisible()) << w->objectName().toStdString();
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
        QWidget *top = home->childAt(w->mapTo(home, w->rect().center()));
        ASSERT_TRUE(top);
        EXPECT_TRUE(top == w || w->isAncestorOf(top))
            << w->objectName().toStdString() << " lies under " << top->objectName().toStdString();
    }
    // Back to Home shows its whole caption.
    EXPECT_GE(none->lblBackToHome->width(), none->lblBackToHome->sizeHint().width());
    EXPECT_LE(none->lblBackToHome->geometry().right(), none->btnBackToHome->width() - 1);
    // The slider still regroups: at 88 % the group is back and the screen goes.
    none->sliderView->setValue(3);
    EXPECT_EQ(state.shownGroupCount(), 1);
    EXPECT_NE(none->parentWidget(), results);
}

} // namespace
