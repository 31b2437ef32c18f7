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
#include "app/AboutVC.h"
#include "app/AddFilesVC.h"
#include "app/ExactMatchVC.h"
#include "app/SplashVC.h"
#include "app/StartupVC.h"
#include "app/ToolTipsDetailsVC.h"
#include "results/AfterDeleteStatusVC.h"
#include "results/NoSimilarDuplicatePhotosFoundVC.h"
#include "results/ScanResultVC.h"
#include "results/grid/ThumbnailVC.h"
#include "results/list/ListViewVC.h"
#include "scan/sheet/AfterMoveInPhotoLibraryVC.h"
#include "scan/sheet/CancelScanningVC.h"
#include "scan/sheet/ScanVC.h"

#include <QString>
#include <QWidget>

class ViewController;
class InitialWindowController;
class MVNAssistance;
namespace platform {
class Storyboard;
class WindowController;
}

// ---- "Main" ----
ScanVC *scanVC();                                    // "Scan"
ThumbnailVC *thumbnailVC();                               // "Thumbnail"
ScanResultVC *scanResultVC();                              // "ScanResult"
ListViewVC *listViewVC();                                // "ListView"
QWidget *filePropertiesVC();                          // "FileProperties"
NoSimilarDuplicatePhotosFoundVC *noSimilarDuplicatePhotosFoundVC();           // "NoSimilarDuplicatePhotosFound"
AddFilesVC *addFilesVC();                                // "AddFiles"
ViewController *homeViewController();                 // "ViewController"
AfterMoveInPhotoLibraryVC *afterMoveInPhotoLibraryVC();                 // "AfterMoveInPhotoLibrary"
AfterDeleteStatusVC *afterDeleteStatusVC();                       // "AfterDeleteStatus"
QWidget *similarMatchesVC();                          // "SimilarMatches"
InitialWindowController *initialWindowController();   // "InitialWindowController"
platform::WindowController *splashWindowController(); // "SplashWindowController"
platform::WindowController *startupWindowController();// "StartupWindow"
SplashVC *splashVC();                                  // "Splash"
ExactMatchVC *exactMatchVC();                              // "ExactMatch"
QWidget *autoMarkSelectionDialogVC();                 // "AutoMark"
QWidget *backToHomeDialogVC();                        // "BackToHome"
QWidget *deleteDuplicatePhotosVC();                   // "DeleteDuplicatePhotos"
StartupVC *startupVC();                                 // "Startup"
AboutVC *aboutVC();                                   // "About"
CancelScanningVC *cancelScanningVC();                          // "CancelScanning"
ToolTipsDetailsVC *toolTipsDetailsVC();                         // "ToolTipsDetails"

// ---- "Preferences" ----
QWidget *selectionPriorityPreferencesVC();                  // "SelectionPriorityPreferences"
QWidget *selectionWizardPreferencesVC();                    // "SelectionWizardPreferences"
platform::WindowController *preferencesWindowController();  // "PreferencesWindowController"
QWidget *preferencesTabViewController();                    // "PreferencesTabVC"
QWidget *fileFormatsPreferencesVC();                        // "FileFormatsPreferences"
QWidget *foldersPreferencesVC();                            // "FoldersPreferences"

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
