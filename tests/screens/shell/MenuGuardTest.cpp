// Menu items and application actions: refused while anything is up or before the welcome window
// was passed; the scan list saved at the end.
#include "screens/shell/AllViewControllers.h"
#include "screens/shell/ScreenNames.h"
#include "screens/shell/AppDelegate.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/shell/ViewController.h"
#include "screens/welcome/StartupVC.h"
#include "controls/SYFlatButton.h"
#include "model/TextLookup.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/WindowController.h"
#include "support/ShellFixtures.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QtTest/QTest>

using platform::UserDefaults;

class MenuGuardTest : public HomeScreenTest
{
protected:
    void SetUp() override
    {
        HomeScreenTest::SetUp();
        delegate = std::make_unique<AppDelegate>();
        delegate->quitApplication = [this] { ++quits; };
        UserDefaults::standard().setBool("StartupTWK", true);
        delegate->isAllowToPreference = true;
    }

    void TearDown() override
    {
        delegate.reset();
        HomeScreenTest::TearDown();
    }

    std::unique_ptr<AppDelegate> delegate;
    int quits = 0;
};

TEST_F(MenuGuardTest, ItemsAreEnabledOnlyOnceTheHomeScreenShowsAndNothingIsUp)
{
    EXPECT_TRUE(delegate->validateMenuItem(delegate->menuItemQuit));
    UserDefaults::standard().setBool("IsPopUpTWK", true);
    EXPECT_FALSE(delegate->validateMenuItem(delegate->menuItemQuit));
    UserDefaults::standard().setBool("IsPopUpTWK", false);

    window->setContentViewController(nullptr); // splash still up
    EXPECT_FALSE(delegate->validateMenuItem(delegate->menuItemPreferences));
    window->setContentViewController(home);
    UserDefaults::standard().removeObject("StartupTWK"); // welcome window still up
    EXPECT_FALSE(delegate->validateMenuItem(delegate->menuItemAbout));
}

TEST_F(MenuGuardTest, QuitAndPreferencesAreRefusedInPopUpMode)
{
    home->setPopUpMode(true);
    delegate->tappedExit();
    delegate->tappedPreferences();
    EXPECT_EQ(quits, 0);
    EXPECT_FALSE(delegate->hasTerminated());
    EXPECT_EQ(AllViewControllers::cachedController(ScreenName::preferencesWindowController), nullptr);
    EXPECT_FALSE(window->windowShouldClose());

    home->closeToExitVC();
    delegate->tappedPreferences();
    ASSERT_NE(AllViewControllers::cachedController(ScreenName::preferencesWindowController), nullptr);
    EXPECT_TRUE(preferencesWindowController()->isVisible());
    delegate->tappedExit();
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(delegate->hasTerminated());
}

TEST_F(MenuGuardTest, AnOpenSheetRefusesQuitEvenWhenTheFlagWasClearedByItsCloser)
{
    home->setPopUpMode(false);
    auto *sheet = new QDialog(window);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->show();
    // Another screen cleared the flag directly while its sheet is still up.
    UserDefaults::standard().setBool("IsPopUpTWK", false);
    EXPECT_TRUE(delegate->isQuitRefused());
    delegate->tappedExit();
    EXPECT_EQ(quits, 0);
    // The relaunch after an update waits as well.
    delegate->callTerminate();
    EXPECT_FALSE(delegate->relaunchRequested());
    EXPECT_EQ(quits, 0);
    delete sheet;
    EXPECT_FALSE(delegate->isQuitRefused());
    delegate->callTerminate();
    EXPECT_TRUE(delegate->relaunchRequested());
    EXPECT_EQ(quits, 1);
}

TEST_F(MenuGuardTest, BeforeTheWelcomeWasPassedOnlyQuitActs)
{
    UserDefaults::standard().removeObject("StartupTWK");
    delegate->tappedPreferences();
    delegate->tappedAbout();
    EXPECT_FALSE(UserDefaults::standard().boolForKey("IsPopUpTWK"));
    EXPECT_EQ(AllViewControllers::cachedController(ScreenName::preferencesWindowController), nullptr);
    delegate->tappedExit();
    EXPECT_EQ(quits, 1);
}

TEST_F(MenuGuardTest, AboutPutsTheHomeIntoPopUpMode)
{
    delegate->tappedAbout();
    EXPECT_TRUE(UserDefaults::standard().boolForKey("IsPopUpTWK"));
    EXPECT_EQ(aboutVC()->parentWidget(), home);
    EXPECT_FALSE(delegate->validateMenuItem(delegate->menuItemAbout));
}

namespace {

// A menu title as shown, without its mnemonic marker ("&&" shows one ampersand).
QString shownTitle(const QString &title)
{
    QString shown;
    for (int i = 0; i < title.size(); ++i) {
        if (title[i] == QLatin1Char('&') && i + 1 < title.size())
            ++i;
        shown += title[i];
    }
    return shown;
}

// The key of a title's mnemonic, lower-cased; a null character when it has none.
QChar mnemonicOf(const QString &title)
{
    for (int i = 0; i + 1 < title.size(); ++i) {
        if (title[i] != QLatin1Char('&'))
            continue;
        if (title[i + 1] != QLatin1Char('&'))
            return title[i + 1].toLower();
        ++i;
    }
    return QChar();
}

} // namespace

TEST_F(MenuGuardTest, MenuTitlesComeFromTheLanguageTableWithTheirOwnMnemonics)
{
    QMenuBar *bar = delegate->buildMenuBar(window);
    delegate->localizeMenuTitles();
    EXPECT_EQ(shownTitle(delegate->menuItemQuit->text()),
              localizedText("IDS_TWK_346") + " " + localizedText("IDS_TWK_1"));
    EXPECT_EQ(shownTitle(delegate->menuItemTwinsiftHelp->text()),
              localizedText("IDS_TWK_1") + " " + localizedText("IDS_TWK_351"));
    EXPECT_FALSE(delegate->menuItemPreferences->text().isEmpty());

    // Alt opens each menu by its own letter, and each item of a menu has a letter of its own.
    QSet<QChar> menuKeys;
    for (QAction *menu : bar->actions()) {
        const QChar key = mnemonicOf(menu->text());
        ASSERT_FALSE(key.isNull()) << qPrintable(menu->text());
        EXPECT_FALSE(menuKeys.contains(key)) << qPrintable(menu->text());
        menuKeys.insert(key);
        QSet<QChar> itemKeys;
        for (QAction *item : menu->menu()->actions()) {
            if (item->isSeparator())
                continue;
            const QChar itemKey = mnemonicOf(item->text());
            EXPECT_FALSE(itemKey.isNull()) << qPrintable(item->text());
            EXPECT_FALSE(itemKeys.contains(itemKey)) << qPrintable(item->text());
            itemKeys.insert(itemKey);
        }
    }
    // Building the titles again keeps one marker per title.
    delegate->localizeMenuTitles();
    EXPECT_EQ(delegate->menuItemAppName->text().count(QLatin1Char('&')), 1);
}

TEST_F(MenuGuardTest, QuitShortcutWorksAgainAsSoonAsPopUpModeEndsOrTheHomeScreenShows)
{
    QMenuBar *bar = delegate->buildMenuBar(window);
    window->setMenuBar(bar);
    QMenu *appMenu = bar->actions().first()->menu();
    ASSERT_NE(appMenu, nullptr);
    // The splash is up: a menu opened now shows the items disabled.
    window->setContentViewController(nullptr);
    emit appMenu->aboutToShow();
    EXPECT_FALSE(delegate->menuItemQuit->isEnabled());
    delegate->dismissSplash();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1) << "Ctrl+Q after the splash";

    // An overlay is up and a menu was opened meanwhile.
    home->setPopUpMode(true);
    emit appMenu->aboutToShow();
    QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1) << "Ctrl+Q during pop-up mode";
    home->closeToExitVC();
    ASSERT_TRUE(waitFor([] { return !UserDefaults::standard().boolForKey("IsPopUpTWK"); }));
    EXPECT_TRUE(delegate->menuItemQuit->isEnabled());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 2) << "Ctrl+Q once pop-up mode ended";

    // Pop-up mode starting disables the shortcut at once, without a menu being opened.
    home->setPopUpMode(true);
    EXPECT_FALSE(delegate->menuItemQuit->isEnabled());
    EXPECT_FALSE(delegate->menuItemAbout->isEnabled());
}

// First launch: Get started on the welcome window shows the home window with its keys working at
// once, before any menu was opened.
TEST_F(MenuGuardTest, AfterGetStartedTheKeysActWithoutAMenuOpenedFirst)
{
    UserDefaults::standard().removeObject("StartupTWK");
    delegate->isAllowToPreference = false;
    window->setMenuBar(delegate->buildMenuBar(window));
    window->setContentViewController(nullptr);
    window->hide();
    delegate->showFirstWindow();
    auto *welcome = startupVC();
    ASSERT_TRUE(welcome->isVisible());
    welcome->btnGetstarted->click();
    ASSERT_TRUE(window->isVisible());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Comma, Qt::ControlModifier);
    ASSERT_NE(AllViewControllers::cachedController(ScreenName::preferencesWindowController), nullptr);
    QWidget *preferences = preferencesWindowController();
    EXPECT_TRUE(preferences->isVisible());
    // The menu's keys serve every window of the program, as one menu bar would.
    preferences->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(preferences));
    QTest::keyClick(preferences, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1) << "Ctrl+Q from Preferences";
    preferences->close();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 2);
}

TEST_F(MenuGuardTest, TheScanListIsSavedAtTheEnd)
{
    InitialDirectory a(QUrl::fromLocalFile("/tmp/a")), b(QUrl::fromLocalFile("/tmp/b")),
        c(QUrl::fromLocalFile("/tmp/c"));
    b.isChecked = false;
    HubScreens::setScanList({a, b, c});
    delegate->tappedExit();
    EXPECT_EQ(UserDefaults::standard().stringArrayForKey("SelectedURLs"), QStringList({"/tmp/a", "/tmp/b", "/tmp/c"}));
    EXPECT_EQ(UserDefaults::standard().arrayForKey("SelectedURLsChecked"),
              QVariantList({QVariant(true), QVariant(false), QVariant(true)}));

    HubScreens::setScanList({});
    delegate->saveScanList();
    EXPECT_EQ(UserDefaults::standard().stringArrayForKey("SelectedURLs"), QStringList());
    EXPECT_EQ(UserDefaults::standard().arrayForKey("SelectedURLsChecked"), QVariantList());
}
