#pragma once

#include "model/ResultState.h"

#include <unordered_map>
#include <unordered_set>

// Rebuilding the shown groups of a ResultState from the groups as scanned (allImages): the
// matching-level regrouping of the results screen, the regrouping of the no-results screen and the
// videos-only filter. Display-free; main thread only.
//
// Marks and the protection set by hand are positions in the shown groups, so they cannot survive a
// change of the shown groups as they stand. Before the change they are taken per file
// (`remember`), and after it laid onto the new positions of the same files (`showGroups`): a mark
// or a recorded protection never ends up on another file. Protection that comes from the
// protected folders is not recorded here; it is derived again afterwards (services'
// rederiveProtection).
class ResultRegrouping
{
public:
    // The shown groups at a matching level (percent), the one filter of the intake, the slider,
    // the no-results slider and every regrouping: per group of `all`, in order, its first member
    // (the file the others were compared with) whatever its score, and every later member whose
    // matchingPercentage reaches the level (a score that is not a number does not); groups left
    // with fewer than two members are dropped.
    static ImageGroups groupsAtMatchingLevel(const ImageGroups &all, int level);
    // The same filter under its older name (the first member has always been kept).
    static ImageGroups groupsAtMatchingLevelKeepingFirst(const ImageGroups &all, int level)
    {
        return groupsAtMatchingLevel(all, level);
    }
    // Videos-only filter: per group, its videos in order; a group stays when it has two or more.
    static ImageGroups videoGroups(const ImageGroups &all);

    // What the user set on the shown files, by file.
    struct FileMemory {
        std::unordered_set<const ImageFile *> marked;
        std::unordered_map<const ImageFile *, bool> handProtection; // recorded by the user, not by a folder
    };
    static FileMemory remember(const ResultState &state);

    // Shows `groups`: new mark and override lists, one entry per group; then every remembered mark
    // of a file that is still shown and not protected by hand (when keepMarks), and every
    // remembered hand protection of a file still shown, at the file's new position. isProtected of
    // the shown files is set from the hand protection (false for the others, until the folders
    // are applied again). A group whose every member would be marked keeps its last member
    // unmarked, as a tick by hand would have been refused.
    static void showGroups(ResultState &state, ImageGroups groups, const FileMemory &memory, bool keepMarks);
};
