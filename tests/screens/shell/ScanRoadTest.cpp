// From the home screen to the results: the Scan button hands the scan list to a fresh scan sheet,
// the sheet's notifications bring the results in, and pop-up mode ends with the sheet.
#include "screens/shell/AllViewControllers.h"
#include "screens/shell/ScreenNames.h"
#include "screens/shell/AppDelegate.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/shell/ViewController.h"
#include "controls/SYFlatButton.h"
#include "model/ModuleState.h"
#include "platform/PhotosApp.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/WindowController.h"
#include "support/ShellFixtures.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>

using platform::UserDefaults;

class ScanRoadTest : public HomeScreenTest
{
protected:
    // A folder with two identical photos and one other.
    QString makePhotoFolder()
    {
        QDir(tempPath("")).mkpath("photos");
        const QString folder = tempPath("photos");
        QImage image(64, 48, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) % 255));
        EXPECT_TRUE(image.save(folder + "/a.png"));
        EXPECT_TRUE(QFile::copy(folder + "/a.png", folder + "/b.png"));
        image.fill(Qt::blue);
        EXPECT_TRUE(image.save(folder + "/c.png"));
        return folder;
    }
};

TEST_F(ScanRoadTest, AnExactScanEndsOnTheResultsScreen)
{
    minimumFileSize = 0;
    setScanList({InitialDirectory(QUrl::fromLocalFile(makePhotoFolder()))});
    home->isFilesNotSelected();
    ASSERT_TRUE(home->btnScanForDuplicates->isEnabled());
    home->tappedExactMatches();

    QPointer<QWidget> oldSheet = scanVC();
    home->btnScanForDuplicates->click();
    ScanVC *sheet = AllViewControllers::cached<ScanVC>(ScreenName::scan);
    ASSERT_NE(sheet, nullptr);
    EXPECT_NE(sheet, oldSheet.data());
    EXPECT_FALSE(sheet->isSimilarScan);
    EXPECT_EQ(sheet->initialDirectories.size(), 1u);
    EXPECT_TRUE(UserDefaults::standard().boolForKey("IsPopUpTWK"));
    EXPECT_TRUE(home->boxTopBlackLayer->isVisible());
    // The scan start does not lock the window, but quitting waits for the scan.
    EXPECT_FALSE(window->isWindowLocked());
    EXPECT_TRUE(AppDelegate().isQuitRefused());

    ASSERT_TRUE(waitFor([this] { return home->embeddedResultView() != nullptr; }, 20000));
    EXPECT_TRUE(UserDefaults::standard().boolForKey("IsResultVC"));
    EXPECT_EQ(home->embeddedResultView(), scanResultVC());
    ASSERT_TRUE(waitFor([] { return !UserDefaults::standard().boolForKey("IsPopUpTWK"); }, 5000));
    EXPECT_FALSE(home->boxTopBlackLayer->isVisible());
    // The mode choice stays off while the results are shown.
    EXPECT_FALSE(home->btnExactMatch->isEnabled());

    // While a sheet is up over the results, the grid takes no clicks and does not scroll.
    ThumbnailVC *grid = thumbnailVC();
    ASSERT_NE(grid->collectionView, nullptr);
    home->setPopUpMode(true);
    EXPECT_FALSE(grid->collectionView->viewport()->isEnabled());
    EXPECT_FALSE(grid->collectionView->verticalScrollBar()->isEnabled());
    EXPECT_FALSE(scanResultVC()->btnBackToHome->isEnabled());
    home->closeToExitVC();
    EXPECT_TRUE(grid->collectionView->viewport()->isEnabled());
    EXPECT_TRUE(grid->collectionView->verticalScrollBar()->isEnabled());
    EXPECT_TRUE(scanResultVC()->btnBackToHome->isEnabled());
    // The mode choice stays off while the results are shown.
    EXPECT_FALSE(home->btnExactMatch->isEnabled());

    if (const QString shots = qEnvironmentVariable("TWINSIFT_SHOT_DIR"); !shots.isEmpty()) {
        QCoreApplication::processEvents();
        window->grab().save(QDir(shots).filePath("results-after-scan.png"));
    }
    minimumFileSize = 1024;
}

TEST_F(ScanRoadTest, ARunningPhotosIsAskedAboutOnceBeforeTheLibraryIsRead)
{
    QDir(tempPath("")).mkpath("Family.photoslibrary/database");
    InitialDirectory library(QUrl::fromLocalFile(tempPath("Family.photoslibrary")));
    InitialDirectory folder(QUrl::fromLocalFile(makePhotoFolder()));
    setScanList({folder, library});
    home->isFilesNotSelected();

    // A stand-in "Photos": a copy of sleep under a name of its own. It is never asked to quit here.
    ASSERT_TRUE(QFile::copy("/bin/sleep", tempPath("photosstandin")));
    QFile::setPermissions(tempPath("photosstandin"), QFile::ReadOwner | QFile::ExeOwner);
    QProcess standIn;
    standIn.start(tempPath("photosstandin"), {"30"});
    ASSERT_TRUE(standIn.waitForStarted());
    auto &photos = platform::PhotosApp::shared();
    const QString previous = photos.processName();
    photos.setProcessName("photosstandin");
    ASSERT_TRUE(waitFor([&] { return photos.isRunning(); }));

    home->tappedScanForDuplicates();
    ASSERT_FALSE(home->alert.isNull());
    QPointer<QMessageBox> question = home->alert;
    // Asking again while the question is up asks nothing more.
    home->tappedScanForDuplicates();
    EXPECT_EQ(home->alert, question);
    EXPECT_EQ(AllViewControllers::cachedController(ScreenName::scan), nullptr);

    // Skip the library: the rest of the list is scanned.
    const auto buttons = question->buttons();
    ASSERT_EQ(buttons.size(), 2);
    QAbstractButton *skip = question->buttons().at(0) == question->defaultButton() ? buttons.at(1) : buttons.at(0);
    skip->click();
    photos.setProcessName(previous);
    standIn.kill();
    standIn.waitForFinished();
    ScanVC *sheet = AllViewControllers::cached<ScanVC>(ScreenName::scan);
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(sheet->initialDirectories.size(), 1u);
    EXPECT_EQ(sheet->initialDirectories.front().url, folder.url);
    ASSERT_TRUE(waitFor([] { return !UserDefaults::standard().boolForKey("IsPopUpTWK"); }, 20000));
}

TEST_F(ScanRoadTest, LibraryNamesInTheFlowAlertsAreShownAsPlainText)
{
    // A library whose database is damaged, with markup in its name.
    const QString name = "<b>Trip<br>Sea & Sun.photoslibrary";
    QDir(tempPath("")).mkpath(name + "/database");
    QFile damaged(tempPath(name + "/database/Photos.sqlite"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();
    InitialDirectory library(QUrl::fromLocalFile(tempPath(name)));
    InitialDirectory folder(QUrl::fromLocalFile(makePhotoFolder()));
    setScanList({folder, library});

    home->tappedScanForDuplicates();
    QMessageBox *alert = nullptr;
    ASSERT_TRUE(waitFor([&] {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(top); box && box->isVisible())
                alert = box;
        return alert != nullptr;
    }));
    EXPECT_TRUE(alert->text().contains("<b>Trip<br>Sea & Sun")) << qPrintable(alert->text());
    EXPECT_EQ(alert->textFormat(), Qt::PlainText);
    for (QLabel *label : alert->findChildren<QLabel *>()) {
        if (label->objectName() == "qt_msgbox_label" || label->objectName() == "qt_msgbox_informativelabel") {
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << qPrintable(label->objectName());
        }
    }
    // Cancel: no scan starts.
    QAbstractButton *cancel =
        alert->buttons().at(0) == alert->defaultButton() ? alert->buttons().at(1) : alert->buttons().at(0);
    cancel->click();
    flushEvents();
    EXPECT_EQ(AllViewControllers::cachedController(ScreenName::scan), nullptr);
}
