// The main window fits the screen it opens on: its first frame lies inside the screen's free area
// (a 1280 x 720 logical screen, as 1920 x 1080 at 150 % gives, with a panel), and its smallest
// size still shows the whole home screen, the right column scrolling where it must.
// The Preferences window fits a 1280 x 720 screen at 150 % (853 x 480 points).
// CTest runs this file also on 1280 x 720 logical screens at 100 %, 150 % and 200 % scaling, and
// the Preferences check on a 1280 x 720 screen at 150 %.
#include "screens/shell/AppDelegate.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/shell/ViewController.h"
#include "controls/SYFlatButton.h"
#include "platform/widgets/WindowPosition.h"
#include "support/ShellFixtures.h"
#include "screens/preferences/PreferencesFixtures.h"
#include "screens/preferences/PreferencesPane.h"
#include "screens/preferences/ProtectedFoldersPreferencesVC.h"
#include "screens/preferences/ExcludedPreferencesVC.h"
#include "model/TextLookup.h"
#include "platform/widgets/WindowController.h"
#include "screens/shell/Theme.h"
#include "services/ProtectedFolders.h"

#include <QFrame>
#include <QDir>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleFactory>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

TEST(WindowFitTest, FirstFrameIsBoundedToTheFreeAreaAndCentredInIt)
{
    const QSize wanted = InitialWindowController::preferredWindowSize();
    const QSize minimum = InitialWindowController::minimumWindowSize();
    const QMargins frame(1, 30, 1, 1);

    // 1920 x 1080 at 150 %: 1280 x 720 points, 27 of them taken by a top panel.
    const QRect laptop(0, 27, 1280, 693);
    const QRect fitted = platform::fittedWindowGeometry(laptop, wanted, minimum, frame);
    const QRect outer = fitted.marginsAdded(frame);
    EXPECT_TRUE(laptop.contains(outer)) << outer.y() << " " << outer.height();
    EXPECT_EQ(outer.top(), 27); // not above the top of the free area
    EXPECT_EQ(fitted.size(), QSize(1278, 662));

    // A large screen keeps the wanted size, centred; the screen's origin counts.
    const QRect second(1920, 40, 2560, 1400);
    const QRect roomy = platform::fittedWindowGeometry(second, wanted, minimum, frame);
    EXPECT_EQ(roomy.size(), wanted);
    const QRect roomyOuter = roomy.marginsAdded(frame);
    EXPECT_EQ(roomyOuter.center().x() - second.center().x(), 0);
    EXPECT_LE(std::abs(roomyOuter.center().y() - second.center().y()), 1);

    // A screen smaller than the smallest window: the minimum wins and the title bar stays on
    // screen, at the free area's top-left corner.
    const QRect tiny(0, 24, 800, 576);
    const QRect cramped = platform::fittedWindowGeometry(tiny, wanted, minimum, frame);
    EXPECT_EQ(cramped.size(), minimum);
    EXPECT_EQ(cramped.marginsAdded(frame).topLeft(), tiny.topLeft());
}

class WindowFitWindowTest : public ShellTest
{
};

TEST_F(WindowFitWindowTest, MainWindowOpensInsideTheScreenAndShrinksToAPanelled720Screen)
{
    AppDelegate delegate;
    InitialWindowController *window = initialWindowController();
    window->setMenuBar(delegate.buildMenuBar(window));
    ViewController *home = homeViewController();
    window->setContentViewController(home);
    window->show();
    QCoreApplication::processEvents();

    QScreen *screen = window->screen();
    ASSERT_NE(screen, nullptr);
    const QRect area = screen->availableGeometry();
    const QRect frame = window->frameGeometry();
    EXPECT_GE(frame.top(), area.top()) << "the title bar is above the top of the screen";
    EXPECT_GE(frame.left(), area.left());
    const QSize minimum = InitialWindowController::minimumWindowSize();
    if (area.width() >= minimum.width() + 10 && area.height() >= minimum.height() + 40) {
        EXPECT_TRUE(area.contains(frame)) << "frame " << frame.width() << "x" << frame.height() << " at " << frame.x()
                                          << "," << frame.y() << " on " << area.width() << "x" << area.height();
    }

    // The smallest window fits 1280 x 720 less a panel, and nothing forces it larger.
    EXPECT_LE(minimum.width(), 1280 - 40);
    EXPECT_LE(minimum.height(), 720 - 27 - 40);
    window->resize(minimum);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->size(), minimum);

    // At that size the Scan button stays in view below the right column, whose settings scroll;
    // the scan list keeps a usable height.
    const QRect scan(home->boxScanForDuplicate->mapTo(window, QPoint(0, 0)), home->boxScanForDuplicate->size());
    EXPECT_TRUE(window->rect().contains(scan));
    QScrollArea *column = home->rightColumnScroller;
    ASSERT_NE(column, nullptr);
    const QRect viewport(column->viewport()->mapTo(window, QPoint(0, 0)), column->viewport()->size());
    EXPECT_TRUE(window->rect().contains(viewport));
    EXPECT_LE(viewport.bottom(), scan.top());
    EXPECT_GE(column->verticalScrollBar()->maximum() + column->viewport()->height(), column->widget()->height());
    column->ensureWidgetVisible(home->customViewMatches, 0, 0);
    const QRect list(home->customViewAddFiles->mapTo(window, QPoint(0, 0)), home->customViewAddFiles->size());
    EXPECT_TRUE(window->rect().contains(list));
    EXPECT_GE(home->customViewAddFiles->height(), 120);
}

class WindowFitPreferencesTest : public PreferencesTest
{
};

// A 1280 x 720 screen at 150 % is 853 x 480 points. The Preferences window is placed inside it,
// title bar and all, and at that size each folder pane still shows its Add and Remove buttons;
// a pane that does not fit scrolls within its tab. On a screen that small (CTest runs this file
// on one) the window opens inside the screen's free area.
TEST_F(WindowFitPreferencesTest, PreferencesFitsA720ScreenAt150Percent)
{
    for (int i = 0; i < 12; ++i)
        protectedFolders.emplace_back(QUrl::fromLocalFile(folder(QString("Photos/Album %1").arg(i))));
    protectedSubFolderFlags.assign(protectedFolders.size(), true);
    saveProtectedFolders();
    // In the program's own look, as the pictures show it.
    const QString oldStyle = QApplication::style()->name();
    const QPalette oldPalette = QApplication::palette();
    Theme::applyApplicationTheme();
    const auto restoreTheme = qScopeGuard([&] {
        QApplication::setStyle(QStyleFactory::create(oldStyle));
        QApplication::setPalette(oldPalette);
    });
    auto *window = preferencesWindowController();
    auto *tabs = qobject_cast<PreferencesTabViewController *>(preferencesTabViewController());
    ASSERT_TRUE(window && tabs);
    selectedPreferencesTab = 0;
    window->showWindow(tabs);
    flushEvents();

    QScreen *screen = window->screen();
    ASSERT_NE(screen, nullptr);
    const QRect free = screen->availableGeometry();
    if (free.width() <= 900 && free.height() <= 500) {
        EXPECT_TRUE(free.contains(window->frameGeometry()))
            << window->frameGeometry().width() << "x" << window->frameGeometry().height() << " on " << free.width()
            << "x" << free.height();
    }

    // Placed by hand on such a screen less a 27-point panel, with the generous frame assumed
    // before the window manager reports its own.
    const QRect small(0, 27, 853, 453);
    const QMargins frame = platform::assumedFrameMargins(window);
    const QRect fitted = platform::fittedWindowGeometry(small, QSize(760, 560), window->minimumSize(), frame);
    EXPECT_TRUE(small.contains(fitted.marginsAdded(frame))) << fitted.width() << "x" << fitted.height();
    window->resize(fitted.size());
    flushEvents();
    ASSERT_EQ(window->size(), fitted.size());

    const QString shots = qEnvironmentVariable("TWINSIFT_SHOT_DIR");
    auto inSight = [window](QWidget *widget) {
        return widget->isVisible()
            && window->rect().contains(QRect(widget->mapTo(window, QPoint(0, 0)), widget->size()));
    };
    for (int i = 0; i < tabs->tabView->count(); ++i) {
        tabs->tabView->setCurrentIndex(i);
        flushEvents();
        PreferencesPane *pane = tabs->panes()[size_t(i)];
        auto *scroller = qobject_cast<QScrollArea *>(tabs->tabView->currentWidget());
        ASSERT_TRUE(scroller && scroller->widget() == pane) << "tab " << i;
        EXPECT_EQ(scroller->frameShape(), QFrame::NoFrame);
        // What the tab cannot hold is reachable by scrolling.
        EXPECT_GE(scroller->verticalScrollBar()->maximum() + scroller->viewport()->height(),
                  pane->minimumSizeHint().height())
            << "tab " << i;
        if (!shots.isEmpty() && QDir().mkpath(shots))
            window->grab().save(QString("%1/preferences-small-%2.png").arg(shots).arg(i));
    }
    for (PreferencesPane *pane :
         {static_cast<PreferencesPane *>(tabs->protectedFolders), static_cast<PreferencesPane *>(tabs->excluded)}) {
        for (int i = 0; i < tabs->tabView->count(); ++i)
            if (tabs->tabView->widget(i)->isAncestorOf(pane))
                tabs->tabView->setCurrentIndex(i);
        flushEvents();
        const QList<QPushButton *> buttons = pane->findChildren<QPushButton *>();
        int found = 0;
        for (QPushButton *button : buttons)
            if (button->text() == localizedText(QStringLiteral("IDS_TWK_198"))
                || button->text() == localizedText(QStringLiteral("IDS_TWK_199"))) {
                ++found;
                EXPECT_TRUE(inSight(button)) << pane->metaObject()->className() << " " << button->text().toStdString();
            }
        EXPECT_EQ(found, 2) << pane->metaObject()->className();
    }
    window->closeWindow();
}
