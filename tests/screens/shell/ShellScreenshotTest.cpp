// The main window's look at the usual and at the smallest size: everything the home screen shows
// lies inside the window, the texts fit their labels, and nothing of the right column overlaps.
// Set TWINSIFT_SHOT_DIR to keep the pictures.
#include "screens/shell/AllViewControllers.h"
#include "screens/shell/AppDelegate.h"
#include "screens/shell/CustomAnimator.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/shell/Theme.h"
#include "screens/shell/ViewController.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/WindowController.h"
#include "controls/SYFlatButton.h"
#include "support/ScreenChecks.h"
#include "support/ShellFixtures.h"
#include "screens/welcome/AboutVC.h"

#include <QDir>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QStyleFactory>

class ShellScreenshotTest : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        oldStyle = QApplication::style()->name();
        oldPalette = QApplication::palette();
        Theme::applyApplicationTheme();
    }

    void TearDown() override
    {
        ShellTest::TearDown();
        QApplication::setStyle(QStyleFactory::create(oldStyle));
        QApplication::setPalette(oldPalette);
    }

    // Keeps a picture for people to look at (TWINSIFT_SHOT_DIR).
    static void save(QWidget *widget, const QString &name) { screenchecks::pictureFor(widget, name); }

    // A visible widget lies inside `outer` and shows its whole text.
    static void expectInside(QWidget *widget, QWidget *outer, const char *what)
    {
        if (!widget->isVisibleTo(outer))
            return;
        const QRect area(widget->mapTo(outer, QPoint(0, 0)), widget->size());
        EXPECT_TRUE(outer->rect().contains(area)) << what;
        if (auto *label = qobject_cast<QLabel *>(widget); label && !label->wordWrap() && label->pixmap().isNull()) {
            EXPECT_GE(label->width(), label->sizeHint().width()) << what << " is cut off";
        }
    }

    QString oldStyle;
    QPalette oldPalette;
};

TEST_F(ShellScreenshotTest, HomeScreenFitsAtTheUsualAndTheSmallestSize)
{
    // The application icon ships with the program (the desktop entry uses the same file).
    EXPECT_FALSE(QImage(":/images/twinsift.png").isNull());
    AppDelegate delegate;
    InitialWindowController *window = initialWindowController();
    window->setMenuBar(delegate.buildMenuBar(window));
    ViewController *home = homeViewController();
    window->setContentViewController(home);
    window->show();

    for (const QSize size : {QSize(1280, 800), window->minimumSize(), QSize(1600, 1000)}) {
        window->resize(size);
        QCoreApplication::processEvents();
        const QString tag = QString("%1x%2").arg(size.width()).arg(size.height());
        for (auto [widget, what] :
             std::initializer_list<std::pair<QWidget *, const char *>>{{home->lblTitle, "title"},
                                                                       {home->lblAddFiles, "scan list caption"},
                                                                       {home->lblDraganddropphotoshere, "drop hint"},
                                                                       {home->btnSimilarMatch, "similar mode"},
                                                                       {home->btnExactMatch, "exact mode"},
                                                                       {home->lblSimilarMatch, "similar caption"},
                                                                       {home->lblExactMatch, "exact caption"},
                                                                       {home->imgViewMatches, "mode picture"},
                                                                       {home->customViewMatches, "settings panel"},
                                                                       {home->boxScanForDuplicate, "scan button"},
                                                                       {home->lblScanForDuplicate, "scan caption"},
                                                                       {home->customViewAddFiles, "scan list"}})
            expectInside(widget, home, what);
        // The right column's parts follow each other without overlapping.
        auto top = [home](QWidget *w) { return w->mapTo(home, QPoint(0, 0)).y(); };
        EXPECT_LE(top(home->btnExactMatch) + home->btnExactMatch->height(), top(home->imgViewMatches))
            << qPrintable(tag);
        EXPECT_LE(top(home->rightColumnScroller) + home->rightColumnScroller->height(), top(home->boxScanForDuplicate))
            << qPrintable(tag);
        save(window, "home-" + tag);
    }

    window->resize(1280, 800);
    QCoreApplication::processEvents();
    QDir(tempPath("")).mkpath("Pictures");
    InitialDirectory folder(QUrl::fromLocalFile(tempPath("Pictures")));
    setScanList({folder});
    addFilesVC()->reloadTable();
    home->isFilesNotSelected();
    EXPECT_TRUE(home->scanButtonHasEnabledLook());
    home->tappedExactMatches();
    save(window, "home-exact");
    home->setPopUpMode(true);
    // The dark layer covers the whole home view and takes the pointer.
    QWidget *layer = home->findChild<QWidget *>("boxTopBlackLayer");
    ASSERT_TRUE(layer && layer->isVisible());
    EXPECT_EQ(layer->geometry(), home->rect());
    EXPECT_EQ(home->childAt(home->btnExactMatch->mapTo(home, home->btnExactMatch->rect().center())), layer);
    save(window, "home-popup");
    home->closeToExitVC();

    // An overlay at the end of its slide covers the home view.
    home->makeSharedAnimator(0.01);
    home->presentOverlay(true, aboutVC());
    ASSERT_TRUE(waitFor([&] { return aboutVC()->geometry() == CustomAnimator::finalGeometry(aboutVC(), home); }));
    QCoreApplication::processEvents();
    screenchecks::expectLaidOutWhole(aboutVC(), "about overlay");
    EXPECT_TRUE(home->rect().contains(aboutVC()->geometry()));
    save(window, "home-about-overlay");
}

TEST_F(ShellScreenshotTest, FirstWindowsUnderTheApplicationTheme)
{
    AppDelegate delegate;
    delegate.showFirstWindow();
    QCoreApplication::processEvents();
    screenchecks::expectLaidOutWhole(startupWindowController(), "welcome window");
    save(startupWindowController(), "launch-welcome");
    startupWindowController()->closeWindow();
    platform::UserDefaults::standard().setBool("StartupTWK", true);
    delegate.showFirstWindow();
    QCoreApplication::processEvents();
    screenchecks::expectLaidOutWhole(splashWindowController(), "splash window");
    save(splashWindowController(), "launch-splash");
    delegate.tappedPreferences();
}
