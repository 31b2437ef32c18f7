#pragma once

#include "model/ImageFile.h"
#include "model/ResultFileKeys.h"

#include <functional>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

// The result of the last scan, independent of any screen: the groups as scanned (allImages) and as
// shown (imageDirectories), the marks (selectedIndexArray: per shown group the positions marked for
// deletion) and the protection set by hand (protectionOverrideRows / protectionOverrideStates: per
// shown group the rows whose protection was recorded, and the recorded state).
//
// Invariant: selectedIndexArray, protectionOverrideRows and protectionOverrideStates hold one entry
// per shown group, in the order of imageDirectories; every position is in range for its group; the
// two override lists of a group have the same length. The operations below keep it; code that edits
// the fields directly must keep it too (normalize() repairs a state that drifted).
//
// The application uses the one shared instance (ResultState::shared()), which the results screens
// expose as their fields; tests build their own. Main thread only.
class ResultState
{
public:
    static ResultState &shared();

    ImageGroups allImages;
    ImageGroups imageDirectories;
    std::vector<std::vector<int>> selectedIndexArray;
    std::vector<std::vector<int>> protectionOverrideRows;
    std::vector<std::vector<bool>> protectionOverrideStates;

    // --- whole-result operations ---
    // New results: allImages and imageDirectories both become `groups`; marks and overrides are
    // emptied to one empty entry per group.
    void setResults(ImageGroups groups);
    // Shows `groups` (a regrouping or a filter of allImages); marks and overrides are emptied.
    void setShownGroups(ImageGroups groups);
    // One empty mark list and one empty pair of override lists per shown group.
    void resetGroupSlots();
    // Appends one empty entry to the marks and to both override lists.
    void appendEmptyGroupSlot();
    // Empties everything, the kept file keys included.
    void clear();

    // --- counts ---
    int shownGroupCount() const { return int(imageDirectories.size()); }
    int shownFileCount() const;
    int markedFileCount() const;
    bool hasMarks() const;
    // The file at (group, row) of the shown groups, or null when out of range.
    ImageFilePtr shownFile(int group, int row) const;

    // --- marks ---
    bool isMarked(int group, int row) const;
    // Marks (group, row) once; out-of-range positions and protected files are refused (false).
    bool mark(int group, int row);
    // Removes the first occurrence of row from the group's marks; false when it was not marked.
    bool unmark(int group, int row);
    void unmarkGroup(int group);
    void unselectAllMarks();

    // --- protection set by hand ---
    // The recorded state of (group, row), absent when none is recorded.
    std::optional<bool> recordedProtection(int group, int row) const;
    // Records a protection the user set by hand: updates the row's pair in place or appends one, and
    // sets the file's isProtected; protecting also removes the row's mark.
    void setProtectionByHand(int group, int row, bool isProtected);
    // Drops the row's recorded pair (the first occurrence) from both lists; false when none.
    bool removeProtectionOverride(int group, int row);
    // Records a pair the protected-folder pass made (state true); see isRecordedByFolder.
    void recordFolderProtection(int group, int row);
    // True when the row's recorded pair was made by the protected-folder pass, not by the user.
    bool isRecordedByFolder(int group, int row) const;
    // A group is locked by hand when it records one true state per file.
    bool isGroupLockedByHand(int group) const;

    // --- edits of the groups that keep marks and overrides pointing at the same files ---
    // Removes the given files from the shown groups and from allImages; the marks and overrides of
    // the remaining files move with them; groups left with fewer than two files are dropped (with
    // their marks and overrides). Returns the number of shown files removed.
    int removeFiles(const std::unordered_set<const ImageFile *> &files);
    // Keeps in each shown group only the files that pass `keep` (same remapping and dropping).
    int filterShown(const std::function<bool(const ImageFile &)> &keep);
    // filterShown for one member: takes (group, row) out of the shown groups, the other groups
    // untouched; false when there is no such member.
    bool removeShownMember(int group, int row);

    // The keys the bulk commands compare the result's files by, kept with the result.
    ResultFileKeys &fileKeys() const { return fileKeys_; }
    // Takes over keys worked out elsewhere (the scan's worker) in place of the kept ones; `keys` is
    // left empty.
    void adoptFileKeys(ResultFileKeys &keys) { fileKeys_ = std::exchange(keys, ResultFileKeys()); }

    // --- invariant ---
    bool isConsistent() const;
    // Pads or trims the per-group lists to the shown groups and drops out-of-range positions,
    // duplicate marks and unpaired override entries.
    void normalize();

private:
    // Rows whose recorded pair came from the protected-folder pass (per shown group). Kept beside
    // the override lists so that a protection the user set by hand survives a change of the
    // protected folders.
    std::vector<std::vector<int>> folderRecordedRows_;
    mutable ResultFileKeys fileKeys_;
    void removeFolderRecord(int group, int row);
};
