// The home screen's and the results screen's other-apps buttons and the Help menu's item all show
// the one other-apps window of the run.
#include "screens/promotion/OtherAppsWindow.h"
#include "screens/results/ScanResultVC.h"
#include "screens/shell/AppDelegate.h"
#include "model/TextLookup.h"
#include "support/ShellFixtures.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>

using OtherAppsButtonsTest = HomeScreenTest;

TEST_F(OtherAppsButtonsTest, EachButtonAndTheMenuItemShowTheOneWindow)
{
    ASSERT_NE(home->btnOtherApps, nullptr);
    EXPECT_EQ(home->btnOtherApps->text(), localizedText("IDS_TWK_8102"));
    EXPECT_FALSE(home->btnOtherApps->text().isEmpty());
    EXPECT_GE(home->btnOtherApps->width(), home->btnOtherApps->sizeHint().width());
    EXPECT_EQ(home->btnOtherApps->focusPolicy(), Qt::StrongFocus);

    // The window does not open with the focus on it.
    QCoreApplication::processEvents();
    EXPECT_NE(QApplication::focusWidget(), home->btnOtherApps);

    home->btnOtherApps->click();
    OtherAppsWindow *shown = otherAppsWindowController();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    shown->close();
    ASSERT_FALSE(shown->isVisible());

    ScanResultVC *results = scanResultVC();
    ASSERT_NE(results->btnOtherApps, nullptr);
    EXPECT_EQ(results->lblOtherApps->text(), localizedText("IDS_TWK_8102"));
    results->btnOtherApps->click();
    EXPECT_EQ(otherAppsWindowController(), shown);
    EXPECT_TRUE(shown->isVisible());
    shown->close();

    AppDelegate delegate;
    delegate.buildMenuBar(window);
    ASSERT_NE(delegate.menuItemOtherApps, nullptr);
    delegate.menuItemOtherApps->trigger();
    EXPECT_EQ(otherAppsWindowController(), shown);
    EXPECT_TRUE(shown->isVisible());
    shown->close();
}
