#pragma once

#include "platform/Updater.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QUrl>

#include <functional>
#include <map>
#include <optional>

class QAction;
class QMenu;
class QMenuBar;
class ViewController;

// The index of the preferences tab shown first; the Preferences menu action sets it to 0.
extern int selectedPreferencesTab;

// The application delegate: prepares the settings and shared state before the first window is
// shown, picks the welcome window or the splash screen, keeps the update schedule, carries the
// menus and their actions, and saves the scan list when the application ends.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    // How the update check of this launch was scheduled.
    enum class ScheduledCheck { None, AutoInstall, CheckOnly };

    explicit AppDelegate(QObject *parent = nullptr);
    ~AppDelegate() override;

    // The delegate of the running application (the last one made), or nullptr.
    static AppDelegate *shared();

    // ---- launch
    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    void dismissSplash();
    // The launch steps that write and load the settings (steps of applicationWillFinishLaunching).
    void writeAbsentSettingDefaults();
    void resetPerRunFlags();
    void loadLanguageAndDefaultRules();
    void syncProtectedFolderDefaults();
    void rebuildExcludedFolders();
    void registerAlertDefaults();
    void showFirstWindow();
    // Reads "FirstRunTWK" and "AutoCheckForUpdateTWK" and schedules the check 5.0 seconds ahead.
    ScheduledCheck scheduleUpdateCheck();
    ScheduledCheck scheduledCheck() const { return m_scheduledCheck; }

    // ---- updates
    // Makes the updater (once). A check the user asked for shows its answer; a check of the
    // program's own shows only a newer version, each version once, and never downloads it.
    void makeUpdater();
    void checkForUpdate();
    void autoInstallUpdates();
    void userCheckForUpdates();
    // Callbacks of the updater in the automatic mode.
    void updaterWillDownloadUpdate();
    void updaterDidDownloadUpdate();
    // Restarts the program (same program file and arguments, no shell) when it is idle; while a
    // sheet, scan or deletion is up nothing is interrupted and the update waits for the next start.
    void callTerminate();
    // True once a restart after the end of the event loop was asked for.
    bool relaunchRequested() const { return m_relaunchRequested; }
    // Starts the new instance; main() calls it after the event loop has ended.
    static bool relaunch();

    // ---- menus and actions
    QMenuBar *buildMenuBar(QWidget *parent);
    void localizeMenuTitles();
    bool validateMenuItem(QAction *item) const;
    void tappedPreferences();
    void tappedAbout();
    void twkHelp();
    void showTWK();
    void tappedExit();
    void saveAction() { }
    bool applicationShouldHandleReopen();
    bool applicationShouldTerminate() { return true; }
    void applicationWillTerminate();
    void saveScanList();

    // True while quitting (and closing the main window) is refused: pop-up mode is on, or a sheet,
    // an overlay, a scan, a deletion or a marking on the worker is up.
    bool isQuitRefused() const;
    // Ends the application: saves the scan list and leaves the event loop.
    void terminate();

    static QUrl helpPageURL();

    // ---- outlets
    QAction *menuItemPreferences = nullptr;
    QAction *menuItemCheckForUpdate = nullptr;
    QAction *menuItemShowTWK = nullptr;
    QAction *menuItemAppName = nullptr;
    QAction *menuItemAbout = nullptr;
    QAction *menuItemQuit = nullptr;
    QAction *menuItemHelp = nullptr;
    QAction *menuItemTwinsiftHelp = nullptr;
    QAction *menuItemOtherApps = nullptr;
    QAction *menuItemHideTwinsift = nullptr;
    QAction *menuItemHideOthers = nullptr;
    QAction *menuItemShowAll = nullptr;
    QAction *menuItemWindow = nullptr;
    QAction *menuItemMinimize = nullptr;
    QAction *menuItemZoom = nullptr;
    QAction *menuItemBringAllToFront = nullptr;

    bool isAllowToPreference = true;
    platform::Updater *updater = nullptr;

    // Leaves the event loop; terminate() calls it last. Tests replace it.
    std::function<void()> quitApplication;

    // Set once terminate() ran (the scan list was saved).
    bool hasTerminated() const { return m_terminated; }

    // Enables or disables the items the delegate serves by validateMenuItem; runs when a menu
    // opens, when pop-up mode starts or ends and when the home screen is shown.
    void refreshMenuStates();
    // Keeps the menu items in step with the pop-up mode of the home screen.
    void followPopUpMode(ViewController *home);

private:
    // A language text as a menu title: its ampersands shown, not taken as mnemonics.
    static QString escapedMenuTitle(const QString &title);
    // Gives each item of one menu (or each menu of the bar) its own Alt mnemonic.
    static void assignMnemonics(const QList<QAction *> &items, const std::map<QAction *, QString> &titles);
    // Shows the main window with the home screen and gives the Preferences and update items back
    // (the end of the splash, or Get started in the welcome window).
    void showHomeWindow();
    // Shows once that the settings were reset because their file could not be read.
    void tellIfSettingsWereReset();
    // Shows once, over the home window, that the settings could not be written, so the changes of
    // this run will not be kept; a failure before the home window shows waits for it.
    void tellIfSettingsCannotBeSaved();
    void makeMenuItems();
    bool passesCommonGuard() const;
    QWidget *mainWindowContent() const;

    void showUpdateCheckResult(const platform::Updater::CheckResult &result, bool wait);
    void showPendingUpdateNotice();

    ScheduledCheck m_scheduledCheck = ScheduledCheck::None;
    bool m_relaunchRequested = false;
    bool m_terminated = false;
    bool m_homeWindowShown = false;
    QPointer<QMenuBar> m_menuBar;
    QPointer<ViewController> m_followedHome;
    QString m_appMenuTitle;
    QSet<QString> m_announcedVersions;
    std::optional<platform::Updater::CheckResult> m_pendingUpdateNotice;
};
