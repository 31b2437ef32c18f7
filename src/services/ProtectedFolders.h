#pragma once

#include "model/ResultState.h"

#include <QString>
#include <QUrl>
#include <QVariant>

// Stored folder protection: the protected folders (module lists protectedFolders and
// protectedSubFolderFlags) under "ProtectedFoldersTWK" (array of paths) and
// "ProtectedSubFoldersTWK" (JSON data, one Bool per folder). The paths are stored without
// trailing slashes. The flag list always has one entry per folder: whenever either list is loaded
// or changed, missing flags become true (more protection) and surplus flags are dropped.
void saveProtectedFolders();
// Rebuilds both lists from the settings. Every folder gets a directory URL (ending in exactly one
// "/"), whether or not it exists now, equal to the URL of a file's folder. A damaged element of the
// path array (not a text, empty) is dropped with its flag, the others stay; a flag that is missing
// or not a Bool, and every flag of an undecodable list, reads as true.
void loadProtectedFolders();
// Pads protectedSubFolderFlags with true, or trims it, to the length of protectedFolders.
void resizeProtectedSubFolderFlags();
// Appends a folder with its sub-folder flag; false (nothing changed) when the path is empty or names
// a folder already in the list (compared with links resolved). The caller saves.
bool addProtectedFolder(const QString &path, bool includeSubFolders = true);
// Removes the folder at index and its flag; false when the index is out of range.
bool removeProtectedFolder(int index);

// Why a path read from the settings file may not be used as a folder or scan root: not a text,
// empty, not absolute, holding a control character (NUL included) or longer than the system takes.
// Empty when it may be used. The scan list and the excluded and protected folders share this rule.
QString storedPathRefusal(const QString &path);
QString storedPathRefusal(const QVariant &value);
// One element of a stored folder list ("ProtectedFoldersTWK", "ExcludedFoldersTWK"): its path, or
// an empty text when storedPathRefusal refuses it; the caller skips such an element (logging
// storedPathRefusal's reason and the path through platform::loggableText) and keeps the others.
QString storedFolderPath(const QVariant &value);

// A folder path in the one form folders are stored and compared in: cleaned, ending in one "/".
QString normalizedFolderPath(const QString &path);
// The same with symbolic links resolved when the folder exists (else the normalised path).
QString canonicalFolderPath(const QString &path);
// Drops the resolved folder paths kept between calls of applyProtectedFolders (each pass over all
// files starts with this).
void forgetResolvedFolders();

// The URL text a folder is compared by: its encoded absolute URL, ending in "/".
QString folderUrlText(const QUrl &folderUrl);

// The folder containment rule, with links resolved on both sides: protected folder `index` holds
// the file at fileUrl when the file's folder (its URL less the last component) lies in it at any
// depth, letter case ignored, with the entry's sub-folder switch on (a missing switch counts as on),
// or is that very folder with the switch off. An entry or a file without a URL holds nothing.
bool protectedFolderContains(size_t index, const QUrl &fileUrl);
// Whether any protected folder holds the file at fileUrl.
bool liesInProtectedFolder(const QUrl &fileUrl);

// Applies protection to member `member` of shown group `group`.
//  byOverride true: re-applies the state recorded by hand for the member (true protects and
//  unmarks, false unprotects); a member without a recorded state is left alone.
//  byOverride false: applies the protected folders (folders compared with links resolved). With no protected folders
//  and a non-empty folderText nothing changes. Otherwise the member is unprotected and its recorded state dropped, then
//  every protected folder containing the member's folder (any depth, case ignored, when its sub-folder switch is on;
//  the very folder otherwise) protects and unmarks it and records (member, true), except that the record is dropped
//  again for the folder named by folderText. A member the user protected by hand keeps that protection and its record.
void applyProtectedFolders(ResultState &state, bool byOverride, int group, int member, const QString &folderText);
// The same for every member of every shown group.
void applyProtectedFoldersToAll(ResultState &state, bool byOverride, const QString &folderText);

// The three alert switches under "confirmBeforeDeletingPhotos", "showAutoMarkAlert" and
// "backToHomeAlert". Loading keeps a switch whose key is absent or holds no Bool.
void saveAlertSettings();
void loadAlertSettings();
