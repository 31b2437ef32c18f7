#include "screens/shell/AppDelegate.h"
#include "screens/shell/ScreenNames.h"
#include "engine/AutoMarkRun.h"
#include "engine/AutoMarkRunSignals.h"
#include "platform/Log.h"
#include "screens/promotion/OtherAppsWindow.h"

#include "screens/shell/AllViewControllers.h"
#include "screens/shell/HubScreens.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/welcome/StartupVC.h"
#include "screens/shell/Theme.h"
#include "screens/shell/ViewController.h"
#include "screens/welcome/AboutVC.h"
#include "screens/welcome/SplashVC.h"
#include "model/AutoMark.h"
#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"
#include "platform/Updater.h"
#include "platform/widgets/Alerts.h"
#include "platform/widgets/WindowController.h"
#include "platform/widgets/Workspace.h"
#include "services/LaunchOnStartup.h"
#include "services/MVNAssistance.h"
#include "services/ProtectedFolders.h"
#include "model/SettingsKeys.h"

#include <QAction>
#include <QApplication>
#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSet>

using platform::UserDefaults;

int selectedPreferencesTab = 0;

namespace {

AppDelegate *g_shared = nullptr;

UserDefaults &defaults()
{
    return UserDefaults::standard();
}

QString text(const char *key)
{
    return localizedText(QString::fromLatin1(key));
}

} // namespace

AppDelegate::AppDelegate(QObject *parent)
    : QObject(parent)
{
    g_shared = this;
    quitApplication = [] { QCoreApplication::quit(); };
    // A write of the settings that fails, at launch or later, is told on the main loop.
    defaults().setWriteFailureHandler([this] {
        platform::Dispatch::mainAfter(
            0, [this] { tellIfSettingsCannotBeSaved(); }, this);
    });
    makeMenuItems();
    // A marking on the worker refuses the application actions as pop-up mode does.
    connect(&AutoMarkRunSignals::instance(), &AutoMarkRunSignals::runningChanged, this, [this](bool running) {
        refreshMenuStates();
        if (!running)
            showPendingUpdateNotice();
    });
}

AppDelegate::~AppDelegate()
{
    if (g_shared == this) {
        g_shared = nullptr;
        defaults().setWriteFailureHandler({});
    }
    StartupVC::setGetStartedHandler({});
    StartupVC::setCheckForUpdateHandler({});
}

AppDelegate *AppDelegate::shared()
{
    return g_shared;
}

QUrl AppDelegate::helpPageURL()
{
    return QUrl(QStringLiteral("https://twinsift.app/help/"));
}

// ---- launch ----

void AppDelegate::applicationWillFinishLaunching()
{
    makeUpdater();

    writeAbsentSettingDefaults();
    resetPerRunFlags();
    loadLanguageAndDefaultRules();
    syncProtectedFolderDefaults();
    rebuildExcludedFolders();
    registerAlertDefaults();
    menuItemCheckForUpdate->setVisible(true);
    LaunchOnStartup::addLoginItem(defaults().boolForKey(SettingsKey::loginStartStatus));
    showFirstWindow();
    scheduleUpdateCheck();
}

void AppDelegate::makeUpdater()
{
    if (updater)
        return;
    updater = new platform::Updater(this);
    updater->setAutomaticallyChecksForUpdates(false);
    updater->setAutomaticallyDownloadsUpdates(false);
    connect(updater, &platform::Updater::checkFinished, this,
            [this](const platform::Updater::CheckResult &result, bool userInitiated) {
                if (userInitiated) {
                    showUpdateCheckResult(result, true);
                    return;
                }
                // A check of its own tells only of a newer version, and of each version once.
                if (result.status != platform::Updater::Status::UpdateAvailable
                    || m_announcedVersions.contains(result.newestVersion))
                    return;
                m_announcedVersions.insert(result.newestVersion);
                m_pendingUpdateNotice = result;
                showPendingUpdateNotice();
            });
}

void AppDelegate::showPendingUpdateNotice()
{
    if (!m_pendingUpdateNotice)
        return;
    if (isQuitRefused()) {
        // A sheet, an overlay or a scan is up: the notice waits for the end of pop-up mode.
        if (auto *home = AllViewControllers::cached<ViewController>(ScreenName::viewController))
            connect(home, &ViewController::popUpModeEnded, this, &AppDelegate::showPendingUpdateNotice,
                    Qt::UniqueConnection);
        return;
    }
    const platform::Updater::CheckResult result = *m_pendingUpdateNotice;
    m_pendingUpdateNotice.reset();
    showUpdateCheckResult(result, false);
}

void AppDelegate::showUpdateCheckResult(const platform::Updater::CheckResult &result, bool wait)
{
    QString message, information;
    switch (result.status) {
    case platform::Updater::Status::UpToDate:
        message = text("IDS_TWK_7004");
        information = substitutePlaceholders(text("IDS_TWK_7005"), {updater->currentVersion()});
        break;
    case platform::Updater::Status::UpdateAvailable:
        message = text("IDS_TWK_7006");
        information = substitutePlaceholders(text("IDS_TWK_7007"), {result.newestVersion});
        break;
    case platform::Updater::Status::NoInformation:
        message = text("IDS_TWK_7002");
        information = text("IDS_TWK_7003");
        break;
    }
    auto *box = makeAlert(AllViewControllers::cachedController(ScreenName::initialWindowController),
                          QStringLiteral("updateCheckResult"), QMessageBox::Information, message, message, information);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (wait) {
        box->exec();
        return;
    }
    // Unasked, the notice does not hold up the program: it stays until the user closes it.
    box->setWindowModality(Qt::NonModal);
    keepAlertFrameless(box);
    box->show();
}

void AppDelegate::writeAbsentSettingDefaults()
{
    if (defaults().storedIntegerForKey(SettingsKey::minimumFileSize).value_or(-1) < 0)
        defaults().setUnsigned(SettingsKey::minimumFileSize, 1024);
    if (defaults().typeOf(SettingsKey::minimumFileSizeType) != UserDefaults::Type::String)
        defaults().setString(SettingsKey::minimumFileSizeType, QStringLiteral("KB"));
    if (!defaults().storedIntegerForKey(SettingsKey::scanVideoFilesInExactMatch))
        defaults().setInteger(SettingsKey::scanVideoFilesInExactMatch, 0);
    if (!defaults().holdsBool(SettingsKey::loginStartStatus))
        defaults().setBool(SettingsKey::loginStartStatus, false);
}

void AppDelegate::resetPerRunFlags()
{
    defaults().setBool(SettingsKey::isVisibleSettingTooltips, true);
    defaults().setBool(SettingsKey::isPopUp, false);
    defaults().setBool(SettingsKey::isDelete, false);
    defaults().setBool(SettingsKey::isScan, false);
    defaults().setBool(SettingsKey::isThumbnailSelected, true);
    defaults().setBool(SettingsKey::isSliderAvailable, false);
    defaults().setBool(SettingsKey::isResultVC, false);
}

void AppDelegate::loadLanguageAndDefaultRules()
{
    localizationTable = sharedAssistance().loadPropertyList(QStringLiteral("English"));
    const QByteArray encoded = encodeAutoMarkRules(defaultAutoMarkRules());
    if (!encoded.isEmpty())
        defaults().setData(SettingsKey::autoMark, encoded);
}

void AppDelegate::syncProtectedFolderDefaults()
{
    // A stored list is loaded as the Protected folders pane loads it: a damaged element is skipped
    // (logged) with its flag, and the stored keys are left as they are. Only a missing list, or a
    // value that is no list at all, is seeded.
    if (defaults().arrayForKey(SettingsKey::protectedFolders)) {
        loadProtectedFolders();
        return;
    }
    QStringList paths;
    for (const auto &folder : protectedFolders)
        if (folder.url)
            paths << folder.url->toLocalFile();
    defaults().setStringArray(SettingsKey::protectedFolders, paths);
    QJsonArray flags;
    for (bool flag : protectedSubFolderFlags)
        flags.append(flag);
    defaults().setData(SettingsKey::protectedSubFolders, QJsonDocument(flags).toJson(QJsonDocument::Compact));
}

void AppDelegate::rebuildExcludedFolders()
{
    const QString key = SettingsKey::excludedFolders;
    QStringList paths;
    if (const std::optional<QVariantList> stored = defaults().arrayForKey(key)) {
        // A damaged element is skipped; the user's other exclusions are kept and the stored list
        // is left as it is, never replaced by the system folders.
        // Every stored folder stays excluded: one left out would be scanned, and its files offered
        // for the Trash.
        for (const QVariant &value : *stored) {
            const QString refusal = storedPathRefusal(value);
            if (!refusal.isEmpty()) {
                logWarning(lcScreens) << "Skipped a damaged excluded folder entry (" + refusal + "):"
                                      << value.toString();
                continue;
            }
            paths.append(value.toString());
        }
    } else {
        paths = excludedSystemFolderList();
        defaults().setStringArray(key, paths);
    }
    // The list holds the stored folders from the first launch on (the system folders when nothing
    // was stored yet).
    excludedFolders.clear();
    for (const QString &path : paths)
        excludedFolders.emplace_back(QUrl::fromLocalFile(path));
}

void AppDelegate::registerAlertDefaults()
{
    if (defaults().holdsBool(SettingsKey::confirmBeforeDeletingPhotos))
        loadAlertSettings();
    else
        saveAlertSettings();
}

void AppDelegate::showFirstWindow()
{
    StartupVC::setGetStartedHandler([this] { showHomeWindow(); });
    StartupVC::setCheckForUpdateHandler([this] { checkForUpdate(); });

    if (defaults().holdsBool(SettingsKey::startup)) {
        platform::WindowController *splash = splashWindowController();
        splash->centerOnScreen();
        splash->showWindow(splashVC());
        InitialWindowController *main = initialWindowController();
        main->setIsVisible(false);
        main->setContentViewController(nullptr);
    } else {
        platform::WindowController *welcome = startupWindowController();
        welcome->centerOnScreen();
        welcome->showWindow(startupVC());
    }
}

AppDelegate::ScheduledCheck AppDelegate::scheduleUpdateCheck()
{
    m_scheduledCheck = ScheduledCheck::None;
    if (!defaults().holdsBool(SettingsKey::firstRun)) {
        defaults().setBool(SettingsKey::firstRun, false);
        return m_scheduledCheck;
    }
    const QString key = SettingsKey::autoCheckForUpdate;
    if (!defaults().storedIntegerForKey(key))
        defaults().setInteger(key, 1);
    const qint64 mode = defaults().storedIntegerForKey(key).value_or(1);
    if (mode == 1) {
        m_scheduledCheck = ScheduledCheck::AutoInstall;
        platform::Dispatch::mainAfter(
            5.0, [this] { autoInstallUpdates(); }, this);
    } else if (mode == 0) {
        m_scheduledCheck = ScheduledCheck::CheckOnly;
        platform::Dispatch::mainAfter(
            5.0, [this] { checkForUpdate(); }, this);
    }
    return m_scheduledCheck;
}

void AppDelegate::applicationDidFinishLaunching()
{
    localizeMenuTitles();
    isAllowToPreference = false;
    if (defaults().holdsBool(SettingsKey::startup))
        SplashVC::scheduleDismissal([this] { dismissSplash(); }, this, SplashVC::kDisplaySeconds);
}

void AppDelegate::dismissSplash()
{
    splashWindowController()->closeWindow();
    showHomeWindow();
}

void AppDelegate::showHomeWindow()
{
    InitialWindowController *main = initialWindowController();
    main->setContentViewController(homeViewController());
    main->setIsVisible(true);
    main->showWindow(this);
    menuItemPreferences->setEnabled(true);
    menuItemCheckForUpdate->setEnabled(true);
    isAllowToPreference = true;
    followPopUpMode(homeViewController());
    refreshMenuStates();
    m_homeWindowShown = true;
    tellIfSettingsWereReset();
    tellIfSettingsCannotBeSaved();
}

void AppDelegate::tellIfSettingsWereReset()
{
    // The settings file could not be read and the store started from the defaults: told once,
    // over the home window.
    const std::optional<QString> keptAs = defaults().takeResetNotice();
    if (!keptAs)
        return;
    const QString informative =
        keptAs->isEmpty() ? text("IDS_TWK_8503") : substitutePlaceholders(text("IDS_TWK_8502"), {*keptAs});
    platform::Dispatch::mainAfter(
        0.3, [informative] { showAlert(text("IDS_TWK_8501"), informative); }, this);
}

void AppDelegate::tellIfSettingsCannotBeSaved()
{
    // Not over the welcome window or the splash: the notice stays until the home window shows.
    auto *main = AllViewControllers::cached<InitialWindowController>(ScreenName::initialWindowController);
    if (!m_homeWindowShown || !main || !main->isVisible())
        return;
    const std::optional<UserDefaults::WriteFailure> failure = defaults().takeWriteFailureNotice();
    if (!failure)
        return;
    // Window-modal and not waited for: a write fails at whatever the user is doing.
    QMessageBox *box = makeAlert(
        main, QStringLiteral("settingsNotSavedAlert"), QMessageBox::Warning, text("IDS_TWK_8504"), text("IDS_TWK_8504"),
        substitutePlaceholders(text("IDS_TWK_8505"), {failure->folder, failure->reason}), {{text("IDS_TWK_194")}});
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setEscapeButton(box->defaultButton());
    box->open();
}

// ---- updates ----

void AppDelegate::checkForUpdate()
{
    if (!updater)
        return;
    updater->setAutomaticallyChecksForUpdates(true);
    updater->checkForUpdatesInBackground();
}

void AppDelegate::autoInstallUpdates()
{
    if (!updater)
        return;
    updater->setAutomaticallyChecksForUpdates(true);
    updater->setAutomaticallyDownloadsUpdates(true);
    updater->checkForUpdatesInBackground();
}

void AppDelegate::userCheckForUpdates()
{
    if (!updater || isQuitRefused())
        return;
    updater->checkForUpdates();
}

void AppDelegate::updaterWillDownloadUpdate()
{
    platform::printLine(QStringLiteral("update will download"));
}

void AppDelegate::updaterDidDownloadUpdate()
{
    platform::Dispatch::mainAfter(
        5.0, [this] { callTerminate(); }, this);
    platform::printLine(QStringLiteral("update downloaded"));
}

void AppDelegate::callTerminate()
{
    if (isQuitRefused()) {
        // A sheet, scan or deletion is up: nothing is cut short. The update applies at the next start.
        logInfo(lcScreens) << "update downloaded; it takes effect when Twinsift is next started";
        return;
    }
    m_relaunchRequested = true;
    terminate();
}

bool AppDelegate::relaunch()
{
    const QString program = QCoreApplication::applicationFilePath();
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool started = QProcess::startDetached(program, arguments);
    if (!started)
        logWarning(lcScreens) << "could not restart" << program;
    return started;
}

// ---- menus ----

void AppDelegate::makeMenuItems()
{
    auto make = [this](QAction *&item) { item = new QAction(this); };
    make(menuItemPreferences);
    make(menuItemCheckForUpdate);
    make(menuItemShowTWK);
    make(menuItemAppName);
    make(menuItemAbout);
    make(menuItemQuit);
    make(menuItemHelp);
    make(menuItemTwinsiftHelp);
    make(menuItemOtherApps);
    make(menuItemHideTwinsift);
    make(menuItemHideOthers);
    make(menuItemShowAll);
    make(menuItemWindow);
    make(menuItemMinimize);
    make(menuItemZoom);
    make(menuItemBringAllToFront);

    menuItemPreferences->setShortcut(QKeySequence(QStringLiteral("Ctrl+,")));
    // Ctrl+Q on every Linux desktop (the platform's standard key may be none).
    menuItemQuit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    menuItemMinimize->setShortcut(QKeySequence(QStringLiteral("Ctrl+M")));
    menuItemHideTwinsift->setShortcut(QKeySequence(QStringLiteral("Ctrl+H")));
    menuItemTwinsiftHelp->setShortcut(QKeySequence::HelpContents);
    // The menu bar lives in the main window, but its keys serve every window of the program
    // (Preferences, the wizard, Other Applications) through these same actions, so an item that is
    // disabled refuses its key everywhere.
    for (QAction *item : {menuItemPreferences, menuItemQuit, menuItemTwinsiftHelp})
        item->setShortcutContext(Qt::ApplicationShortcut);
    menuItemPreferences->setMenuRole(QAction::PreferencesRole);
    menuItemQuit->setMenuRole(QAction::QuitRole);
    menuItemAbout->setMenuRole(QAction::AboutRole);

    connect(menuItemPreferences, &QAction::triggered, this, [this] { tappedPreferences(); });
    connect(menuItemAbout, &QAction::triggered, this, [this] { tappedAbout(); });
    connect(menuItemTwinsiftHelp, &QAction::triggered, this, [this] { twkHelp(); });
    connect(menuItemOtherApps, &QAction::triggered, this, [] {
        if (OtherAppsWindow *window = otherAppsWindowController())
            window->showWindow();
    });
    connect(menuItemShowTWK, &QAction::triggered, this, [this] { showTWK(); });
    connect(menuItemQuit, &QAction::triggered, this, [this] { tappedExit(); });
    connect(menuItemCheckForUpdate, &QAction::triggered, this, [this] { userCheckForUpdates(); });

    // The window items act on the main window.
    connect(menuItemMinimize, &QAction::triggered, this, [] {
        if (auto *main = AllViewControllers::cached<InitialWindowController>(ScreenName::initialWindowController))
            main->showMinimized();
    });
    connect(menuItemHideTwinsift, &QAction::triggered, this, [] {
        if (auto *main = AllViewControllers::cached<InitialWindowController>(ScreenName::initialWindowController))
            main->showMinimized();
    });
    connect(menuItemZoom, &QAction::triggered, this, [] {
        auto *main = AllViewControllers::cached<InitialWindowController>(ScreenName::initialWindowController);
        if (!main || main->isWindowLocked())
            return;
        main->isMaximized() ? main->showNormal() : main->showMaximized();
    });
    connect(menuItemBringAllToFront, &QAction::triggered, this, [] {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->isVisible() && !top->isMinimized())
                top->raise();
    });
}

QMenuBar *AppDelegate::buildMenuBar(QWidget *parent)
{
    if (m_menuBar)
        return m_menuBar;
    auto *bar = new QMenuBar(parent);
    auto *appMenu = bar->addMenu(QString());
    appMenu->addAction(menuItemAbout);
    appMenu->addAction(menuItemCheckForUpdate);
    appMenu->addSeparator();
    appMenu->addAction(menuItemPreferences);
    appMenu->addSeparator();
    appMenu->addAction(menuItemHideTwinsift);
    appMenu->addSeparator();
    appMenu->addAction(menuItemQuit);
    menuItemAppName = appMenu->menuAction();

    auto *windowMenu = bar->addMenu(QString());
    windowMenu->addAction(menuItemMinimize);
    windowMenu->addAction(menuItemZoom);
    windowMenu->addSeparator();
    windowMenu->addAction(menuItemShowTWK);
    windowMenu->addAction(menuItemBringAllToFront);
    menuItemWindow = windowMenu->menuAction();

    auto *helpMenu = bar->addMenu(QString());
    helpMenu->addAction(menuItemTwinsiftHelp);
    helpMenu->addAction(menuItemOtherApps);
    menuItemHelp = helpMenu->menuAction();

    for (QMenu *menu : {appMenu, windowMenu, helpMenu})
        connect(menu, &QMenu::aboutToShow, this, [this] { refreshMenuStates(); });
    m_menuBar = bar;
    localizeMenuTitles();
    return bar;
}

void AppDelegate::localizeMenuTitles()
{
    const QString name = text("IDS_TWK_1");
    std::map<QAction *, QString> titles;
    titles[menuItemAbout] = text("IDS_TWK_340") + QLatin1Char(' ') + name;
    titles[menuItemCheckForUpdate] = text("IDS_TWK_353");
    titles[menuItemQuit] = text("IDS_TWK_346") + QLatin1Char(' ') + name;
    titles[menuItemPreferences] = text("IDS_TWK_341");
    titles[menuItemHelp] = text("IDS_TWK_351");
    titles[menuItemTwinsiftHelp] = name + QLatin1Char(' ') + text("IDS_TWK_351");
    titles[menuItemOtherApps] = text("IDS_TWK_8101");
    titles[menuItemShowTWK] = text("IDS_TWK_347") + QLatin1Char(' ') + name;
    titles[menuItemHideTwinsift] = text("IDS_TWK_342") + QLatin1Char(' ') + name;
    titles[menuItemHideOthers] = text("IDS_TWK_343");
    titles[menuItemShowAll] = text("IDS_TWK_344");
    titles[menuItemWindow] = text("IDS_TWK_352");
    titles[menuItemMinimize] = text("IDS_TWK_348");
    titles[menuItemZoom] = text("IDS_TWK_349");
    titles[menuItemBringAllToFront] = text("IDS_TWK_350");
    // The application menu keeps the application's name as its title.
    if (m_appMenuTitle.isEmpty())
        m_appMenuTitle = name.isEmpty() ? QStringLiteral("Twinsift") : name;
    titles[menuItemAppName] = m_appMenuTitle;

    for (const auto &[item, title] : titles)
        item->setText(escapedMenuTitle(title));
    // Alt mnemonics: the menu titles of the bar among themselves, the items within each menu.
    if (m_menuBar) {
        const QList<QAction *> menus = m_menuBar->actions();
        assignMnemonics(menus, titles);
        for (QAction *menu : menus)
            if (menu->menu())
                assignMnemonics(menu->menu()->actions(), titles);
    }
}

QString AppDelegate::escapedMenuTitle(const QString &title)
{
    QString escaped = title;
    return escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
}

void AppDelegate::assignMnemonics(const QList<QAction *> &items, const std::map<QAction *, QString> &titles)
{
    QSet<QChar> taken;
    for (QAction *item : items) {
        const auto found = titles.find(item);
        if (item->isSeparator() || found == titles.end())
            continue;
        const QString &title = found->second;
        // The first letter or digit of the title that no earlier item of the menu took.
        for (int i = 0; i < title.size(); ++i) {
            const QChar key = title[i].toLower();
            if (!title[i].isLetterOrNumber() || taken.contains(key))
                continue;
            taken.insert(key);
            item->setText(escapedMenuTitle(title.left(i)) + QLatin1Char('&') + escapedMenuTitle(title.mid(i)));
            break;
        }
    }
}

void AppDelegate::followPopUpMode(ViewController *home)
{
    if (!home || m_followedHome == home)
        return;
    m_followedHome = home;
    // The menu items (and so their shortcuts) follow pop-up mode at once, not only when a menu
    // is next opened.
    connect(home, &ViewController::popUpModeStarted, this, [this] { refreshMenuStates(); });
    connect(home, &ViewController::popUpModeEnded, this, [this] { refreshMenuStates(); });
}

void AppDelegate::refreshMenuStates()
{
    for (QAction *item : {menuItemPreferences, menuItemAbout, menuItemTwinsiftHelp, menuItemShowTWK, menuItemQuit})
        item->setEnabled(validateMenuItem(item));
    menuItemCheckForUpdate->setEnabled(!isQuitRefused() && validateMenuItem(menuItemCheckForUpdate));
    if (!isAllowToPreference)
        menuItemPreferences->setEnabled(false);
}

QWidget *AppDelegate::mainWindowContent() const
{
    auto *main = AllViewControllers::cached<InitialWindowController>(ScreenName::initialWindowController);
    return main ? main->contentViewController() : nullptr;
}

bool AppDelegate::isQuitRefused() const
{
    if (defaults().boolForKey(SettingsKey::isPopUp) || AutoMarkRun::isRunning())
        return true;
    auto *home = AllViewControllers::cached<ViewController>(ScreenName::viewController);
    return home && home->isViewLoaded() && home->popUpHolderCount() > 0;
}

bool AppDelegate::passesCommonGuard() const
{
    if (isQuitRefused())
        return false;
    return defaults().holdsBool(SettingsKey::startup);
}

bool AppDelegate::validateMenuItem(QAction *) const
{
    if (!passesCommonGuard())
        return false;
    return mainWindowContent() != nullptr;
}

void AppDelegate::tappedPreferences()
{
    if (!passesCommonGuard() || !isAllowToPreference)
        return;
    selectedPreferencesTab = 0;
    preferencesWindowController()->showWindow(preferencesTabViewController());
}

void AppDelegate::tappedAbout()
{
    if (!passesCommonGuard())
        return;
    // Pop-up mode with the window locked, then the About screen slides in over the home screen.
    homeViewController()->presentOverlay(true, aboutVC());
}

void AppDelegate::twkHelp()
{
    if (!passesCommonGuard())
        return;
    platform::Workspace::sharedWorkspace().openURLOrTell(helpPageURL());
}

void AppDelegate::showTWK()
{
    if (!passesCommonGuard())
        return;
    auto *main = AllViewControllers::cached<InitialWindowController>(ScreenName::initialWindowController);
    if (main && main->contentViewController()) {
        main->setIsVisible(true);
        if (main->isMinimized())
            main->showNormal();
        main->raise();
        main->activateWindow();
    }
}

void AppDelegate::tappedExit()
{
    if (isQuitRefused())
        return;
    terminate();
}

bool AppDelegate::applicationShouldHandleReopen()
{
    auto *main = AllViewControllers::cached<InitialWindowController>(ScreenName::initialWindowController);
    if (defaults().holdsBool(SettingsKey::startup) && main && main->contentViewController())
        main->setIsVisible(true);
    return true;
}

void AppDelegate::terminate()
{
    if (!applicationShouldTerminate())
        return;
    if (!m_terminated) {
        m_terminated = true;
        applicationWillTerminate();
    }
    if (quitApplication)
        quitApplication();
}

void AppDelegate::applicationWillTerminate()
{
    saveScanList();
}

void AppDelegate::saveScanList()
{
    const auto list = HubScreens::scanList();
    QStringList paths;
    QVariantList ticks;
    for (const auto &entry : list) {
        if (!entry.url)
            continue;
        paths << entry.url->toLocalFile();
        ticks << QVariant(entry.isChecked);
    }
    defaults().setStringArray(SettingsKey::selectedURLs, paths);
    defaults().setArray(SettingsKey::selectedURLsChecked, ticks);
}
