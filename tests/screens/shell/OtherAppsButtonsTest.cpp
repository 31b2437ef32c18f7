// The home screen's and the results screen's other-apps buttons and the Help menu's item all show
// the one other-apps window of the run.
#include "screens/promotion/OtherAppsWindow.h"
#include "screens/results/QuickLook.h"
#include "screens/results/ScanResultVC.h"
#include "screens/shell/AppDelegate.h"
#include "model/TextLookup.h"
#include "platform/widgets/WindowController.h"
#include "support/ShellFixtures.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

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

// Preferences, Other Applications and the preview window open centred over the main window
// wherever it is; Escape and Ctrl+W close the first two as their close button does.
TEST_F(OtherAppsButtonsTest, PreferencesAndOtherAppsOpenOverTheMainWindowAndCloseOnEscapeOrCtrlW)
{
    window->resize(InitialWindowController::minimumWindowSize());
    window->move(window->screen()->availableGeometry().topLeft() + QPoint(10, 5));
    QCoreApplication::processEvents();
    const QPoint mainCentre = window->frameGeometry().center();
    platform::WindowController *preferences = preferencesWindowController();
    OtherAppsWindow *others = otherAppsWindowController();
    QuickLook &preview = QuickLook::shared();
    for (QWidget *opened :
         {static_cast<QWidget *>(preferences), static_cast<QWidget *>(others), static_cast<QWidget *>(&preview)}) {
        if (opened == &preview)
            preview.previewItem(QUrl::fromLocalFile(QStringLiteral("/nonexistent/a.jpg")));
        else
            static_cast<platform::WindowController *>(opened)->showWindow();
        QCoreApplication::processEvents();
        ASSERT_TRUE(opened->isVisible());
        // Centred where the screen has room for that (the Xvfb run checks it on real screens),
        // inside the screen's free area in any case.
        const QRect area = window->screen()->availableGeometry();
        QRect centred(QPoint(), opened->frameGeometry().size());
        centred.moveCenter(mainCentre);
        if (area.contains(centred)) {
            EXPECT_LE((opened->frameGeometry().center() - mainCentre).manhattanLength(), 4)
                << opened->windowTitle().toStdString();
        }
        EXPECT_TRUE(area.contains(opened->frameGeometry())) << opened->windowTitle().toStdString();
        if (opened == &preview) {
            preview.close();
            continue;
        }
        // Escape pressed on a control inside the window, which has no use for it; then Ctrl+W.
        QList<QAbstractButton *> buttons = opened->findChildren<QAbstractButton *>();
        QWidget *target = buttons.isEmpty() ? static_cast<QWidget *>(opened) : buttons.front();
        QTest::keyClick(target, Qt::Key_Escape);
        EXPECT_FALSE(opened->isVisible()) << opened->windowTitle().toStdString();
        static_cast<platform::WindowController *>(opened)->showWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(opened));
        QTest::keyClick(opened->focusWidget() ? opened->focusWidget() : opened, Qt::Key_W, Qt::ControlModifier);
        EXPECT_FALSE(opened->isVisible()) << "Ctrl+W " << opened->windowTitle().toStdString();
    }
}
