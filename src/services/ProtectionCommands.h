#pragma once

#include "model/ResultCommands.h"

#include <QUrl>

// The result commands that consult the protected folders: folder protection from a result file,
// protection of single files, group locks and narrowing to one group. They live beside the
// ProtectedFolders service so that the results, the settings and the Preferences pane share one
// folder list and one containment rule (links resolved on both sides). Like the rest of
// ResultCommands they change the state only and leave the refresh of counters and views to the
// caller. Main thread only.
namespace ResultCommands {

// ---- protected folders ----

// Adds the folder (with sub-folders) to the protected folders unless an entry already names it
// (links resolved), saves the list, then applies the folder list to every shown file again with
// the folder's URL text as the named folder. Protection the user set by hand on single files or
// groups stays. False when the folder was already listed (the results are re-evaluated all the same).
bool protectFolder(ResultState &state, const QUrl &folderUrl);

// ---- protection of single files ----

enum class ProtectResult { Done, NeedsConfirmation, Ignored };
// Protects (records (row, true)) or unprotects (records (row, false)) the member, then re-applies
// the recorded states. Unprotecting a member that lies in a protected folder changes nothing and
// asks for a confirmation; its Yes answer is unprotectConfirmed.
ProtectResult setFileProtection(ResultState &state, int group, int row, bool protect);
void unprotectConfirmed(ResultState &state, int group, int row);

// ---- group locks ----

enum class LockResult { Locked, Unlocked, NeedsConfirmation, Ignored };
// One click of the group's lock button.
LockResult clickGroupLock(ResultState &state, int group);
// The confirmation's No answer: the members outside every protected folder are released and the
// group's marks emptied (Yes is unlockGroupAll).
void unlockGroupOutsideProtectedFolders(ResultState &state, int group);

// ---- narrowing ----

// Shows only the scanned group of shown group g, members below the matching level included;
// the matching level returns to 81. Marks and recorded pairs follow their files; revealed
// members take their protection from the protected folders.
void narrowToGroup(ResultState &state, int group);

} // namespace ResultCommands
