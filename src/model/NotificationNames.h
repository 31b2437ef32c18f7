#pragma once

// The names of the notifications the screens post and observe through platform::NotificationCenter.
// A poster and its observers must use the same constant; a misspelt name is delivered to nobody.

#include <QString>

namespace NotificationName {

// Home screen and scan sheet
inline constexpr QLatin1StringView dropView{"DropViewTWK"};
inline constexpr QLatin1StringView isFilesNotSelected{"IsFilesNotSelected"};
inline constexpr QLatin1StringView updateSlider{"updateSlider"};
inline constexpr QLatin1StringView callVCFromScanVC{"callVCFromScanVC"};
inline constexpr QLatin1StringView selectedFiles{"SelectedFiles"};
inline constexpr QLatin1StringView cancelScanning{"CancelScanning"};
inline constexpr QLatin1StringView noSimilarPhotosFound{"NoSimilarPhotosFound"};

// Sheets, overlays and the main window's controls
inline constexpr QLatin1StringView hideTopBlackLayer{"hideTopBlackLayer"};
inline constexpr QLatin1StringView closeToExitVC{"closeToExitVC"};
inline constexpr QLatin1StringView aboutWindow{"kAboutWindow"};
inline constexpr QLatin1StringView disableControl{"kDisableControlNotification"};
inline constexpr QLatin1StringView disableScanButtonControl{"kDisableScanButtonControlNotification"};
inline constexpr QLatin1StringView reloadTableView{"ReloadTableViewNotification"};

// Results
inline constexpr QLatin1StringView reinitializationItems{"reinitializationItems"};
inline constexpr QLatin1StringView presentAfterDeleteView{"presentAfterDeleteView"};
inline constexpr QLatin1StringView afterMoveInPhotoLibrary{"AfterMoveInPhotoLibrary"};
inline constexpr QLatin1StringView deleteDuplicateFiles{"DeleteDuplicateFilesTWK"};
inline constexpr QLatin1StringView backToHomeObserver{"BackToHomeObserver"};
inline constexpr QLatin1StringView autoMarkSelection{"AutoMarkSelection"};
inline constexpr QLatin1StringView mouseHoverEnterThumbnail{"kMouseHoverEnterThumbnail"};
inline constexpr QLatin1StringView mouseHoverExitThumbnail{"kMouseHoverExitThumbnail"};
inline constexpr QLatin1StringView mouseHoverDownThumbnail{"kMouseHoverDownThumbnail"};

// Links in text
inline constexpr QLatin1StringView hyperLinkAutoMarkSelection{"hyperLinkAutoMarkSelection"};
inline constexpr QLatin1StringView hyperLinkEULA{"hyperLinkEULA"};
inline constexpr QLatin1StringView hyperLinkPrivacyPolicy{"hyperLinkPrivacyPolicy"};
inline constexpr QLatin1StringView hyperLinkUnInstallInstructions{"hyperLinkUnInstallInstructions"};

} // namespace NotificationName
