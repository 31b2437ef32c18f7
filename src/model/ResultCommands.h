#pragma once

#include "model/ResultState.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <vector>

// The operations of the result views on the result state: marking by hand, the bulk commands,
// group locks, protection of files, removing a file from the results and narrowing them to one
// group. Plain functions shared by the grid and the list; they change the state only and leave the
// refresh of counters and views to the caller. Main thread only.
//
// Every function keeps the ResultState invariant (one entry per shown group, positions in range)
// and never leaves a group with every member marked.
namespace ResultCommands {

// ---- positions and files ----

// True when g names a shown group; puts the per-group lists in order first when they are not.
bool validGroup(ResultState &state, int group);
// Two files are the same file when their URLs are the same (both without a URL counts as the same).
bool sameUrl(const ImageFile &a, const ImageFile &b);

// ---- groups shown at a matching level ----

// ResultRegrouping::groupsAtMatchingLevel: per delivered group its first member and every later
// member whose matchingPercentage reaches `level`; groups left with fewer than two members are
// dropped. `containsVideos` (when given) is set to whether any delivered member is a video.
ImageGroups shownGroupsAtMatchingLevel(const ImageGroups &groups, int level, bool *containsVideos = nullptr);

// ---- automatic marking of one group ----

// The rule cascade: the positions of group g to mark, empty when undecided, by the rule order,
// file-format order and folder order as they stand. The marking engine installs its cascade (one
// group, and every shown group at once as Auto Select marks them) whenever it is part of the
// program, before main runs, so every command below marks as Auto Select does. Only a program
// built without the engine gets the fallback: every unprotected position but position 0.
using GroupMarker = std::function<std::vector<int>(const ResultState &, int group)>;
using AllGroupsMarker = std::function<void(ResultState &)>;
void setGroupMarker(GroupMarker marker, AllGroupsMarker allGroups = {});
bool hasGroupMarker();
std::vector<int> markGroupByRules(const ResultState &state, int group);
std::vector<int> fallbackGroupMarks(const ResultState &state, int group);
// Entry g of the marks := markGroupByRules (a list that would mark every member keeps one).
void applyAutoMarkToGroup(ResultState &state, int group);
// A mark list that would name every member of the group gives up its last entry, so that one copy
// always stays.
void keepOneUnmarked(ResultState &state, int group);

// ---- marking by hand ----

// With m marks, p protected members and n members: m + 1 = n or p + m = n.
bool isGroupFull(const ResultState &state, int group);
// Members of the group other than `row` that are not marked (protected members included).
int uncheckedCount(const ResultState &state, int group, int row);
enum class TickResult { Marked, Refused, Unmarked, Ignored };
// A tick: marks the member unless it is protected, out of range, or the last unmarked member
// of its group (Refused: the marks stay).
TickResult tickFile(ResultState &state, int group, int row);
// An untick: removes the mark (first occurrence) when there is one.
TickResult untickFile(ResultState &state, int group, int row);
// The group by the rules; false (marks unchanged) when the rules gave nothing.
bool markGroup(ResultState &state, int group);
void clearGroup(ResultState &state, int group);
// The header toggle: a full group is cleared, any other marked by the rules.
void toggleGroup(ResultState &state, int group);

// ---- bulk commands ----

enum class MatchKey { Type, Folder, Tree };
// Whether `file` matches the key taken from the clicked file's URL: same extension (case
// ignored), the same folder (path equal, case counting), or the folder or any folder below it.
// The commands below compare the keys the result keeps (ResultFileKeys), which give the same.
bool fileMatches(const ImageFile &file, MatchKey key, const QUrl &clickedUrl);
// The texts compared: the extension of the URL's last path component ("" without one), and the
// path of the folder holding the file (without a trailing slash, "/" for the root). The tree is
// compared by folderUrlText(folderOfFile(url)), in lower case.
QString fileTypeKey(const QUrl &fileUrl);
QString folderPathKey(const QUrl &fileUrl);
// Every group by the rules (the installed cascade for all groups when there is one); true when
// some group then holds a mark.
bool autoSelectAllFiles(ResultState &state);
// All marks := the automatic marks whose file matches the key.
void selectAllMatching(ResultState &state, MatchKey key, const QUrl &clickedUrl);
// Removes the marks of the files that match the key.
void unselectAllMatching(ResultState &state, MatchKey key, const QUrl &clickedUrl);
void unselectAll(ResultState &state);
// Flips every unprotected member; a group with no mark and no protected member keeps position 0.
void invertMarkedFiles(ResultState &state);

// ---- folders of files ----

// A folder URL as compared: its encoded absolute URL with exactly one trailing slash.
QString folderUrlText(const QUrl &folderUrl);
// The folder holding the file (a directory URL), and the folder above that one.
QUrl folderOfFile(const QUrl &fileUrl);
QUrl parentFolderOfFile(const QUrl &fileUrl);

// ---- protection of single files ----

// Every member with a recorded pair takes the recorded state; a protected one loses its mark.
void reapplyRecordedProtection(ResultState &state);
// setFileProtection and unprotectConfirmed: services/ProtectionCommands.h.

// ---- group locks ----

// The confirmation's Yes answer: every member released, the recorded pairs and the marks of the
// group emptied. (The lock click and the No answer: services/ProtectionCommands.h.)
void unlockGroupAll(ResultState &state, int group);
// Drops every recorded pair of the group.
void removeAllOverrides(ResultState &state, int group);

// ---- edits of the shown groups ----

// The last group of allImages holding any file of shown group g (0 when none does).
int scannedGroupHolding(const ResultState &state, int group);
// narrowToGroup: services/ProtectionCommands.h.
enum class RemoveOutcome { Reload, NoResultsLeft, Regroup, Ignored };
// Takes the member out of the results (the file is not touched): marks and pairs above it move
// down with their files, a group left with fewer than two members goes with its entries.
// NoResultsLeft: nothing is left at all; Regroup: only groups hidden by the matching level are.
RemoveOutcome removeFromResults(ResultState &state, int group, int row);

// True when some shown group has every member marked (never true after these commands).
bool anyGroupFullyMarked(const ResultState &state);

} // namespace ResultCommands
