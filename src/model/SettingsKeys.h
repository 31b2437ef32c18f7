#pragma once

// The keys of every value the program keeps in the user's settings store (platform::UserDefaults).
// The texts are the stored file's key names and must never change: a renamed key loses the user's
// setting. Each constant converts to QString where the store's calls take one.

#include <QString>

#include <array>

namespace SettingsKey {

// Scan settings and launch state
inline constexpr QLatin1StringView minimumFileSize{"MinimumFileSizeTWK"};         // bytes
inline constexpr QLatin1StringView minimumFileSizeType{"MinimumFileSizeTypeTWK"}; // "KB" or "MB"
inline constexpr QLatin1StringView scanVideoFilesInExactMatch{"ScanVideoFilesInExactMatchTWK"};
inline constexpr QLatin1StringView loginStartStatus{"LoginStartStatusTWK"};
inline constexpr QLatin1StringView autoCheckForUpdate{"AutoCheckForUpdateTWK"};
inline constexpr QLatin1StringView firstRun{"FirstRunTWK"};
inline constexpr QLatin1StringView startup{"StartupTWK"};
inline constexpr QLatin1StringView tutorialShown{"TutorialShownTWK"};
inline constexpr QLatin1StringView countAdvertise{"CountAdvertiseTWK"};

// Folder lists and selection rules
inline constexpr QLatin1StringView protectedFolders{"ProtectedFoldersTWK"};
inline constexpr QLatin1StringView protectedSubFolders{"ProtectedSubFoldersTWK"};
inline constexpr QLatin1StringView excludedFolders{"ExcludedFoldersTWK"};
inline constexpr QLatin1StringView autoMark{"AutoMarkTWK"};
inline constexpr QLatin1StringView selectedURLs{"SelectedURLs"};
inline constexpr QLatin1StringView selectedURLsChecked{"SelectedURLsChecked"};

// Alert switches
inline constexpr QLatin1StringView confirmBeforeDeletingPhotos{"confirmBeforeDeletingPhotos"};
inline constexpr QLatin1StringView showAutoMarkAlert{"showAutoMarkAlert"};
inline constexpr QLatin1StringView backToHomeAlert{"backToHomeAlert"};

// Screen state flags
inline constexpr QLatin1StringView isPopUp{"IsPopUpTWK"};
inline constexpr QLatin1StringView isScan{"IsScan"};
inline constexpr QLatin1StringView isDelete{"IsDelete"};
inline constexpr QLatin1StringView isVisibleSettingTooltips{"IsVisibleSettingTooltips"};
inline constexpr QLatin1StringView isSliderAvailable{"ISSliderAvailable"};
inline constexpr QLatin1StringView isThumbnailSelected{"IsThumbnailSelected"};
inline constexpr QLatin1StringView isResultVC{"IsResultVC"};

// Every key above, for checks over the whole store.
inline constexpr std::array all{
    minimumFileSize,
    minimumFileSizeType,
    scanVideoFilesInExactMatch,
    loginStartStatus,
    autoCheckForUpdate,
    firstRun,
    startup,
    tutorialShown,
    countAdvertise,
    protectedFolders,
    protectedSubFolders,
    excludedFolders,
    autoMark,
    selectedURLs,
    selectedURLsChecked,
    confirmBeforeDeletingPhotos,
    showAutoMarkAlert,
    backToHomeAlert,
    isPopUp,
    isScan,
    isDelete,
    isVisibleSettingTooltips,
    isSliderAvailable,
    isThumbnailSelected,
    isResultVC,
};

} // namespace SettingsKey
