#include "screens/shell/AllViewControllers.h"
#include "screens/shell/ScreenNames.h"

#include "screens/results/FilePropertiesVC.h"

#include "screens/welcome/AboutVC.h"
#include "screens/home/AddFilesVC.h"
#include "screens/home/ExactMatchVC.h"
#include "screens/home/SimilarMatchesVC.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/preferences/PreferencesTabViewController.h"
#include "screens/preferences/PreferencesWindow.h"
#include "screens/promotion/OtherAppsWindow.h"
#include "screens/welcome/SplashVC.h"
#include "screens/welcome/StartupVC.h"
#include "screens/welcome/ToolTipsDetailsVC.h"
#include "screens/shell/ViewController.h"
#include "model/TextLookup.h"
#include "platform/Log.h"
#include "platform/widgets/Storyboard.h"
#include "platform/widgets/WindowController.h"
#include "screens/results/AfterDeleteStatusVC.h"
#include "screens/results/AutoMarkSelectionDialogVC.h"
#include "screens/results/BackToHomeDialogVC.h"
#include "screens/results/DeleteDuplicatePhotosVC.h"
#include "screens/results/NoSimilarDuplicatePhotosFoundVC.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "screens/sheet/AfterMoveInPhotoLibraryVC.h"
#include "screens/sheet/CancelScanningVC.h"
#include "screens/sheet/ScanSheetFactories.h"
#include "screens/sheet/ScanVC.h"
#include "screens/wizard/FileFormatsPreferencesVC.h"
#include "screens/wizard/FoldersPreferencesVC.h"
#include "screens/wizard/SelectionPriorityPreferencesVC.h"
#include "screens/wizard/SelectionWizardPreferencesVC.h"

#include <QDebug>
#include <QPointer>

#include <map>
#include <memory>

namespace {

struct Registry {
    std::unique_ptr<platform::Storyboard> main;
    std::unique_ptr<platform::Storyboard> preferences;
    std::map<QString, int> storyboardCreations;
    std::map<QString, QPointer<QWidget>> cache;
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

// The main window when the registry has made it (opening a window over it never makes it).
QWidget *mainWindowIfMade()
{
    const auto found = registry().cache.find(ScreenName::initialWindowController);
    return found == registry().cache.end() ? nullptr : found->second.data();
}

// A window controller whose content is the registry's controller of `contentGetter`.
template <class Content>
platform::Storyboard::Factory windowWithContent(const QString &title, QSize size, Content *(*contentGetter)())
{
    return [title, size, contentGetter] {
        auto *window = new platform::WindowController;
        window->setWindowTitle(title);
        window->resize(size);
        window->setContentViewController(contentGetter());
        return window;
    };
}

void registerMainFactories(platform::Storyboard &board)
{
    // The results-screen panes and sheets, and the similarity settings pane.
    board.registerFactory(ScreenName::fileProperties, [] { return new FilePropertiesVC; });
    board.registerFactory(ScreenName::autoMark, [] { return new AutoMarkSelectionDialogVC; });
    board.registerFactory(ScreenName::backToHome, [] { return new BackToHomeDialogVC; });
    board.registerFactory(ScreenName::deleteDuplicatePhotos, [] { return new DeleteDuplicatePhotosVC; });
    board.registerFactory(ScreenName::similarMatches, [] { return new SimilarMatchesVC; });

    registerScanSheetFactories(board);
    board.registerFactory(ScreenName::addFiles, [] { return new AddFilesVC; });
    board.registerFactory(ScreenName::exactMatch, [] { return new ExactMatchVC; });
    board.registerFactory(ScreenName::about, [] { return new AboutVC; });
    board.registerFactory(ScreenName::splash, [] { return new SplashVC; });
    board.registerFactory(ScreenName::startup, [] { return new StartupVC; });
    board.registerFactory(ScreenName::toolTipsDetails, [] { return new ToolTipsDetailsVC; });
    board.registerFactory(ScreenName::viewController, [] { return new ViewController; });
    board.registerFactory(ScreenName::initialWindowController, [] { return new InitialWindowController; });
    board.registerFactory(ScreenName::splashWindowController, [] {
        QWidget *window = windowWithContent(QStringLiteral("Twinsift"), QSize(600, 380), &splashVC)();
        window->setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
        return window;
    });
    board.registerFactory(ScreenName::otherAppsWindow, [] {
        auto *window = new OtherAppsWindow;
        window->setCentredOver(mainWindowIfMade);
        window->setClosesOnEscape(true);
        return window;
    });
    board.registerFactory(ScreenName::startupWindow,
                          windowWithContent(QStringLiteral("Twinsift"), QSize(820, 540), &startupVC));
}

void registerPreferencesFactories(platform::Storyboard &board)
{
    board.registerFactory(ScreenName::preferencesTabVC, [] { return new PreferencesTabViewController; });
    board.registerFactory(ScreenName::selectionPriorityPreferences, [] { return new SelectionPriorityPreferencesVC; });
    board.registerFactory(ScreenName::fileFormatsPreferences, [] { return new FileFormatsPreferencesVC; });
    board.registerFactory(ScreenName::foldersPreferences, [] { return new FoldersPreferencesVC; });
    board.registerFactory(ScreenName::selectionWizardPreferences, [] { return new SelectionWizardPreferencesVC; });
    board.registerFactory(ScreenName::preferencesWindowController, [] {
        auto *window = new PreferencesWindow;
        window->setCentredOver(mainWindowIfMade);
        window->setClosesOnEscape(true);
        return window;
    });
}

// The getter of a storyboard controller: the cached one, else a new one made by identifier. A
// storyboard without the identifier, or with another class under it, is a broken build of the
// application and ends it.
template <class T>
T *controller(platform::Storyboard &board, const QString &identifier)
{
    QPointer<QWidget> &slot = registry().cache[identifier];
    if (auto *cachedTyped = qobject_cast<T *>(slot.data()))
        return cachedTyped;
    T *made = board.instantiate<T>(identifier);
    if (!made) {
        logCritical(lcScreens) << "The storyboard" << board.name() << "lacks the controller" << identifier;
        qFatal("A storyboard lacks a controller");
    }
    slot = made;
    return made;
}

QWidget *mainController(QLatin1String identifier)
{
    return controller<QWidget>(AllViewControllers::mainStoryboard(), QString(identifier));
}

template <class T>
T *mainTyped(QLatin1String identifier)
{
    return controller<T>(AllViewControllers::mainStoryboard(), QString(identifier));
}

QWidget *preferencesController(QLatin1String identifier)
{
    return controller<QWidget>(AllViewControllers::preferencesStoryboard(), QString(identifier));
}

void releaseSlot(const QString &identifier)
{
    auto &cache = registry().cache;
    const auto found = cache.find(identifier);
    if (found == cache.end())
        return;
    QPointer<QWidget> widget = found->second;
    cache.erase(found);
    if (widget) {
        widget->hide();
        widget->deleteLater();
    }
}

// The storyboard object of a slot, created with its factories on first use and kept for the run.
platform::Storyboard &storyboard(std::unique_ptr<platform::Storyboard> &slot, const QString &name,
                                 void (*registerFactories)(platform::Storyboard &))
{
    if (!slot) {
        slot = std::make_unique<platform::Storyboard>(name);
        registerFactories(*slot);
        ++registry().storyboardCreations[name];
    }
    return *slot;
}

} // namespace

platform::Storyboard &AllViewControllers::mainStoryboard()
{
    return storyboard(registry().main, QStringLiteral("Main"), &registerMainFactories);
}

platform::Storyboard &AllViewControllers::preferencesStoryboard()
{
    return storyboard(registry().preferences, QStringLiteral("Preferences"), &registerPreferencesFactories);
}

int AllViewControllers::storyboardCreationCount(const QString &name)
{
    const auto &counts = registry().storyboardCreations;
    const auto found = counts.find(name);
    return found == counts.end() ? 0 : found->second;
}

QWidget *AllViewControllers::cachedController(const QString &identifier)
{
    const auto &cache = registry().cache;
    const auto found = cache.find(identifier);
    return found == cache.end() ? nullptr : found->second.data();
}

void AllViewControllers::clearScanControllers()
{
    releaseSlot(ScreenName::thumbnail);
    releaseSlot(ScreenName::listView);
    releaseSlot(ScreenName::scan);
}

void AllViewControllers::releaseAll()
{
    auto &cache = registry().cache;
    // Window controllers first: they hold content controllers that are destroyed on their own.
    std::vector<QPointer<QWidget>> windows, others;
    for (auto &entry : cache) {
        if (qobject_cast<platform::WindowController *>(entry.second.data()))
            windows.push_back(entry.second);
        else
            others.push_back(entry.second);
    }
    cache.clear();
    for (auto &window : windows) {
        if (!window)
            continue;
        if (auto *wc = qobject_cast<platform::WindowController *>(window.data()))
            wc->setContentViewController(nullptr);
        delete window.data();
    }
    for (auto &widget : others)
        if (widget && !widget->parentWidget())
            delete widget.data();
    for (auto &widget : others)
        if (widget)
            delete widget.data();
}

// ---- "Main" ----
ScanVC *scanVC()
{
    return mainTyped<ScanVC>(ScreenName::scan);
}
ThumbnailVC *thumbnailVC()
{
    return mainTyped<ThumbnailVC>(ScreenName::thumbnail);
}
ScanResultVC *scanResultVC()
{
    return mainTyped<ScanResultVC>(ScreenName::scanResult);
}
ListViewVC *listViewVC()
{
    return mainTyped<ListViewVC>(ScreenName::listView);
}
QWidget *filePropertiesVC()
{
    return mainController(ScreenName::fileProperties);
}
NoSimilarDuplicatePhotosFoundVC *noSimilarDuplicatePhotosFoundVC()
{
    return mainTyped<NoSimilarDuplicatePhotosFoundVC>(ScreenName::noSimilarDuplicatePhotosFound);
}
AddFilesVC *addFilesVC()
{
    return mainTyped<AddFilesVC>(ScreenName::addFiles);
}
ViewController *homeViewController()
{
    ViewController *home = controller<ViewController>(AllViewControllers::mainStoryboard(), ScreenName::viewController);
    // The screen embeds other registry screens when it loads, so it loads once it is in its slot.
    home->loadViewIfNeeded();
    return home;
}
AfterMoveInPhotoLibraryVC *afterMoveInPhotoLibraryVC()
{
    return mainTyped<AfterMoveInPhotoLibraryVC>(ScreenName::afterMoveInPhotoLibrary);
}
AfterDeleteStatusVC *afterDeleteStatusVC()
{
    return mainTyped<AfterDeleteStatusVC>(ScreenName::afterDeleteStatus);
}
QWidget *similarMatchesVC()
{
    return mainController(ScreenName::similarMatches);
}
InitialWindowController *initialWindowController()
{
    return controller<InitialWindowController>(AllViewControllers::mainStoryboard(),
                                               ScreenName::initialWindowController);
}
platform::WindowController *splashWindowController()
{
    return controller<platform::WindowController>(AllViewControllers::mainStoryboard(),
                                                  ScreenName::splashWindowController);
}
platform::WindowController *startupWindowController()
{
    return controller<platform::WindowController>(AllViewControllers::mainStoryboard(), ScreenName::startupWindow);
}
SplashVC *splashVC()
{
    return mainTyped<SplashVC>(ScreenName::splash);
}
ExactMatchVC *exactMatchVC()
{
    return mainTyped<ExactMatchVC>(ScreenName::exactMatch);
}
QWidget *autoMarkSelectionDialogVC()
{
    return mainController(ScreenName::autoMark);
}
QWidget *backToHomeDialogVC()
{
    return mainController(ScreenName::backToHome);
}
QWidget *deleteDuplicatePhotosVC()
{
    return mainController(ScreenName::deleteDuplicatePhotos);
}
StartupVC *startupVC()
{
    return mainTyped<StartupVC>(ScreenName::startup);
}
AboutVC *aboutVC()
{
    return mainTyped<AboutVC>(ScreenName::about);
}
CancelScanningVC *cancelScanningVC()
{
    return mainTyped<CancelScanningVC>(ScreenName::cancelScanning);
}
ToolTipsDetailsVC *toolTipsDetailsVC()
{
    return mainTyped<ToolTipsDetailsVC>(ScreenName::toolTipsDetails);
}

// ---- "Preferences" ----
QWidget *selectionPriorityPreferencesVC()
{
    return preferencesController(ScreenName::selectionPriorityPreferences);
}
QWidget *selectionWizardPreferencesVC()
{
    return preferencesController(ScreenName::selectionWizardPreferences);
}
platform::WindowController *preferencesWindowController()
{
    return controller<platform::WindowController>(AllViewControllers::preferencesStoryboard(),
                                                  ScreenName::preferencesWindowController);
}
QWidget *preferencesTabViewController()
{
    return preferencesController(ScreenName::preferencesTabVC);
}
QWidget *fileFormatsPreferencesVC()
{
    return preferencesController(ScreenName::fileFormatsPreferences);
}
QWidget *foldersPreferencesVC()
{
    return preferencesController(ScreenName::foldersPreferences);
}

// ---- other applications ----
OtherAppsWindow *otherAppsWindowController()
{
    return controller<OtherAppsWindow>(AllViewControllers::mainStoryboard(), ScreenName::otherAppsWindow);
}
