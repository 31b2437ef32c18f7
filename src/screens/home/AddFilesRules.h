#pragma once

// The rules of the scan list without its screen: which dropped or chosen items may join the list
// and which alert follows, whether the list holds something worth scanning, and the saved form
// of the list. Paths are absolute file-system paths.

#include "model/ModuleState.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>
#include <utility>
#include <vector>

namespace AddFilesRules {

// The alerts of the scan list, named after the methods that show them.
enum class Alert {
    PhotoLibraryAlreadyExist, // "IDS_TWK_224" / "IDS_TWK_225"
    AlreadyListed,            // showAlert: "IDS_TWK_226" / "IDS_TWK_227"
    Excluded,                 // showAlertExcluded: "IDS_TWK_226" / "IDS_TWK_228"
    ParentExcluded,           // showAlertParentExcluded: "IDS_TWK_226" / "IDS_TWK_228_1"
    AvailabilityNotAvailable, // showAlertAvailabilityNotAvailable: "IDS_TWK_300" / ""
};

// The message and information keys of an alert.
std::pair<QString, QString> alertKeys(Alert alert);

// The path without a trailing separator and with "." and ".." resolved ("/" stays "/").
QString normalizedPath(const QString &path);
// The path's extension in lower case ("" when none).
QString lowerExtension(const QString &path);
// True when `path` is `folder` itself or lies inside it, compared by whole path components
// ("/a/bc" is not inside "/a/b").
bool isSameOrInside(const QString &path, const QString &folder);
// True when the path names a Photos library package (extension "photoslibrary", any case).
bool isPhotosLibrary(const QString &path);
// True when the path's lower-cased extension is one of `scanExtensions` (compared as stored).
bool isScannableFile(const QString &path, const QStringList &scanExtensions);

// How the excluded folders relate to a path: equal to one of them, and/or inside one of them
// (both sides compared with symbolic links resolved where they exist).
struct ExclusionMatch {
    bool equal = false;
    bool inside = false;
    bool any() const { return equal || inside; }
};
ExclusionMatch matchExcluded(const QString &path, const QStringList &excludedFolders);

// The outcome of one add operation: the paths to append, in order, and the alerts to schedule,
// in the order they are to appear.
struct AddOutcome {
    QStringList accepted;
    QList<Alert> alerts;
};

// Files dropped on the drop area. `listed` are the paths already in the list.
AddOutcome evaluateDrop(const QStringList &dropped, const QStringList &listed, const QStringList &excludedFolders,
                        const QStringList &scanExtensions);
// Files chosen in the add-photos panel.
AddOutcome evaluateAddPhotos(const QStringList &chosen, const QStringList &listed, const QStringList &excludedFolders,
                             const QStringList &scanExtensions);
// Folders chosen in the add-folder panel.
AddOutcome evaluateAddFolder(const QStringList &chosen, const QStringList &listed, const QStringList &excludedFolders);
// Packages chosen in the Photos-library panel.
AddOutcome evaluateAddPhotosLibrary(const QStringList &chosen, const QStringList &listed,
                                    const QStringList &excludedFolders);
// Whether some listed path is a Photos library (the library button then refuses to open).
bool hasPhotosLibrary(const QStringList &listed);
// The Photos-library panel lets the user pick libraries and walk into ordinary folders.
bool shouldEnablePanelPath(const QString &path);

// "IsFilesNotSelected" after a list edit (ticks not looked at): true when there is nothing to
// scan. `paths` are the list's paths in order.
bool isEmptyAfterListEdit(const QStringList &paths, const QStringList &scanExtensions);
// "IsFilesNotSelected" after a tick edit, from the ticked count and the index of the last ticked
// entry (0 when none is ticked).
bool isEmptyAfterTickEdit(const QStringList &paths, int tickedCount, int tickedIndex,
                          const QStringList &scanExtensions);
// The ticked count and the index of the last ticked entry (0 when none).
std::pair<int, int> tickedCountAndIndex(const std::vector<bool> &ticks);

// The saved list ("SelectedURLs", "SelectedURLsChecked") as path and tick pairs. Empty when the
// paths or the ticks are absent or the paths are empty. A path element that is not a text is left
// out (logged) with its tick, the others come back. A tick that is missing (a tick list shorter than
// the path list) or not a Bool reads as on; surplus ticks are ignored.
//
// The settings file may have been damaged or written by someone else, so a saved path comes back
// only when the add panels would take it: an absolute path without a control character, not "/", not
// a system folder or an excluded folder or inside one, not a Trash folder or inside one, and not
// listed before it. At most maxRestoredEntries come back. Each path left out is logged.
inline constexpr int maxRestoredEntries = maxRestoredListEntries;
std::vector<std::pair<QString, bool>> restoreEntries(const std::optional<QVariantList> &paths,
                                                     const std::optional<QVariantList> &ticks,
                                                     const QStringList &excludedFolders,
                                                     const QStringList &systemFolders);
// The same with the application's excluded folders and system folders.
std::vector<std::pair<QString, bool>> restoreEntries(const std::optional<QVariantList> &paths,
                                                     const std::optional<QVariantList> &ticks);
// True when the path is a Trash folder (the home Trash, a ".Trash" or ".Trash-<uid>" folder of a
// volume) or lies inside one.
bool isInTrashFolder(const QString &path);

} // namespace AddFilesRules
