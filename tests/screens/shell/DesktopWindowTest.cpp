// The windows on a real X display under a window manager, which draws a title bar around them:
// the main window's frame, title bar included, lies inside the work area, so the bottom of the
// window (the Scan button) is on screen; Preferences and Other Applications open centred over the
// main window. CTest runs these cases through tests/support/under-window-manager.sh (Xvfb and
// openbox) at 1280 x 720, and at 1920 x 1080 with 150 % scaling; on any other platform they skip.
#include "screens/shell/AppDelegate.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/shell/ViewController.h"
#include "screens/promotion/OtherAppsWindow.h"
#include "platform/widgets/WindowController.h"
#include "platform/widgets/WindowPosition.h"
#include "support/ShellFixtures.h"

#include <QDir>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>

namespace {

class DesktopWindow : public ShellTest
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display with a window manager (CTest runs it under Xvfb and openbox)";
        ShellTest::SetUp();
    }

    // Waits until the window manager has framed the window and the window has settled.
    static bool framed(QWidget *window)
    {
        return waitFor([window] { return !platform::reportedFrameMargins(window).isNull(); }, 10000);
    }

    static void settle() { waitFor([] { return false; }, 300); }

    static QString describe(const QRect &rect)
    {
        return QStringLiteral("%1x%2 at %3,%4").arg(rect.width()).arg(rect.height()).arg(rect.x()).arg(rect.y());
    }

    // Keeps a picture of the whole screen, window frames included, when TWINSIFT_SHOT_DIR names a folder.
    static void keepScreenPicture(const QString &name)
    {
        const QString folder = qEnvironmentVariable("TWINSIFT_SHOT_DIR");
        if (folder.isEmpty())
            return;
        QDir().mkpath(folder);
        QScreen *screen = QGuiApplication::primaryScreen();
        const QString scale = QString::number(qRound(screen->devicePixelRatio() * 100));
        screen->grabWindow(0).save(folder + QStringLiteral("/desktop-%1-%2.png").arg(name, scale));
    }
};

} // namespace

TEST_F(DesktopWindow, MainWindowFrameLiesInsideTheWorkAreaAndOthersOpenCentredOverIt)
{
    AppDelegate delegate;
    InitialWindowController *window = initialWindowController();
    window->setMenuBar(delegate.buildMenuBar(window));
    ViewController *home = homeViewController();
    window->setContentViewController(home);
    window->showWindow();
    ASSERT_TRUE(framed(window)) << "the window manager never framed the main window";
    settle();

    const QRect area = window->screen()->availableGeometry();
    const QRect frame = window->frameGeometry();
    const QMargins margins = platform::reportedFrameMargins(window);
    EXPECT_GT(margins.top(), 0) << "no title bar";
    EXPECT_TRUE(area.contains(frame)) << qPrintable(describe(frame)) << " in " << qPrintable(describe(area));
    // The bottom of the window, where the Scan button sits, is on screen.
    const QRect scan(home->boxScanForDuplicate->mapToGlobal(QPoint(0, 0)), home->boxScanForDuplicate->size());
    EXPECT_LE(scan.bottom(), area.bottom()) << qPrintable(describe(scan));
    keepScreenPicture(QStringLiteral("main"));

    // Preferences and Other Applications open centred over the main window, inside the work area.
    const QPoint mainCentre = frame.center();
    platform::WindowController *preferences = preferencesWindowController();
    preferences->showWindow();
    ASSERT_TRUE(framed(preferences));
    settle();
    const QRect preferencesFrame = preferences->frameGeometry();
    EXPECT_TRUE(area.contains(preferencesFrame)) << qPrintable(describe(preferencesFrame));
    EXPECT_LE((preferencesFrame.center() - mainCentre).manhattanLength(), 8)
        << qPrintable(describe(preferencesFrame)) << " over " << qPrintable(describe(frame));
    keepScreenPicture(QStringLiteral("preferences"));
    preferences->closeWindow();

    OtherAppsWindow *others = otherAppsWindowController();
    others->showWindow();
    ASSERT_TRUE(framed(others));
    settle();
    const QRect othersFrame = others->frameGeometry();
    EXPECT_TRUE(area.contains(othersFrame)) << qPrintable(describe(othersFrame));
    EXPECT_LE((othersFrame.center() - mainCentre).manhattanLength(), 8)
        << qPrintable(describe(othersFrame)) << " over " << qPrintable(describe(frame));
    keepScreenPicture(QStringLiteral("other-apps"));
    others->closeWindow();
    window->hide();
}
