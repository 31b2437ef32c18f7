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
#include "support/ShellFixtures.h"

#include <QDir>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>

namespace {

// What the X server and the window manager say, read with the X utilities (x11-utils): Qt keeps
// the frame it measured first, which can be one the window manager was still building.
QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(5000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QList<int> numbersAfter(const QString &text, const QString &label)
{
    QList<int> numbers;
    const int at = text.indexOf(label);
    if (at < 0)
        return numbers;
    const QString line = text.mid(at + label.size()).section(QLatin1Char('\n'), 0, 0);
    for (const QString &part : line.split(QRegularExpression(QStringLiteral("[^0-9-]+")), Qt::SkipEmptyParts))
        numbers << part.toInt();
    return numbers;
}

// The window's frame on the screen in device pixels, or an empty rectangle while the window
// manager has not framed it.
QRect deviceFrame(QWidget *window)
{
    const QString id = QString::number(window->winId());
    const QList<int> extents = numbersAfter(run("xprop", {"-id", id, "_NET_FRAME_EXTENTS"}), "= ");
    const QString info = run("xwininfo", {"-id", id});
    const QList<int> x = numbersAfter(info, "Absolute upper-left X:");
    const QList<int> y = numbersAfter(info, "Absolute upper-left Y:");
    const QList<int> width = numbersAfter(info, "Width:");
    const QList<int> height = numbersAfter(info, "Height:");
    if (extents.size() != 4 || x.isEmpty() || y.isEmpty() || width.isEmpty() || height.isEmpty() || extents[2] <= 0)
        return QRect();
    // _NET_FRAME_EXTENTS: left, right, top, bottom.
    return QRect(x[0] - extents[0], y[0] - extents[2], width[0] + extents[0] + extents[1],
                 height[0] + extents[2] + extents[3]);
}

// The work area (the screen less panels) in device pixels.
QRect deviceWorkArea()
{
    const QList<int> area = numbersAfter(run("xprop", {"-root", "_NET_WORKAREA"}), "= ");
    return area.size() >= 4 ? QRect(area[0], area[1], area[2], area[3]) : QRect();
}

QString describe(const QRect &rect)
{
    return QStringLiteral("%1x%2 at %3,%4").arg(rect.width()).arg(rect.height()).arg(rect.x()).arg(rect.y());
}

class DesktopWindow : public ShellTest
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display with a window manager (CTest runs it under Xvfb and openbox)";
        if (QStandardPaths::findExecutable("xprop").isEmpty() || QStandardPaths::findExecutable("xwininfo").isEmpty())
            GTEST_SKIP() << "needs xprop and xwininfo (x11-utils; scripts/deps --tests installs it)";
        ShellTest::SetUp();
    }

    // Waits until the window manager has framed the window, then lets it settle.
    static QRect framed(QWidget *window)
    {
        waitFor([window] { return !deviceFrame(window).isEmpty(); }, 10000);
        waitFor([] { return false; }, 300);
        return deviceFrame(window);
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
    const QRect frame = framed(window);
    ASSERT_FALSE(frame.isEmpty()) << "the window manager never framed the main window";
    const QRect area = deviceWorkArea();
    ASSERT_FALSE(area.isEmpty());
    EXPECT_TRUE(area.contains(frame)) << qPrintable(describe(frame)) << " in " << qPrintable(describe(area));
    // The bottom of the window, where the Scan button sits, is on screen.
    const QRect scan(home->boxScanForDuplicate->mapToGlobal(QPoint(0, 0)), home->boxScanForDuplicate->size());
    EXPECT_LE(scan.bottom(), window->screen()->availableGeometry().bottom()) << qPrintable(describe(scan));
    keepScreenPicture(QStringLiteral("main"));

    // Preferences and Other Applications open centred over the main window, inside the work area.
    const int nearby = qRound(8 * window->devicePixelRatioF());
    platform::WindowController *preferences = preferencesWindowController();
    preferences->showWindow();
    const QRect preferencesFrame = framed(preferences);
    ASSERT_FALSE(preferencesFrame.isEmpty());
    EXPECT_TRUE(area.contains(preferencesFrame)) << qPrintable(describe(preferencesFrame));
    EXPECT_LE((preferencesFrame.center() - frame.center()).manhattanLength(), nearby)
        << qPrintable(describe(preferencesFrame)) << " over " << qPrintable(describe(frame));
    keepScreenPicture(QStringLiteral("preferences"));
    preferences->closeWindow();

    OtherAppsWindow *others = otherAppsWindowController();
    others->showWindow();
    const QRect othersFrame = framed(others);
    ASSERT_FALSE(othersFrame.isEmpty());
    EXPECT_TRUE(area.contains(othersFrame)) << qPrintable(describe(othersFrame));
    EXPECT_LE((othersFrame.center() - frame.center()).manhattanLength(), nearby)
        << qPrintable(describe(othersFrame)) << " over " << qPrintable(describe(frame));
    keepScreenPicture(QStringLiteral("other-apps"));
    others->closeWindow();
    window->hide();
}
