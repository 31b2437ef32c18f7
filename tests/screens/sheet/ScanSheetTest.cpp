#include "support/ScanSheetFixtures.h"
#include "screens/shell/ScreenNames.h"

#include "screens/results/AfterDeleteStatusVC.h"
#include "screens/results/ScanResultVC.h"
#include "screens/sheet/CancelScanningVC.h"
#include "screens/sheet/CircularProgressView.h"
#include "screens/sheet/ScanVC.h"
#include "screens/sheet/SpinningImageView.h"
#include "platform/widgets/SheetPresenter.h"
#include "model/TextLookup.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QThread>

#include <utility>

using namespace scansheet_test;

namespace {

QSet<QString> pathsOf(const ImageGroup &group)
{
    QSet<QString> paths;
    for (const ImageFilePtr &file : group)
        paths.insert(file->path());
    return paths;
}

QStringList pathsInOrder(const ImageGroup &group)
{
    QStringList paths;
    for (const ImageFilePtr &file : group)
        paths.append(file->path());
    return paths;
}

bool inAnyGroup(const ImageGroups &groups, const QString &path)
{
    for (const ImageGroup &group : groups)
        for (const ImageFilePtr &file : group)
            if (file->path() == path)
                return true;
    return false;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ScanSheetTest : public SheetTestBase
{
protected:
    ScanVC *startScan(const QString &folder, bool similar)
    {
        auto *sheet = qobject_cast<ScanVC *>(scanVC());
        EXPECT_NE(sheet, nullptr);
        if (!sheet)
            return nullptr;
        sheet->isSimilarScan = similar;
        sheet->initialDirectories = {InitialDirectory(QUrl::fromLocalFile(folder))};
        platform::UserDefaults::standard().setBool(QStringLiteral("IsScan"), true);
        platform::UserDefaults::standard().setBool(QStringLiteral("IsDelete"), true);
        sheet->presentAsSheet(window.get());
        return sheet;
    }

    // `count` groups of a kept file and two marked copies; returns the marked files.
    QStringList markGroupsOfCopies(int count, const QString &folder)
    {
        const QString seed = writePhoto(folder + QStringLiteral("/seed.jpg"), 40);
        ImageGroups groups;
        QStringList marked;
        for (int g = 0; g < count; ++g) {
            ImageGroup group{record(copyFile(seed, folder + QStringLiteral("/%1/keep.jpg").arg(g)))};
            for (int r = 0; r < 2; ++r) {
                const QString file = copyFile(seed, folder + QStringLiteral("/%1/copy%2.jpg").arg(g).arg(r));
                group.push_back(record(file));
                marked << file;
            }
            groups.push_back(group);
        }
        ResultState &state = ResultState::shared();
        state.setResults(groups);
        for (int g = 0; g < count; ++g) {
            state.mark(g, 1);
            state.mark(g, 2);
        }
        return marked;
    }

    // Waits until the deletion worker sleeps in its pause, so the count of moved files holds still.
    bool waitForPausedWorker(ScanVC *sheet)
    {
        return waitFor([sheet] { return sheet->deletionJob() && sheet->flags()->heldThreads.load() > 0; });
    }

    int trashedCount() const { return int(QDir(trashFiles()).entryList(QDir::Files).size()); }

    ScanVC *startDeletion()
    {
        auto *results = qobject_cast<ScanResultVC *>(scanResultVC());
        EXPECT_NE(results, nullptr);
        results->presentDeletionSheet();
        return AllViewControllers::cached<ScanVC>(ScreenName::scan);
    }
};

TEST_F(ScanSheetTest, ExactScanShowsItsStepsAndPublishesTheGroupsOnce)
{
    const QString a = writePhoto(QStringLiteral("photos/a.jpg"), 1);
    const QString copy = copyFile(a, QStringLiteral("photos/sub/a copy.jpg"));
    writePhoto(QStringLiteral("photos/b.jpg"), 2);
    NotificationRecorder recorder(navigationNames());

    ScanVC *sheet = startScan(path(QStringLiteral("photos")), false);
    ASSERT_NE(sheet, nullptr);
    // Both keys set: a scan runs, and both keys are written false.
    EXPECT_FALSE(platform::UserDefaults::standard().boolForKey(QStringLiteral("IsScan")));
    EXPECT_FALSE(platform::UserDefaults::standard().boolForKey(QStringLiteral("IsDelete")));
    ASSERT_TRUE(sheet->sendData.has_value());
    EXPECT_TRUE(sheet->sendData->empty());
    EXPECT_EQ(sheet->lblTitle->text(), QStringLiteral("Twinsift"));
    EXPECT_EQ(sheet->lblDuplicatePhotosSelected->text(), localizedText(QStringLiteral("IDS_TWK_41")));
    EXPECT_TRUE(sheet->lblProgressPercent->text().contains(QStringLiteral(">Step 1</span>")));
    EXPECT_TRUE(waitFor([&] { return sheet->imgView->animationCount() == 1; }));
    waitFor([&] { return sheet->progressView->displayedStrokeEnd() > 0.6; }, 3000); // for the picture only
    shoot(sheet, QStringLiteral("scan-sheet-scanning"));

    ASSERT_TRUE(waitFor([&] { return recorder.count(QStringLiteral("SelectedFiles")) == 1; }));
    const int selected = int(recorder.posted.indexOf(QStringLiteral("SelectedFiles")));
    EXPECT_EQ(recorder.posted.indexOf(QStringLiteral("callVCFromScanVC")), selected - 1);
    EXPECT_GT(recorder.posted.indexOf(QStringLiteral("closeToExitVC"), selected), selected);
    EXPECT_FALSE(recorder.last[QStringLiteral("SelectedFiles")].value(QStringLiteral("isSimilarScan")).toBool());

    const ImageGroups published =
        recorder.last[QStringLiteral("SelectedFiles")].value(QStringLiteral("data")).value<ImageGroups>();
    ASSERT_EQ(published.size(), 1u);
    EXPECT_EQ(pathsOf(published[0]), (QSet<QString>{a, copy}));

    // The grid took the groups; the marks start empty, one list per group.
    const ResultState &state = ResultState::shared();
    ASSERT_EQ(state.allImages.size(), 1u);
    EXPECT_EQ(state.selectedIndexArray, (std::vector<std::vector<int>>{{}}));
    EXPECT_EQ(sheet->lblTotalSelectedFiles->text(), QStringLiteral("3"));
    // With the file keys the scan's worker worked out: the result took them over.
    const auto keys = recorder.last[QStringLiteral("SelectedFiles")]
                          .value(QStringLiteral("fileKeys"))
                          .value<std::shared_ptr<ResultFileKeys>>();
    ASSERT_TRUE(keys);
    EXPECT_EQ(keys->entryCount(), 0);
    EXPECT_EQ(state.fileKeys().entryCount(), 2);

    EXPECT_TRUE(waitFor([&] { return !sheet->isVisible(); }));
    EXPECT_FALSE(sheet->sendData.has_value());
    EXPECT_EQ(recorder.count(QStringLiteral("NoSimilarPhotosFound")), 0);
}

TEST_F(ScanSheetTest, AppearanceDuringAPauseOrWithoutAModeStartsNoWork)
{
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    auto *sheet = qobject_cast<ScanVC *>(scanVC());
    ASSERT_NE(sheet, nullptr);

    // While a pause is on, an appearance leaves texts, work and mode keys alone.
    isScanPaused = true;
    defaults.setBool(QStringLiteral("IsScan"), true);
    sheet->presentAsSheet(window.get());
    QApplication::processEvents();
    EXPECT_TRUE(sheet->lblTitle->text().isEmpty());
    EXPECT_FALSE(sheet->isWorking());
    EXPECT_EQ(sheet->imgView->animationCount(), 0);
    EXPECT_TRUE(defaults.boolForKey(QStringLiteral("IsScan")));
    sheet->hide();

    // Neither mode: the common texts, no work, both keys written false.
    isScanPaused = false;
    defaults.setBool(QStringLiteral("IsScan"), false);
    defaults.setBool(QStringLiteral("IsDelete"), false);
    sheet->presentAsSheet(window.get());
    EXPECT_EQ(sheet->lblTitle->text(), QStringLiteral("Twinsift"));
    EXPECT_EQ(sheet->lblFinish->text(), localizedText(QStringLiteral("IDS_TWK_195")));
    EXPECT_FALSE(sheet->isWorking());
    EXPECT_FALSE(sheet->sendData.has_value());
    EXPECT_TRUE(defaults.contains(QStringLiteral("IsScan")));
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("IsScan")));
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("IsDelete")));
    EXPECT_TRUE(sheet->isVisible());
}

TEST_F(ScanSheetTest, ScanWithoutGroupsAnnouncesThatNothingWasFound)
{
    writePhoto(QStringLiteral("single/a.jpg"), 5);
    writePhoto(QStringLiteral("single/b.jpg"), 6);
    NotificationRecorder recorder(navigationNames());
    // A window busy for longer than the announcement's delay while the sheet closes (a slow
    // machine): the sheet is still gone before the announcement.
    QObject busy;
    bool slept = false;
    platform::NotificationCenter::defaultCenter().addObserver(&busy, QStringLiteral("closeToExitVC"),
                                                              [&](const platform::Notification &) {
                                                                  if (!std::exchange(slept, true))
                                                                      QThread::msleep(700);
                                                              });
    ScanVC *sheet = startScan(path(QStringLiteral("single")), false);
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(waitFor([&] { return recorder.count(QStringLiteral("NoSimilarPhotosFound")) == 1; }));
    EXPECT_TRUE(slept);
    EXPECT_EQ(recorder.count(QStringLiteral("SelectedFiles")), 0);
    EXPECT_FALSE(sheet->isVisible());
}

// The announcement follows half a second after the sheet closed, even when the registry let go of
// the sheet meanwhile (a new scan started at once).
TEST_F(ScanSheetTest, NothingFoundIsAnnouncedAfterTheSheetWasReleased)
{
    writePhoto(QStringLiteral("single/a.jpg"), 5);
    NotificationRecorder recorder(navigationNames());
    QPointer<ScanVC> sheet = startScan(path(QStringLiteral("single")), false);
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(waitFor([&] { return !sheet->isVisible(); }));
    ASSERT_EQ(recorder.count(QStringLiteral("NoSimilarPhotosFound")), 0);
    AllViewControllers::clearScanControllers();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(sheet.isNull());
    EXPECT_TRUE(waitFor([&] { return recorder.count(QStringLiteral("NoSimilarPhotosFound")) == 1; }));
}

TEST_F(ScanSheetTest, PauseShowsTheStopSheetNoResumesAndYesStopsWithoutPublishing)
{
    const QString a = writePhoto(QStringLiteral("photos/a.jpg"), 1);
    copyFile(a, QStringLiteral("photos/a2.jpg"));
    NotificationRecorder recorder(navigationNames());
    ScanVC *sheet = startScan(path(QStringLiteral("photos")), false);
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(waitFor([&] { return sheet->imgView->animationCount() == 1; }));

    sheet->tappedFinish();
    auto *cancel = AllViewControllers::cached<CancelScanningVC>(ScreenName::cancelScanning);
    ASSERT_NE(cancel, nullptr);
    EXPECT_TRUE(sheet->isPaused());
    EXPECT_TRUE(isScanPaused);
    EXPECT_EQ(sheet->imgView->animationCount(), 0);
    EXPECT_TRUE(platform::SheetPresenter::isPresented(cancel));
    EXPECT_EQ(cancel->lblYes->text(), QStringLiteral("Yes"));
    EXPECT_EQ(cancel->lblNo->text(), QStringLiteral("No"));
    shoot(cancel, QStringLiteral("cancel-scanning"));

    cancel->clickedNo();
    EXPECT_FALSE(sheet->isPaused());
    EXPECT_FALSE(isScanPaused);
    EXPECT_EQ(sheet->imgView->animationCount(), 1);
    EXPECT_FALSE(platform::SheetPresenter::isPresented(cancel));

    sheet->tappedFinish();
    EXPECT_TRUE(sheet->isPaused());
    cancel->clickedYes();
    EXPECT_TRUE(sheet->isFirstStepAbort());
    EXPECT_TRUE(sheet->isSecondStepAbort());
    EXPECT_FALSE(sheet->isPaused());
    ASSERT_TRUE(waitFor([&] { return !sheet->isVisible() && !sheet->isWorking(); }));
    QApplication::processEvents();
    EXPECT_EQ(recorder.count(QStringLiteral("SelectedFiles")), 0);
    EXPECT_EQ(recorder.count(QStringLiteral("NoSimilarPhotosFound")), 0);
    EXPECT_GE(recorder.count(QStringLiteral("closeToExitVC")), 1);
    EXPECT_FALSE(sheet->sendData.has_value());
    EXPECT_TRUE(ResultState::shared().allImages.empty());
}

TEST_F(ScanSheetTest, DeletionTrashesOnlyWhatCanSafelyMoveAndKeepsTheRestInItsGroup)
{
    const QString keep0 = writePhoto(QStringLiteral("d/g0/keep.jpg"), 10);
    const QString moved0 = copyFile(keep0, QStringLiteral("d/g0/a.jpg"));
    const QString locked = copyFile(keep0, QStringLiteral("d/locked/b.jpg"));
    const QString replaced = copyFile(keep0, QStringLiteral("d/g0/c.jpg"));
    const QString keep1 = writePhoto(QStringLiteral("d/g1/keep.jpg"), 11);
    const QString vanished = copyFile(keep1, QStringLiteral("d/g1/gone.jpg"));
    const QString keep2 = writePhoto(QStringLiteral("d/g2/keep.jpg"), 12);
    const QString moved2 = copyFile(keep2, QStringLiteral("d/g2/x.jpg"));
    const QString keep3 = writePhoto(QStringLiteral("d/g3/keep.jpg"), 13);
    const QString unmarked3 = copyFile(keep3, QStringLiteral("d/g3/other.jpg"));

    ResultState &state = ResultState::shared();
    state.setResults({{record(keep0), record(moved0), record(locked), record(replaced)},
                      {record(keep1), record(vanished)},
                      {record(keep2), record(moved2)},
                      {record(keep3), record(unmarked3)}});
    for (auto [g, r] : {std::pair{0, 1}, {0, 2}, {0, 3}, {1, 1}, {2, 1}})
        ASSERT_TRUE(state.mark(g, r));

    // After the scan: one file is removed, one is replaced by another file, one cannot be moved.
    ASSERT_TRUE(QFile::remove(vanished));
    ASSERT_TRUE(QFile::remove(replaced));
    writePhoto(QStringLiteral("d/g0/c.jpg"), 99);
    {
        QFile grow(replaced); // a different size whatever the encoder made of the new picture
        ASSERT_TRUE(grow.open(QIODevice::Append));
        grow.write(QByteArray(4096, 'x'));
    }
    const QByteArray replacedBytes = contents(replaced);
    QFile::setPermissions(path(QStringLiteral("d/locked")), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    bool lockedStays = ::geteuid() != 0;
    if (!lockedStays && setImmutable(locked, true)) {
        immutableFiles << locked;
        lockedStays = true;
    }
    const QByteArray keepBytes[] = {contents(keep0), contents(keep1), contents(keep2), contents(keep3),
                                    contents(unmarked3)};

    NotificationRecorder recorder(navigationNames());
    ScanVC *sheet = startDeletion();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->totalSelectedFiles, 5);
    EXPECT_EQ(sheet->lblTotalSelectedFiles->text(), QStringLiteral("5"));
    QApplication::processEvents();
    shoot(sheet, QStringLiteral("scan-sheet-deleting"));
    ASSERT_TRUE(
        waitFor([&] { return recorder.count(QStringLiteral("presentAfterDeleteView")) == 1 && !sheet->isVisible(); }));

    // The Trash is the one of the test's data folder, with a restorable entry per moved file.
    ASSERT_TRUE(trashFiles().startsWith(dir.path()));
    const int expectedMoved = lockedStays ? 2 : 3;
    EXPECT_FALSE(QFile::exists(moved0));
    EXPECT_FALSE(QFile::exists(moved2));
    EXPECT_TRUE(QFile::exists(trashFiles() + QStringLiteral("/a.jpg")));
    EXPECT_TRUE(QFile::exists(trashFiles() + QStringLiteral("/x.jpg")));
    const QString info = QString::fromUtf8(contents(trashInfo() + QStringLiteral("/a.jpg.trashinfo")));
    EXPECT_TRUE(info.contains(QStringLiteral("[Trash Info]")));
    EXPECT_TRUE(info.contains(QStringLiteral("/d/g0/a.jpg")));
    EXPECT_EQ(QDir(trashFiles()).entryList(QDir::Files).size(), expectedMoved);
    EXPECT_EQ(QDir(trashInfo()).entryList(QDir::Files).size(), expectedMoved);

    // Nothing unmarked was touched; the changed file stays as it is now.
    int k = 0;
    for (const QString &kept : {keep0, keep1, keep2, keep3, unmarked3})
        EXPECT_EQ(contents(kept), keepBytes[k++]) << kept.toStdString();
    EXPECT_EQ(contents(replaced), replacedBytes);
    if (lockedStays) {
        EXPECT_TRUE(QFile::exists(locked));
    }

    // Only what moved left the groups; the group down to one file is gone; every file left in place
    // keeps its mark, which follows it in the remaining groups.
    QStringList expectedGroup0 = {keep0};
    if (lockedStays)
        expectedGroup0 << locked;
    expectedGroup0 << replaced;
    ASSERT_EQ(state.allImages.size(), 3u);
    EXPECT_EQ(pathsInOrder(state.allImages[0]), expectedGroup0);
    EXPECT_EQ(pathsInOrder(state.allImages[1]), (QStringList{keep1, vanished}));
    EXPECT_EQ(pathsInOrder(state.allImages[2]), (QStringList{keep3, unmarked3}));
    EXPECT_EQ(state.imageDirectories.size(), 3u);
    const std::vector<int> group0Marks = lockedStays ? std::vector<int>{1, 2} : std::vector<int>{1};
    EXPECT_EQ(state.selectedIndexArray, (std::vector<std::vector<int>>{group0Marks, {1}, {}}));
    EXPECT_TRUE(state.isConsistent());

    // The progress shows the share of the marked files that really left (not of those visited).
    EXPECT_EQ(sheet->lbltotalDuplicateFiles->text(), QString::number(expectedMoved));
    EXPECT_EQ(sheet->lblProgressPercent->text(), QString::number(expectedMoved * 100 / 5) + QStringLiteral("%"));

    // The summary reports what really moved; the user hears about the rest.
    EXPECT_EQ(sheet->totalRemoveTrash, expectedMoved);
    EXPECT_EQ(trashedCountText, QString::number(expectedMoved));
    EXPECT_EQ(int(sheet->deletionProblems().size()), 5 - expectedMoved);
    auto *status = AllViewControllers::cached<AfterDeleteStatusVC>(ScreenName::afterDeleteStatus);
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(status->isTrashed);
    EXPECT_FALSE(status->isPhotoLibrary);
    EXPECT_TRUE(status->isResult);
    ASSERT_TRUE(waitFor([&] { return sheet->problemsAlert() && sheet->problemsAlert()->isVisible(); }));
    EXPECT_EQ(sheet->problemsAlert()->text(),
              QString::number(5 - expectedMoved) + QStringLiteral(" marked files were left where they are."));
    EXPECT_TRUE(
        sheet->problemsAlert()->informativeText().contains(vanished + QStringLiteral(": the file no longer exists")));
    EXPECT_TRUE(sheet->problemsAlert()->informativeText().contains(
        replaced + QStringLiteral(": the file changed after the scan")));
    EXPECT_EQ(recorder.count(QStringLiteral("AfterMoveInPhotoLibrary")), 0);
}

TEST_F(ScanSheetTest, NothingMarkedClosesTheSheetAtOnce)
{
    const QString keep = writePhoto(QStringLiteral("n/keep.jpg"), 20);
    const QString other = copyFile(keep, QStringLiteral("n/other.jpg"));
    ResultState::shared().setResults({{record(keep), record(other)}});
    // The sheet of an earlier deletion that moved files: its counters do not carry over.
    auto *earlier = qobject_cast<ScanVC *>(scanVC());
    ASSERT_NE(earlier, nullptr);
    earlier->isItemDeleted = true;
    earlier->totalRemoveTrash = 3;
    earlier->deletedItems = {QUrl::fromLocalFile(keep).toString()};
    NotificationRecorder recorder(navigationNames());
    ScanVC *sheet = startDeletion();
    ASSERT_EQ(sheet, earlier);
    EXPECT_FALSE(sheet->isItemDeleted);
    EXPECT_EQ(sheet->totalRemoveTrash, 0);
    EXPECT_TRUE(sheet->deletedItems.isEmpty());
    EXPECT_EQ(sheet->lblTotalSelectedFiles->text(), QStringLiteral("0"));
    EXPECT_EQ(sheet->lblFileURL->text(), QString());
    ASSERT_TRUE(waitFor([&] { return !sheet->isVisible(); }));
    EXPECT_EQ(recorder.count(QStringLiteral("closeToExitVC")), 1);
    EXPECT_EQ(recorder.count(QStringLiteral("presentAfterDeleteView")), 0);
    EXPECT_TRUE(QFile::exists(keep));
    EXPECT_TRUE(QFile::exists(other));
    EXPECT_EQ(ResultState::shared().allImages.size(), 1u);
}

TEST_F(ScanSheetTest, PhotosItemsGoToTheAlbumOnlyWhenPhotosMayBeDriven)
{
    auto photosRecord = [&](const QString &file, const QString &uuid) {
        ImageFilePtr r = record(file);
        r->isPhotoLibrary = true;
        PhotoLibraryProperties properties;
        properties.RKVuuid = uuid;
        r->photoLibraryProperties = properties;
        return r;
    };
    const QString keep0 = writePhoto(QStringLiteral("p/keep0.jpg"), 30);
    const QString item0 = copyFile(keep0, QStringLiteral("p/lib/item0.jpg"));
    const QString keep1 = writePhoto(QStringLiteral("p/keep1.jpg"), 31);
    const QString item1 = copyFile(keep1, QStringLiteral("p/lib/item1.jpg"));
    ResultState &state = ResultState::shared();

    // Refused: the alert with the steps; nothing changes and no screen follows.
    platform::PhotosApp::shared().setAutomationAllowed(false);
    state.setResults({{record(keep0), photosRecord(item0, QStringLiteral("uuid-0"))},
                      {record(keep1), photosRecord(item1, QStringLiteral("uuid-1"))}});
    ASSERT_TRUE(state.mark(0, 1));
    NotificationRecorder recorder(navigationNames());
    ScanVC *sheet = startDeletion();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(waitFor([&] { return sheet->automationAlert() && sheet->automationAlert()->isVisible(); }));
    EXPECT_TRUE(sheet->errorAutomation());
    QMessageBox *alert = sheet->automationAlert();
    EXPECT_EQ(alert->text(), QStringLiteral("Twinsift needs your permission and to fix duplicate Photos"));
    EXPECT_TRUE(alert->informativeText().contains(QStringLiteral("select 'Automation'")));
    shoot(alert, QStringLiteral("photos-permission-alert"));
    QAbstractButton *ok = nullptr;
    for (QAbstractButton *button : alert->buttons())
        if (button->text() == QStringLiteral("OK"))
            ok = button;
    ASSERT_NE(ok, nullptr);
    ok->click();
    ASSERT_TRUE(waitFor([&] { return !sheet->isVisible() && !sheet->isWorking(); }));
    EXPECT_FALSE(sheet->errorAutomation());
    EXPECT_EQ(state.allImages.size(), 2u);
    EXPECT_TRUE(state.isMarked(0, 1));
    EXPECT_EQ(recorder.count(QStringLiteral("presentAfterDeleteView")), 0);
    EXPECT_EQ(recorder.count(QStringLiteral("AfterMoveInPhotoLibrary")), 0);
    EXPECT_FALSE(platform::PhotosApp::shared().albumItems(QStringLiteral("Twinsift")).has_value());

    // Allowed: the item reaches the album, stays on disk, and leaves its group.
    AllViewControllers::clearScanControllers();
    QApplication::processEvents();
    platform::PhotosApp::shared().setAutomationAllowed(true);
    sheet = startDeletion();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(waitFor([&] { return recorder.count(QStringLiteral("AfterMoveInPhotoLibrary")) == 1; }));
    EXPECT_TRUE(movedToPhotosAlbum);
    EXPECT_EQ(platform::PhotosApp::shared().albumItems(QStringLiteral("Twinsift")),
              QStringList{QStringLiteral("uuid-0")});
    EXPECT_TRUE(QFile::exists(item0));
    EXPECT_EQ(photosMovedCountText, QStringLiteral("1"));
    EXPECT_EQ(trashedCountText, QStringLiteral("0"));
    ASSERT_EQ(state.allImages.size(), 1u);
    EXPECT_EQ(pathsInOrder(state.allImages[0]), (QStringList{keep1, item1}));
    EXPECT_EQ(recorder.count(QStringLiteral("presentAfterDeleteView")), 0);
}

TEST_F(ScanSheetTest, DeletionThatEndsWhilePausedTakesTheStopSheetAlong)
{
    const QString keep = writePhoto(QStringLiteral("e/keep.jpg"), 50);
    const QString copy = copyFile(keep, QStringLiteral("e/copy.jpg"));
    ResultState::shared().setResults({{record(keep), record(copy)}});
    ResultState::shared().mark(0, 1);
    NotificationRecorder recorder(navigationNames());
    ScanVC *sheet = startDeletion();
    ASSERT_NE(sheet, nullptr);
    // Paused at once: the worker either handled the file already (its result then arrives while
    // the stop sheet is up) or waits before it (then "No" lets it go on).
    sheet->tappedFinish();
    auto *stopSheet = AllViewControllers::cached<CancelScanningVC>(ScreenName::cancelScanning);
    ASSERT_NE(stopSheet, nullptr);
    if (!waitFor([&] { return recorder.count(QStringLiteral("presentAfterDeleteView")) == 1; }, 1500))
        stopSheet->clickedNo();
    ASSERT_TRUE(waitFor([&] { return recorder.count(QStringLiteral("presentAfterDeleteView")) == 1; }));
    ASSERT_TRUE(waitFor([&] { return !sheet->isVisible(); }));
    auto *cancel = AllViewControllers::cached<CancelScanningVC>(ScreenName::cancelScanning);
    EXPECT_TRUE(cancel == nullptr || !platform::SheetPresenter::isPresented(cancel));
    EXPECT_FALSE(isScanPaused);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_FALSE(QFile::exists(copy));
}

TEST_F(ScanSheetTest, StopDuringDeletionFiltersOnlyWhatMovedAndSummarisesOnce)
{
    const QString seed = writePhoto(QStringLiteral("s/seed.jpg"), 40);
    ImageGroups groups;
    QStringList marked, kept;
    for (int g = 0; g < 20; ++g) {
        const QString keep = copyFile(seed, QStringLiteral("s/%1/keep.jpg").arg(g));
        ImageGroup group{record(keep)};
        kept << keep;
        for (int r = 0; r < 2; ++r) {
            const QString file = copyFile(seed, QStringLiteral("s/%1/copy%2.jpg").arg(g).arg(r));
            group.push_back(record(file));
            marked << file;
        }
        groups.push_back(group);
    }
    ResultState &state = ResultState::shared();
    state.setResults(groups);
    for (int g = 0; g < 20; ++g) {
        state.mark(g, 1);
        state.mark(g, 2);
    }

    NotificationRecorder recorder(navigationNames());
    ScanVC *sheet = startDeletion();
    ASSERT_NE(sheet, nullptr);
    sheet->tappedFinish();
    auto *cancel = AllViewControllers::cached<CancelScanningVC>(ScreenName::cancelScanning);
    ASSERT_NE(cancel, nullptr);
    cancel->clickedYes();
    ASSERT_TRUE(waitFor([&] { return !sheet->isVisible() && !sheet->isWorking(); }));
    ASSERT_TRUE(waitFor(
        [&] { return sheet->totalRemoveTrash == 0 || recorder.count(QStringLiteral("presentAfterDeleteView")) == 1; }));
    // Give any second summary the chance to appear.
    platform::Dispatch::runMainLoopUntil([] { return false; }, 600);

    EXPECT_LE(recorder.count(QStringLiteral("presentAfterDeleteView")), 1);
    // What moved left the groups; what stayed is still in its group and still marked.
    auto isMarkedFile = [&](const QString &file) {
        for (int g = 0; g < state.shownGroupCount(); ++g)
            for (int r : state.selectedIndexArray[size_t(g)])
                if (state.shownFile(g, r)->path() == file)
                    return true;
        return false;
    };
    int gone = 0;
    for (const QString &file : marked) {
        if (QFile::exists(file)) {
            EXPECT_TRUE(inAnyGroup(state.allImages, file)) << file.toStdString();
            EXPECT_TRUE(isMarkedFile(file)) << file.toStdString();
        } else {
            ++gone;
            EXPECT_FALSE(inAnyGroup(state.allImages, file)) << file.toStdString();
        }
    }
    EXPECT_EQ(gone, sheet->totalRemoveTrash);
    EXPECT_EQ(QDir(trashFiles()).entryList(QDir::Files).size(), gone);
    for (const QString &file : kept)
        EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(state.selectedIndexArray.size(), state.imageDirectories.size());
    EXPECT_EQ(state.markedFileCount(), int(marked.size()) - gone);
    EXPECT_TRUE(state.isConsistent());
}

// "Yes" on the stop sheet raises the abort flags before it ends the pause, so the deletion worker
// that the end of the pause wakes sees the stop and moves no further file; the move it might be
// in is cancelled, and the worker ends.
TEST_F(ScanSheetTest, YesStopsADeletionBeforeItEndsThePause)
{
    markGroupsOfCopies(30, QStringLiteral("y"));
    NotificationRecorder recorder(navigationNames());
    ScanVC *sheet = startDeletion();
    ASSERT_NE(sheet, nullptr);
    sheet->tappedFinish();
    ASSERT_TRUE(sheet->isPaused());
    // The worker settles in its pause (a move under way when the pause came may still finish).
    ASSERT_TRUE(waitForPausedWorker(sheet));
    const int settled = trashedCount();
    struct Switches {
        bool paused, firstAbort, secondAbort;
    };
    std::vector<Switches> seen;
    QObject::connect(sheet, &ScanVC::workSwitchesChanged, sheet, [&] {
        seen.push_back({sheet->isPaused(), sheet->isFirstStepAbort(), sheet->isSecondStepAbort()});
    });
    auto *cancel = AllViewControllers::cached<CancelScanningVC>(ScreenName::cancelScanning);
    ASSERT_NE(cancel, nullptr);
    cancel->clickedYes();
    ASSERT_FALSE(seen.empty());
    for (const Switches &s : seen)
        EXPECT_TRUE(s.paused || (s.firstAbort && s.secondAbort)) << "the pause ended before the stop";
    ASSERT_TRUE(waitFor([&] { return !sheet->isWorking() && !sheet->isVisible(); }));
    ASSERT_TRUE(sheet->deletionJob());
    EXPECT_TRUE(sheet->deletionJob()->isCancelled());
    EXPECT_EQ(trashedCount(), settled);
    // The stop sheet closes a moment after the answer.
    EXPECT_TRUE(waitFor([&] { return recorder.count(QStringLiteral("closeToExitVC")) >= 1; }));
}

// The same order when the sheet closes itself while paused (removeView).
TEST_F(ScanSheetTest, ClosingAPausedDeletionStopsItBeforeItEndsThePause)
{
    markGroupsOfCopies(30, QStringLiteral("r"));
    ScanVC *sheet = startDeletion();
    ASSERT_NE(sheet, nullptr);
    sheet->tappedFinish();
    ASSERT_TRUE(waitForPausedWorker(sheet));
    const int settled = trashedCount();
    std::vector<std::pair<bool, bool>> seen;
    QObject::connect(sheet, &ScanVC::workSwitchesChanged, sheet, [&] {
        seen.emplace_back(sheet->isPaused(), sheet->isFirstStepAbort() && sheet->isSecondStepAbort());
    });
    sheet->removeView();
    ASSERT_FALSE(seen.empty());
    for (const auto &[paused, stopped] : seen)
        EXPECT_TRUE(paused || stopped) << "the pause ended before the stop";
    ASSERT_TRUE(waitFor([&] { return !sheet->isWorking(); }));
    EXPECT_EQ(trashedCount(), settled);
}

} // namespace
