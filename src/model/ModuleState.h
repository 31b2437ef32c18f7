#pragma once

// Program-wide settings, vocabularies, lists and flags. Every screen and the scan read them
// directly. Plain shared memory: written and read on the main thread, except that a running scan
// reads the scan settings (minimumFileSize, scanExtensions, imageExtensions and the similarity
// settings), which must not change while it runs; the scan takes a copy when it starts.
//
// Values that depend on the user's folders (home, cache) are made on first use by the functions
// below, so that they follow the environment of the running program.

#include "model/AutoMark.h"
#include "model/FileFormat.h"
#include "model/FolderPreferences.h"
#include "model/InitialDirectory.h"
#include "model/SelectionPriority.h"
#include "model/ThemeColors.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <array>
#include <optional>
#include <vector>

// ---- Thresholds and settings (for the run; they start at these values at every launch) ----

// Only files strictly larger than this many bytes are scanned.
extern quint64 minimumFileSize; // 1024
// The matching level in percent.
extern int similarityThreshold; // 81
// Pixels per side of the perceptual-hash bitmap.
extern int hashBitmapSize; // 72
// Capture-time window of similar photos, in seconds.
extern int timeThreshold; // 1
// GPS distance of similar photos, in metres.
extern double distanceThreshold; // 1.0

// ---- Alert switches (each named as the settings key that stores it; all on at launch) ----

extern bool confirmBeforeDeletingPhotos; // ask before deleting the marked files
extern bool showAutoMarkAlert;           // ask before automatic marking
extern bool backToHomeAlert;             // ask before leaving the results for the home screen

// ---- Flags and shared objects ----

extern bool isScanPaused;         // between a pause and the stop-scan sheet's answer
extern bool resultsContainVideos; // the current results hold a video
extern bool movedToPhotosAlbum;   // Photos items were put into the album
// The language table "English"; absent until it is loaded at launch.
extern std::optional<QVariantMap> localizationTable;
extern QStringList languageList; // ["English"]

// ---- Lists edited at run time ----

// Extensions a scan collects; starts as a copy of allExtensions.
extern QStringList scanExtensions;
extern std::vector<InitialDirectory> excludedFolders;
// The most entries the stored scan list brings back at launch; the rest of a longer list is left
// out with a log line. (The excluded and protected folders always come back whole.)
inline constexpr int maxRestoredListEntries = 10000;
// Criteria of automatic marking, first to last; starts as defaultSelectionPriorityOrder().
extern std::vector<SelectionPriority> selectionPriorityOrder;
extern std::vector<InitialDirectory> protectedFolders;
// One flag per entry of protectedFolders (same order): the protection covers its sub-folders.
extern std::vector<bool> protectedSubFolderFlags;
extern std::vector<FileFormat> fileFormatPriorities;
extern std::vector<FolderPreferences> folderPriorities;

// The nine default marking rules, with their names and choices looked up in localizationTable
// now (empty texts while the table is absent). Each call builds the list afresh.
std::vector<AutoMark> defaultAutoMarkRules();

// ---- Fixed vocabularies ----

// Descriptions of the supported formats shown by the scan settings: 20 image formats, then 18
// video formats.
extern const QStringList supportedFormatDescriptionList;
// Every extension a scan can collect (57 entries, "heif" beside "heic").
extern const QStringList allExtensions;
// The extensions taken for photos (32 entries, with "heic" and "heif"); any other collected
// extension is a video.
extern const QStringList imageExtensions;

// The seven folders always excluded from scans, in this order: "/usr" (applications),
// home + "/.local" (the user's application data), home + "/.local/share/Trash" (the Trash),
// home + "/Dropbox", "/sys" (the system), "/var" (the system's data), "/opt" (add-on software).
// The home folder is read on first use.
const QStringList &excludedSystemFolderList();

// ---- Photos library database paths ----

// The files of the Photos library being read. The first four start as the files of the user's
// default library (home + "/Pictures/Photos Library.photoslibrary/database/...") and are replaced
// by those of the library being scanned; the last is the lock file of the temporary copy in the
// user's cache folder. Made on first use.
struct PhotosDatabasePaths {
    QString libraryDatabase;    // .../database/photos.db
    QString libraryDatabaseWal; // .../database/photos.db-wal
    QString libraryDatabaseShm; // .../database/photos.db-shm
    QString libraryLockFile;    // .../database/Photos.sqlite.lock
    QString tempCopyLockFile;   // <cache>/photosTempTWK.sqlite.lock
};
PhotosDatabasePaths &photosDatabasePaths();

// The user's cache folder (created when missing); the temporary database copy lives there.
QString userCacheFolder();

// The temporary copy of a library database and its two companion files, in the user's cache
// folder: "photosTempTWK.sqlite" (-wal, -shm) for a library of the newer form
// (database/Photos.sqlite), "photosTempTWK.db" (-wal, -shm) for the older form.
struct PhotosTempCopyPaths {
    QString database;
    QString wal;
    QString shm;
};
PhotosTempCopyPaths photosTempCopyPaths(bool newerLibraryFormat);

// ---- Summary texts passed from the step that computes them to the screen that shows them ----

extern QString scannedFilesCountText;
extern QString scannedFilesSizeText;
// The files the results show (the shown groups at the matching level) and their size: the figures
// of the deletion summary when groups remain, the same as the results' own footer.
extern QString resultCountText;
extern QString resultSizeText;
extern QString photosMovedCountText;
extern QString photosMovedSizeText;
extern QString trashedCountText;
extern QString trashedSizeText;
