// The main window fits the screen it opens on: its first frame lies inside the screen's free area
// (a 1280 x 720 logical screen, as 1920 x 1080 at 150 % gives, with a panel), and its smallest
// size still shows the whole home screen, the right column scrolling where it must.
// CTest runs this file also on 1280 x 720 screens at 100 %, 150 % and 200 % scaling.
#include "screens/shell/AppDelegate.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/shell/ViewController.h"
#include "controls/SYFlatButton.h"
#include "platform/widgets/WindowPosition.h"
#include "support/ShellFixtures.h"

#include <QFrame>
#include <QMenuBar>
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
