#pragma once

// The identifiers of the screens, window controllers and dialogs of the two storyboards ("Main" and
// "Preferences"): the one home of the names the registry (AllViewControllers) makes and caches
// them under. Every call that names a screen uses these, never a string of its own.

#include <QLatin1String>

namespace ScreenName {

inline constexpr QLatin1String scan("Scan");
inline constexpr QLatin1String thumbnail("Thumbnail");
inline constexpr QLatin1String scanResult("ScanResult");
inline constexpr QLatin1String listView("ListView");
inline constexpr QLatin1String fileProperties("FileProperties");
inline constexpr QLatin1String noSimilarDuplicatePhotosFound("NoSimilarDuplicatePhotosFound");
inline constexpr QLatin1String addFiles("AddFiles");
inline constexpr QLatin1String viewController("ViewController");
inline constexpr QLatin1String afterMoveInPhotoLibrary("AfterMoveInPhotoLibrary");
inline constexpr QLatin1String afterDeleteStatus("AfterDeleteStatus");
inline constexpr QLatin1String similarMatches("SimilarMatches");
inline constexpr QLatin1String initialWindowController("InitialWindowController");
inline constexpr QLatin1String splashWindowController("SplashWindowController");
inline constexpr QLatin1String startupWindow("StartupWindow");
inline constexpr QLatin1String splash("Splash");
inline constexpr QLatin1String exactMatch("ExactMatch");
inline constexpr QLatin1String autoMark("AutoMark");
inline constexpr QLatin1String backToHome("BackToHome");
inline constexpr QLatin1String deleteDuplicatePhotos("DeleteDuplicatePhotos");
inline constexpr QLatin1String startup("Startup");
inline constexpr QLatin1String about("About");
inline constexpr QLatin1String cancelScanning("CancelScanning");
inline constexpr QLatin1String toolTipsDetails("ToolTipsDetails");
inline constexpr QLatin1String selectionPriorityPreferences("SelectionPriorityPreferences");
inline constexpr QLatin1String selectionWizardPreferences("SelectionWizardPreferences");
inline constexpr QLatin1String preferencesWindowController("PreferencesWindowController");
inline constexpr QLatin1String preferencesTabVC("PreferencesTabVC");
inline constexpr QLatin1String fileFormatsPreferences("FileFormatsPreferences");
inline constexpr QLatin1String foldersPreferences("FoldersPreferences");
inline constexpr QLatin1String otherAppsWindow("OtherAppsWindow");

// Every identifier above, in order.
inline constexpr QLatin1String all[] = {
    scan,
    thumbnail,
    scanResult,
    listView,
    fileProperties,
    noSimilarDuplicatePhotosFound,
    addFiles,
    viewController,
    afterMoveInPhotoLibrary,
    afterDeleteStatus,
    similarMatches,
    initialWindowController,
    splashWindowController,
    startupWindow,
    splash,
    exactMatch,
    autoMark,
    backToHome,
    deleteDuplicatePhotos,
    startup,
    about,
    cancelScanning,
    toolTipsDetails,
    selectionPriorityPreferences,
    selectionWizardPreferences,
    preferencesWindowController,
    preferencesTabVC,
    fileFormatsPreferences,
    foldersPreferences,
    otherAppsWindow,
};

} // namespace ScreenName
