#pragma once

#include "model/FileFormat.h"
#include "model/FolderPreferences.h"
#include "model/SelectionPriority.h"

#include <QString>

#include <vector>

// What automatic marking reads of the user's choices: the criteria in priority order and the
// rankings of file formats and folders, plus the folder of the user's default Photos library.
// A marking works on one snapshot, so every group of one Auto Select sees the same rules.
struct AutoMarkRules {
    std::vector<SelectionPriority> order;
    std::vector<FileFormat> fileFormatPriorities;
    std::vector<FolderPreferences> folderPriorities;
    // The default Photos library package as a file URL text with a trailing slash
    // ("file:///home/<user>/Pictures/Photos%20Library.photoslibrary/").
    QString photosLibraryRoot;

    // The module-wide lists as they stand now (selectionPriorityOrder, fileFormatPriorities,
    // folderPriorities) and the default library of the user's home folder.
    static AutoMarkRules current();
    static QString defaultPhotosLibraryRoot();
};
