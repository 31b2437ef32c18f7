#pragma once

#include "model/ResultState.h"

#include <QString>
#include <QUrl>

// Stored folder protection: the protected folders (module lists protectedFolders and
// protectedSubFolderFlags) under "ProtectedFoldersTWK" (array of paths) and
// "ProtectedSubFoldersTWK" (JSON data, one Bool per folder). The paths are stored without
// trailing slashes.
void saveProtectedFolders();
// Rebuilds both lists from the settings; a missing or mixed path array gives no folders, a missing
// or undecodable flag list keeps the flags as they were. An existing folder gets a directory URL
// (ending in "/"), equal to the URL of a file's folder.
void loadProtectedFolders();

// The URL text a folder is compared by: its encoded absolute URL, ending in "/".
QString folderUrlText(const QUrl &folderUrl);

// Applies protection to member `member` of shown group `group`.
//  byOverride true: re-applies the state recorded by hand for the member (true protects and
//  unmarks, false unprotects); a member without a recorded state is left alone.
//  byOverride false: applies the protected folders. With no protected folders and a non-empty
//  folderText nothing changes. Otherwise the member is unprotected and its recorded state dropped,
//  then every protected folder containing the member's folder (any depth, case ignored, when its
//  sub-folder switch is on; the very folder otherwise) protects and unmarks it and records (member,
//  true), except that the record is dropped again for the folder named by folderText. A member the
//  user protected by hand keeps that protection and its record.
void applyProtectedFolders(ResultState &state, bool byOverride, int group, int member, const QString &folderText);
// The same for every member of every shown group.
void applyProtectedFoldersToAll(ResultState &state, bool byOverride, const QString &folderText);

// The three alert switches under "confirmBeforeDeletingPhotos", "showAutoMarkAlert" and
// "backToHomeAlert". Loading keeps a switch whose key is absent or holds no Bool.
void saveAlertSettings();
void loadAlertSettings();
