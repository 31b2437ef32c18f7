#pragma once

// The screen registry. Every screen, window controller and dialog exists at most once and is
// reached through its getter below. A getter returns the cached controller and makes it on first
// use from the storyboard "Main" or "Preferences" by its identifier. Controllers are QWidgets (the
// controller is its own view). All getters run on the main thread.
//
// clearScanControllers() empties the slots of the grid, the list and the scan sheet (the
// controllers are destroyed once control returns to the event loop); the next call of those
// getters makes fresh ones. No other slot is emptied during a run.

// The controllers' classes are included so that every getter converts to QWidget * where only
// the widget is needed.
#include "screens/welcome/AboutVC.h"
#include "screens/home/AddFilesVC.h"
#include "screens/home/ExactMatchVC.h"
#include "screens/welcome/SplashVC.h"
#include "screens/welcome/StartupVC.h"
#include "screens/welcome/ToolTipsDetailsVC.h"
#include "screens/results/AfterDeleteStatusVC.h"
#include "screens/results/NoSimilarDuplicatePhotosFoundVC.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "screens/sheet/AfterMoveInPhotoLibraryVC.h"
#include "screens/sheet/CancelScanningVC.h"
#include "screens/sheet/ScanVC.h"

#include <QString>
#include <QWidget>

class ViewController;
class InitialWindowController;
class MVNAssistance;
namespace platform {
class Storyboard;
class WindowController;
} // namespace platform

// ---- "Main" ----
ScanVC *scanVC();                                                   // "Scan"
ThumbnailVC *thumbnailVC();                                         // "Thumbnail"
ScanResultVC *scanResultVC();                                       // "ScanResult"
ListViewVC *listViewVC();                                           // "ListView"
QWidget *filePropertiesVC();                                        // "FileProperties"
NoSimilarDuplicatePhotosFoundVC *noSimilarDuplicatePhotosFoundVC(); // "NoSimilarDuplicatePhotosFound"
AddFilesVC *addFilesVC();                                           // "AddFiles"
ViewController *homeViewController();                               // "ViewController"
AfterMoveInPhotoLibraryVC *afterMoveInPhotoLibraryVC();             // "AfterMoveInPhotoLibrary"
AfterDeleteStatusVC *afterDeleteStatusVC();                         // "AfterDeleteStatus"
QWidget *similarMatchesVC();                                        // "SimilarMatches"
InitialWindowController *initialWindowController();                 // "InitialWindowController"
platform::WindowController *splashWindowController();               // "SplashWindowController"
platform::WindowController *startupWindowController();              // "StartupWindow"
SplashVC *splashVC();                                               // "Splash"
ExactMatchVC *exactMatchVC();                                       // "ExactMatch"
QWidget *autoMarkSelectionDialogVC();                               // "AutoMark"
QWidget *backToHomeDialogVC();                                      // "BackToHome"
QWidget *deleteDuplicatePhotosVC();                                 // "DeleteDuplicatePhotos"
StartupVC *startupVC();                                             // "Startup"
AboutVC *aboutVC();                                                 // "About"
CancelScanningVC *cancelScanningVC();                               // "CancelScanning"
ToolTipsDetailsVC *toolTipsDetailsVC();                             // "ToolTipsDetails"

// ---- "Preferences" ----
QWidget *selectionPriorityPreferencesVC();                 // "SelectionPriorityPreferences"
QWidget *selectionWizardPreferencesVC();                   // "SelectionWizardPreferences"
platform::WindowController *preferencesWindowController(); // "PreferencesWindowController"
QWidget *preferencesTabViewController();                   // "PreferencesTabVC"
QWidget *fileFormatsPreferencesVC();                       // "FileFormatsPreferences"
QWidget *foldersPreferencesVC();                           // "FoldersPreferences"

class AllViewControllers
{
public:
    // Empties the slots of thumbnailVC, listViewVC and scanVC, in that order.
    static void clearScanControllers();

    // The controller cached under an identifier, or nullptr when its slot is empty (the getter has
    // not run yet, or the slot was cleared). Never creates anything.
    static QWidget *cachedController(const QString &identifier);
    template <class T>
    static T *cached(const QString &identifier)
    {
        return qobject_cast<T *>(cachedController(identifier));
    }

    // The storyboard objects, created on first use and kept for the run.
    static platform::Storyboard &mainStoryboard();
    static platform::Storyboard &preferencesStoryboard();
    // How many times a storyboard object of that name was created (1 after first use).
    static int storyboardCreationCount(const QString &name);

    // Destroys every cached controller and empties every slot. The application calls it once,
    // after its event loop has ended; tests call it between cases.
    static void releaseAll();
};

// The other-apps window, made on the first request and kept for the run ("OtherAppsWindow").
class OtherAppsWindow;
OtherAppsWindow *otherAppsWindowController();
