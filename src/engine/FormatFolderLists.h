#pragma once

#include "model/FileFormat.h"
#include "model/FolderPreferences.h"
#include "model/ImageFile.h"
#include "model/ResultFileKeys.h"

#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

// The file-format and folder orders offered by the selection wizard, rebuilt from the groups the
// results show. Both lists number their entries 1, 2, 3, ... in the order in which an extension or a
// folder first occurs, walking the groups and their members in order.

// The folder text of a file: the encoded absolute URL of the file less its last path component
// (scheme, percent escapes and a trailing slash). Empty for an empty URL.
QString folderTextOfFile(const QUrl &fileUrl);

// True when the entry path is present and equals the folder path without regard to case, or when
// the folder lies inside a Photos library package (".photoslibrary/originals/" or
// ".photoslibrary/masters/", case ignored).
bool isPhotosLibraryPath(const std::optional<QString> &entryPath, const QString &folderPath);

// With `keys` (the result's file keys, main thread), a file whose keys are known already costs a
// look-up: its extension and folder texts are taken from the keys, each distinct one worked out
// once; the lists are the same as without.

// One entry per extension, compared without regard to case; the stored text is that of the first
// file with the extension. Empty when there are no groups or the first group is empty.
std::vector<FileFormat> fileFormatListFor(const ImageGroups &groups, ResultFileKeys *keys = nullptr);

// One entry per folder (folder texts compared without regard to case); once the list holds an
// entry, files inside a Photos library add nothing. Empty when there are no groups or the first
// group is empty.
std::vector<FolderPreferences> folderListFor(const ImageGroups &groups, ResultFileKeys *keys = nullptr);

// Replace the module lists fileFormatPriorities and folderPriorities.
void rebuildFileFormatList(const ImageGroups &groups, ResultFileKeys *keys = nullptr);
void rebuildFolderList(const ImageGroups &groups, ResultFileKeys *keys = nullptr);
