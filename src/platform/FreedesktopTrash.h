#pragma once

#include "platform/FileManager.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

class Cancellable;
struct FileStat;

// Moves files to the freedesktop.org Trash: the file goes to files/ of the Trash on its own disk
// (the home Trash, else $topdir/.Trash/$uid or $topdir/.Trash-$uid), and info/NAME.trashinfo records
// its percent-encoded original Path, written in full before the move. GIO's g_file_trash does the
// move where it can; where GIO cannot serve (a name too long for an info file, a home Trash other
// than the one GIO remembers) or serves slowly (a name the Trash holds already, whose numbers GIO
// counts up from the first on every move), this class's own code does the same move to the
// freedesktop.org rules: it takes each name by creating its info file exclusively and moves the file
// without replacing an entry, trying a bounded number of names from the first number free (found
// in a few looks, and carried on from the last one taken in this run). A Trash is only ever one GIO would choose too:
// none on the root file system, on a system or memory file system (tmpfs) or on a mount marked x-gvfs-notrash; a file
// there stays, with the reason. Nothing is ever unlinked but an info file this code wrote for a move that did not
// happen, and a temporary info copy ("NAME.trashinfo.XXXXXX") of this user last written a day ago or earlier, which
// only an ended run leaves (a younger one may be another program's move in progress). Nothing is copied: a file with no
// Trash on its own disk stays where it is.
class FreedesktopTrash
{
public:
    // See FileManager::trashItem.
    static TrashResult trashItem(const QString &path, const FileStat *expected, Cancellable *cancel);

    // A Trash folder (holding files/ and info/) and the folder its Path values are relative to
    // (empty for the home Trash, whose Path values are absolute).
    struct Location {
        QByteArray trash;
        QByteArray top;
    };
    // The Trash for files in the folder `parentDir`, with files/ and info/ made when missing; absent
    // (the reason in `error`) when the folder's disk has no usable Trash, or none the desktop shows.
    static std::optional<Location> locate(const QByteArray &parentDir, QString *error);

    // The Path value of a .trashinfo file: percent-encoded, "/" kept.
    static QByteArray encodePath(const QByteArray &path);
    // The decoded Path of a .trashinfo file; absent when the file is no valid trash information.
    static std::optional<QByteArray> infoPath(const QString &infoFile);
    // The .trashinfo file of an entry in a Trash's files/ folder.
    static QString infoFileFor(const QString &trashedPath);
};

} // namespace platform
