// The whole road through the main window: a scan started from the home screen, the results
// embedded, the marked copy deleted through the sheet, the summary, and the way back home.
#include "support/ScanSheetFixtures.h"
#include "screens/shell/ScreenNames.h"

#include "screens/shell/CustomAnimator.h"
#include "screens/shell/HubScreens.h"
#include "screens/shell/ViewController.h"
#include "platform/widgets/SheetPresenter.h"
#include "controls/SYFlatButton.h"
#include "screens/results/AfterDeleteStatusVC.h"
#include "screens/results/ScanResultVC.h"
#include "screens/sheet/ScanVC.h"

#include <QLabel>
#include <QPushButton>

#include "model/SettingsKeys.h"
#include "model/TextLookup.h"
#include "platform/UserDefaults.h"

using namespace scansheet_test;

namespace {

class HomeFlowTest : public SheetTestBase
{
protected:
    void TearDown() override
    {
        SheetTestBase::TearDown();
        sharedAnimator.reset();
    }
};

TEST_F(HomeFlowTest, ScanResultsDeletionSummaryAndBackHome)
{
    const QString a = writePhoto(QStringLiteral("home/a.jpg"), 1);
    const QString copy = copyFile(a, QStringLiteral("home/b/a.jpg"));
    const std::vector<InitialDirectory> list = {InitialDirectory(QUrl::fromLocalFile(path(QStringLiteral("home"))))};
    HubScreens::setScanList(list);
    HubScreens::setInitialDirectories(list);

    ViewController *home = homeViewController();
    ASSERT_NE(home, nullptr);
    home->resize(1280, 800);
    home->show();
    QApplication::processEvents();
    NotificationRecorder recorder(navigationNames());
    home->tappedExactMatches();
    home->tappedScanForDuplicates();

    ASSERT_TRUE(waitFor([&] { return recorder.count(QStringLiteral("SelectedFiles")) == 1; }));
    auto *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult);
    ASSERT_NE(results, nullptr);
    ASSERT_TRUE(waitFor([&] { return results->isVisible() && !platform::SheetPresenter::visibleSheetCount(); }));
    ASSERT_EQ(ResultState::shared().imageDirectories.size(), 1u);
    shoot(home, QStringLiteral("home-results"));

    // The copy is marked and deleted through the results screen, once the scan sheet's pop-up
    // mode has ended (Delete Marked is never usable under a pop-up).
    ASSERT_TRUE(waitFor([] { return !platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp); }));
    ASSERT_TRUE(ResultState::shared().mark(0, 1));
    results->updateDeleteMarkedButton();
    const QString marked = ResultState::shared().shownFile(0, 1)->path();
    const QString keptFile = ResultState::shared().shownFile(0, 0)->path();
    ASSERT_TRUE(results->btnDeleteMarked->isEnabled());
    results->presentDeletionSheet();
    ASSERT_TRUE(waitFor([&] { return recorder.count(QStringLiteral("presentAfterDeleteView")) == 1; }));
    auto *status = AllViewControllers::cached<AfterDeleteStatusVC>(ScreenName::afterDeleteStatus);
    ASSERT_NE(status, nullptr);
    ASSERT_TRUE(waitFor([&] { return status->isVisible() && !platform::SheetPresenter::visibleSheetCount(); }));
    EXPECT_FALSE(QFile::exists(marked));
    EXPECT_TRUE(QFile::exists(keptFile));
    EXPECT_TRUE(status->isTrashed);
    EXPECT_FALSE(status->isResult);
    EXPECT_EQ(status->lblFinalOutput->text(), localizedText(QStringLiteral("IDS_TWK_48")));
    EXPECT_EQ(trashedCountText, QStringLiteral("1"));
    platform::Dispatch::runMainLoopUntil([] { return false; }, 700); // the overlay slides in
    shoot(home, QStringLiteral("home-after-delete"));

    status->btnBackToHome->click();
    EXPECT_TRUE(waitFor([&] { return !results->isVisible() && !status->isVisible(); }));
    EXPECT_FALSE(platform::UserDefaults::standard().boolForKey(QStringLiteral("IsResultVC")));
    EXPECT_FALSE(platform::UserDefaults::standard().boolForKey(QStringLiteral("IsPopUpTWK")));
    EXPECT_TRUE(ResultState::shared().allImages.empty());
    shoot(home, QStringLiteral("home-back"));
}

} // namespace
