// Pop-up mode: entering, nesting, the window lock, and what its end gives back.
#include "screens/shell/AllViewControllers.h"
#include "screens/shell/CustomAnimator.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/shell/ViewController.h"
#include "controls/SYFlatButton.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "support/ShellFixtures.h"

#include <QDialog>
#include <QPushButton>
#include <QRadioButton>

using platform::NotificationCenter;
using platform::UserDefaults;

class PopUpModeTest : public HomeScreenTest
{
protected:
    static bool popUp() { return UserDefaults::standard().boolForKey("IsPopUpTWK"); }

    void expectHomeControlsEnabled(bool enabled)
    {
        EXPECT_EQ(home->btnExactMatch->isEnabled(), enabled);
        EXPECT_EQ(home->btnSimilarMatch->isEnabled(), enabled);
        EXPECT_EQ(home->checkExactMatch->isEnabled(), enabled);
        EXPECT_EQ(home->checkSimilarMatch->isEnabled(), enabled);
    }

    QDialog *openSheet()
    {
        auto *dialog = new QDialog(window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(Qt::WindowModal);
        dialog->show();
        return dialog;
    }
};

TEST_F(PopUpModeTest, EnteringDisablesTheHomeAndTheEndGivesItBack)
{
    setScanList({InitialDirectory(), InitialDirectory()});
    home->setPopUpMode(true);
    EXPECT_TRUE(popUp());
    EXPECT_TRUE(home->boxTopBlackLayer->isVisible());
    EXPECT_FALSE(home->btnScanForDuplicates->isEnabled());
    EXPECT_FALSE(home->scanButtonHasEnabledLook());
    expectHomeControlsEnabled(false);
    EXPECT_TRUE(window->isWindowLocked());

    NotificationCenter::defaultCenter().post("closeToExitVC");
    EXPECT_FALSE(popUp());
    EXPECT_FALSE(home->boxTopBlackLayer->isVisible());
    EXPECT_TRUE(home->btnScanForDuplicates->isEnabled());
    expectHomeControlsEnabled(true);
    EXPECT_FALSE(window->isWindowLocked());
}

TEST_F(PopUpModeTest, TheEndWaitsForTheLastSheet)
{
    home->setPopUpMode(true);
    QPointer<QDialog> first = openSheet();
    home->setPopUpMode(true);
    QPointer<QDialog> second = openSheet();
    EXPECT_EQ(home->popUpHolderCount(), 2);

    // The first sheet closes and says so: the second is still up, so pop-up mode stays.
    first->close();
    NotificationCenter::defaultCenter().post("closeToExitVC");
    flushEvents();
    EXPECT_TRUE(popUp());
    EXPECT_TRUE(home->isBusy());
    expectHomeControlsEnabled(false);

    // The second sheet closes without a notification of its own: its closing ends pop-up mode.
    second->close();
    EXPECT_TRUE(waitFor([] { return !popUp(); }));
    expectHomeControlsEnabled(true);
    EXPECT_FALSE(home->isBusy());
}

TEST_F(PopUpModeTest, AnOverlayKeepsPopUpModeUntilItHasSlidOut)
{
    QWidget *about = aboutVC();
    home->presentOverlay(true, about);
    EXPECT_TRUE(popUp());
    EXPECT_TRUE(window->isWindowLocked());
    EXPECT_EQ(about->parentWidget(), home);
    EXPECT_TRUE(sharedAnimator->isPresented(about));

    // The overlay posts its close first and then slides out.
    NotificationCenter::defaultCenter().post("closeToExitVC");
    sharedAnimator->animateDismissal(about, home);
    EXPECT_TRUE(waitFor([] { return !popUp(); }));
    EXPECT_TRUE(waitFor([about] { return about->parentWidget() == nullptr; }));
    EXPECT_FALSE(window->isWindowLocked());
}

TEST_F(PopUpModeTest, TheAfterDeleteSummaryLeavesTheWindowUnlocked)
{
    NotificationCenter::defaultCenter().post("presentAfterDeleteView");
    EXPECT_TRUE(popUp());
    EXPECT_FALSE(window->isWindowLocked());
    EXPECT_EQ(afterDeleteStatusVC()->parentWidget(), home);

    NotificationCenter::defaultCenter().post("NoSimilarPhotosFound");
    EXPECT_TRUE(window->isWindowLocked());
    // A locked window refuses to close.
    EXPECT_FALSE(window->windowShouldClose());
}

TEST_F(PopUpModeTest, EndingWhileTheResultsAreShownLeavesTheHomeControlsOff)
{
    UserDefaults::standard().setBool("IsResultVC", true);
    setScanList({InitialDirectory()});
    home->setPopUpMode(false);
    home->closeToExitVC();
    EXPECT_FALSE(popUp());
    expectHomeControlsEnabled(false);
    EXPECT_FALSE(home->btnScanForDuplicates->isEnabled());
}

TEST_F(PopUpModeTest, EndingWithAnEmptyListKeepsTheScanButtonState)
{
    home->setPopUpMode(false);
    home->closeToExitVC();
    EXPECT_FALSE(home->btnScanForDuplicates->isEnabled());

    // Entries, none ticked: the end enables Scan (only the list's length counts here).
    InitialDirectory unticked;
    unticked.isChecked = false;
    setScanList({unticked});
    home->setPopUpMode(false);
    home->closeToExitVC();
    EXPECT_TRUE(home->btnScanForDuplicates->isEnabled());
}

TEST_F(PopUpModeTest, TheResultsScreenGreysItsButtonsAndGetsThemBackByTheMarks)
{
    ScanResultVC *results = scanResultVC();
    const bool unselectAll = results->btnUnSelectAll->isEnabled();
    const QColor normal = results->btnDeleteMarked->backgroundNormalColor();
    const QColor highlight = results->btnDeleteMarked->backgroundHighlightColor();
    home->setPopUpMode(true);
    EXPECT_FALSE(results->btnDeleteMarked->isEnabled());
    EXPECT_EQ(results->btnDeleteMarked->backgroundNormalColor(), QColor(72, 72, 72));
    EXPECT_EQ(results->btnDeleteMarked->backgroundHighlightColor(), QColor(72, 72, 72));
    EXPECT_TRUE(results->boxTopBlackLayer->isVisibleTo(results));

    home->closeToExitVC();
    EXPECT_FALSE(popUp());
    EXPECT_EQ(results->btnDeleteMarked->backgroundNormalColor(), normal);
    EXPECT_EQ(results->btnDeleteMarked->backgroundHighlightColor(), highlight);
    // Without marks there is nothing to unselect, before and after.
    EXPECT_FALSE(unselectAll);
    EXPECT_FALSE(results->btnUnSelectAll->isEnabled());
    EXPECT_FALSE(results->btnDeleteMarked->isEnabled());
    EXPECT_FALSE(results->boxTopBlackLayer->isVisibleTo(results));
}
