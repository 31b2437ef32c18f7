#pragma once

#include "model/ImageFile.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QUrl>

#include <string_view>
#include <unordered_map>
#include <vector>

class ResultState;

// What the bulk commands compare files by, worked out once per file URL and kept with the result:
// the file's extension (lower case) as an interned type id, the folder that holds it (the URL less
// its file name) as an interned folder id with the folder's path and its lower-cased URL text, and a
// hash of the encoded URL. The texts are those that ResultCommands::fileMatches and sameUrl compute
// for each file; a command then compares ids, or one text per distinct folder, instead of building
// texts per file.
//
// Entries are found by the identity of the file's QUrl (its shared data), which the cache holds on
// to: a record whose URL is replaced or changed in place gets new keys at its next look-up, and no
// other URL can take the place of one that is kept. The entries of records no longer in the result
// are dropped once they outnumber the live ones.
//
// One object is used by one thread at a time: the scan's worker works out the keys of the groups it
// found (learn) and hands the object over with them; from then on it belongs to the ResultState
// that takes it (main thread only, like that state).
class ResultFileKeys
{
public:
    struct Keys {
        int type = -1;   // lower-cased extension; -1: no URL or an empty one (matches no key)
        int folder = -1; // the URL less its file name; -1 as for type
        bool hasUrl = false;
        // The type was read from the file name's text as it stands (a local file's URL): the
        // type's text is then also the file's path suffix (QFileInfo) in lower case.
        bool typeFromName = false;
        size_t urlHash = 0; // of the encoded URL, when hasUrl
    };

    // The keys of `file` (worked out on first use).
    Keys of(const ImageFile &file);
    // Works out the keys of every file of `groups` (on any thread, while no other uses the object).
    void learn(const ImageGroups &groups);
    // Works out the keys of up to `budget` files of the result not yet known, the scanned groups
    // first; true when every file of the result is known. Each call goes on where the last stopped.
    bool warm(const ResultState &state, int budget);
    // The next warm() starts from the first file again (after the result changed).
    void restartWarming() { warmList_ = 0, warmGroup_ = 0, warmRow_ = 0; }
    // Drops the entries of records no longer in `state` once they outnumber the live ones.
    void trimTo(const ResultState &state);

    int typeCount() const { return int(typeTexts_.size()); }
    int folderCount() const { return int(folders_.size()); }
    // The lower-cased extension of a type id.
    const QString &typeText(int type) const { return typeTexts_[size_t(type)]; }
    // The folder's path (without a trailing slash, "/" for the root) and its URL text in lower case
    // (ending in a slash), as ResultCommands compares them.
    const QString &folderPath(int folder) const { return folders_[size_t(folder)].path; }
    const QString &folderTreeText(int folder) const { return folders_[size_t(folder)].treeLower; }
    // For a folder found from a local file's URL text: the encoded URL of the file less its name
    // (ending in a slash), as folderTextOfFile gives it for each of its files; else null.
    const QString &folderFileText(int folder) const { return folders_[size_t(folder)].fileText; }
    int entryCount() const { return int(pinned_.size()); }

private:
    // One place of the table of entries, found by the address of a URL's data (empty: null).
    struct Slot {
        const void *identity = nullptr;
        Keys keys;
    };
    struct Folder {
        QString path;
        QString treeLower;
        QString fileText;
    };
    Keys compute(const QUrl &url);
    Slot *find(const void *identity);
    void insert(const void *identity, const Keys &keys);
    void rehash(size_t count);
    int internType(const QString &lowerExtension);
    int newFolder(const QUrl &fileUrl);

    // Open addressing, at most half full; the URLs pinned keep the addresses the slots are found by.
    std::vector<Slot> slots_;
    int shift_ = 64;
    std::vector<QUrl> pinned_;
    std::vector<QString> typeTexts_;
    QHash<QString, int> typeIds_;
    std::vector<Folder> folders_;
    // Folder ids by the encoded URL up to its last slash ("file:///..." without query or fragment),
    // and by the encoded folder URL for every other URL; the views point into the stored texts.
    std::vector<QByteArray> storedTexts_;
    std::unordered_map<std::string_view, int> folderByPrefix_;
    std::unordered_map<std::string_view, int> folderByUrl_;
    // Type ids by the encoded extension (plain ASCII, no percent sign).
    std::unordered_map<std::string_view, int> typeByEncoded_;
    std::string_view store(std::string_view text);
    // Where warm() goes on: 0 for the scanned groups, 1 for the shown ones; group and row.
    int warmList_ = 0;
    size_t warmGroup_ = 0, warmRow_ = 0;
};
