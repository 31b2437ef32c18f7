// The results screen in the main window after a real scan, by keyboard on the dark theme: it opens
// with the keyboard on its current card, every Tab stop of the window shows where the focus is, and
// Tab reaches the grid's cards.
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ResultCollectionView.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "model/ResultState.h"
#include "screens/shell/AllViewControllers.h"
#include "screens/shell/Theme.h"
#include "screens/shell/ViewController.h"
#include "controls/SYFlatButton.h"
#include "model/ModuleState.h"
#include "platform/UserDefaults.h"
#include "support/FocusChecks.h"
#include "support/ShellFixtures.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QtTest/QTest>

class KeyboardUseResultsWindowTest : public HomeScreenTest
{
};

TEST_F(KeyboardUseResultsWindowTest, EveryTabStopOfTheResultsInTheWindowShowsItsFocus)
{
    Theme::applyApplicationTheme();
    platform::UserDefaults::standard().setBool("TutorialShownTWK", true);
    // Two groups of identical photos.
    QDir(tempPath("")).mkpath("photos");
    const QString folder = tempPath("photos");
    for (int g = 0; g < 2; ++g) {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(QColor(40 + 100 * g, 90, 200 - 80 * g));
        ASSERT_TRUE(image.save(folder + QStringLiteral("/a%1.png").arg(g)));
        ASSERT_TRUE(
            QFile::copy(folder + QStringLiteral("/a%1.png").arg(g), folder + QStringLiteral("/b%1.png").arg(g)));
    }
    minimumFileSize = 0;
    setScanList({InitialDirectory(QUrl::fromLocalFile(folder))});
    home->isFilesNotSelected();
    home->tappedExactMatches();
    home->btnScanForDuplicates->click();
    ASSERT_TRUE(waitFor([this] { return home->embeddedResultView() != nullptr; }, 20000));
    ASSERT_TRUE(waitFor([] { return !platform::UserDefaults::standard().boolForKey("IsPopUpTWK"); }, 5000));
    minimumFileSize = 1024;
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));

    ScanResultVC *results = scanResultVC();
    // The results open with the keyboard on their current card: Right moves it, Space marks it.
    ResultCollectionView *cards = thumbnailVC()->collectionView;
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == cards; }))
        << (QApplication::focusWidget() ? focuschecks::nameOf(QApplication::focusWidget()) : "none");
    ASSERT_TRUE(cards->currentItem());
    const ResultCollectionView::IndexPath first = *cards->currentItem();
    QTest::keyClick(cards, Qt::Key_Right);
    ASSERT_TRUE(cards->currentItem());
    EXPECT_NE(*cards->currentItem(), first);
    const ResultCollectionView::IndexPath second = *cards->currentItem();
    const int markedBefore = ResultState::shared().markedFileCount();
    QTest::keyClick(cards, Qt::Key_Space);
    EXPECT_TRUE(ResultState::shared().isMarked(second.first, second.second));
    EXPECT_EQ(ResultState::shared().markedFileCount(), markedBefore + 1);

    const std::vector<focuschecks::TabStop> stops = focuschecks::walkTabChain(results->btnBackToHome);
    std::string chain;
    for (const auto &stop : stops)
        chain += stop.name + (stop.showsFocus ? " " : "(no focus) ");
    SCOPED_TRACE("Tab chain: " + chain);
    for (const auto &stop : stops) {
        EXPECT_TRUE(stop.showsFocus) << stop.name << " shows no focus";
        // The home screen's controls lie hidden under the results: Tab never goes there.
        EXPECT_TRUE(results->isAncestorOf(stop.widget)) << stop.name << " is not on the results screen";
    }
    EXPECT_GE(focuschecks::indexOf(stops, thumbnailVC()->collectionView), 0);
    // Shift+Tab from the first stop goes round to the last one.
    results->btnBackToHome->setFocus(Qt::TabFocusReason);
    QTest::keyClick(results->btnBackToHome, Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), stops.back().widget.data());
    if (const QString shots = qEnvironmentVariable("TWINSIFT_SHOT_DIR"); !shots.isEmpty()) {
        QDir().mkpath(shots);
        thumbnailVC()->collectionView->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        window->grab().save(QDir(shots).filePath("results-window-grid-focus.png"));
    }
}
