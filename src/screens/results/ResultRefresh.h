#pragma once

// The two refreshes every change of the results goes through. Both run on the main thread and
// work on the shared result state and the screens of the registry that exist.

// Recounts the marks: the Delete Marked, Auto Select and Unselect All controls and the summary line
// of the results screen.
void refreshSelectionState();

// Recomputes the totals of the shown groups (and of all scanned groups for the summary screens),
// tells the grid and the list how many files they show, and shows the first file in the preview.
void refreshResultTotals();

// Works out the keys the bulk commands compare files by (ResultFileKeys) for every file of the
// shared result, a slice at a time in later turns of the event loop, so that the first command
// after a new result finds them made. A new call takes over from the last.
void warmResultKeys();
