#pragma once

#include "model/ImageFile.h"
#include "model/ResultState.h"

#include <QString>

#include <optional>

// Display-free part of refreshing the results screen after the marks or the protection changed.
// The screen applies it: when refreshControls it refreshes the Delete Marked and Auto Select
// controls; when summaryText is present it shows it in its summary line (absent: keep the old
// line, which happens when a marked file's size can no longer be read).
struct SelectionRefresh {
    bool refreshControls = false; // false only when there are no shown groups at all
    int markedGroupCount = 0;     // groups with marks
    int shownFileCount = 0;
    std::optional<QString> summaryText;
    bool deleteMarkedEnabled = false; // some group has a mark
    bool autoSelectEnabled = false;   // some shown group has more than one unprotected file
    bool unselectAllEnabled = false;  // some mark exists
};
SelectionRefresh computeSelectionState(const ResultState &state);

// The number of files of the groups and their total size as text. A file's size is the size the
// scan recorded (scannedSize), read from the file only for a record without one, so a refresh
// after every tick costs no file-system call per file; absent when a size cannot be had.
std::pair<std::optional<qint64>, std::optional<QString>> groupsSizeText(const ImageGroups &groups);

// The summary line: "IDS_TWK_52" filled with the marked count text, the shown file count and the
// count of groups with marks, then " ", the lower-cased singular ("IDS_TWK_57", fewer than two
// groups) or plural ("IDS_TWK_58") word, " (", the size text and ")".
QString updateSelectionSummary(const QString &markedCountText, int shownFiles, int groupsWithMarks,
                               const QString &markedSizeText);

// Display-free part of refreshing the result totals. Computing it also stores the count and size
// texts of all scanned groups (allImages) in scannedFilesCountText / scannedFilesSizeText; when
// those cannot be computed (a file vanished) the previous texts are kept. The shown groups' count
// and size go to resultCountText / resultSizeText in the same way.
struct ResultTotals {
    bool shownSizeKnown = false;         // false: empty the preview and clear the details only
    int shownFileCount = 0;              // N, also the grid's and the list's allFiles
    QString allDuplicatePhotosFoundText; // N, " ", "IDS_TWK_42"
    QString allSizeCanBeRemovedText;     // "IDS_TWK_72" filled with the shown size text
    ImageFilePtr previewFile;            // the first shown file when N > 0, else null
};
ResultTotals computeResultTotals(const ResultState &state);

// True when some shown file is not protected.
bool hasUnprotectedResultFile(const ResultState &state);
