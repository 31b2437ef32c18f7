#pragma once

#include "model/FileFormat.h"
#include "model/FolderPreferences.h"

#include <algorithm>
#include <set>
#include <vector>

// List edits shared by the three tables of the selection wizard (rules, file formats, folders):
// renumbering, moving one row, and moving dragged rows to a drop position. Every entry type has an
// Int `priority`, its 1-based position.

// Sets each entry's priority to its position + 1.
template <class T>
void renumberEntries(std::vector<T> &list)
{
    for (std::size_t i = 0; i < list.size(); ++i)
        list[i].priority = int(i) + 1;
}

// Moves the entry at `from` to `to` (both kept within the list). Returns the position it now has,
// or -1 when `from` is not a row of the list.
template <class T>
int moveEntry(std::vector<T> &list, int from, int to)
{
    const int n = int(list.size());
    if (from < 0 || from >= n)
        return -1;
    to = std::clamp(to, 0, n - 1);
    T entry = std::move(list[std::size_t(from)]);
    list.erase(list.begin() + from);
    list.insert(list.begin() + to, std::move(entry));
    return to;
}

// The dragged rows that can be moved: rows of the list (0..n-1), each once, in the order given.
inline std::vector<int> validDraggedRows(const std::vector<int> &rows, int count)
{
    std::vector<int> valid;
    std::set<int> seen;
    for (int row : rows)
        if (row >= 0 && row < count && seen.insert(row).second)
            valid.push_back(row);
    return valid;
}

// Moves the dragged rows, in their order, to just above row `dropRow` (0..n; n is below the last
// row), keeping their order. Rows outside the list are ignored; a drop with no valid row, or at a
// position outside 0..n, is refused (false, nothing changes). Renumbers the list.
template <class T>
bool dropEntries(std::vector<T> &list, const std::vector<int> &rows, int dropRow)
{
    const int n = int(list.size());
    const std::vector<int> valid = validDraggedRows(rows, n);
    if (valid.empty() || dropRow < 0 || dropRow > n)
        return false;
    // Rows from above the drop position are taken out one after the other and put just above it;
    // rows from below are put after those already moved.
    int above = 0;
    int below = 0;
    for (int row : valid) {
        if (row < dropRow) {
            moveEntry(list, row + above, dropRow - 1);
            --above;
        } else {
            moveEntry(list, row, dropRow + below);
            ++below;
        }
    }
    renumberEntries(list);
    return true;
}

// The order to show after the results changed: `current` (the user's order) when it holds the
// same entries as `found` (the list made from the results now shown, in first-met order), compared
// without regard to case; otherwise `found`, in which the entries that were already in `current`
// take their places in the user's relative order. Numbered 1..n.
std::vector<FileFormat> keptFileFormatOrder(const std::vector<FileFormat> &current,
                                            const std::vector<FileFormat> &found);
std::vector<FolderPreferences> keptFolderOrder(const std::vector<FolderPreferences> &current,
                                               const std::vector<FolderPreferences> &found);
