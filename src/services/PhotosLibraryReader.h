#pragma once

#include "model/InitialDirectory.h"
#include "model/PhotoLibraryProperties.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace platform {
class SqliteConnection;
class SqliteStatement;
} // namespace platform

// The two layouts of a Photos library package, told apart by the files it holds.
enum class PhotosLibraryForm {
    Newer, // database/Photos.sqlite, originals below "originals/"
    Older, // database/photos.db, originals below "Masters/"
};

// Where the database files of one library package lie.
struct PhotosLibraryFiles {
    QString package; // the ".photoslibrary" folder, without a trailing slash
    PhotosLibraryForm form = PhotosLibraryForm::Newer;
    QString database; // <package>/database/Photos.sqlite or <package>/database/photos.db
    QString wal;      // database + "-wal"
    QString shm;      // database + "-shm"
    QString lock;     // <package>/database/Photos.sqlite.lock (newer form only; empty otherwise)
};

// Reads the items of a Photos library from the library's own SQLite database. The live database is
// never opened: it is copied, with its write-ahead log, into a folder of the read's own in the
// user's cache folder (mode 0700, a new name at every read), the copy is read (SQLite rebuilds the
// shared-memory file; the lock file holds no data), and the folder is taken away when the read
// ends. Reads side by side, in one program or two, never share a copy. Everything runs
// on the calling thread, which should not be the interface's: a large library takes a while.
//
// The library is treated as foreign input: only regular files are copied (a pipe or a link in the
// database's place is refused, never waited on), each copy is capped in size and a sparse file is
// refused, the copy is opened with SQLite's defensive settings and read only, the tables read must
// be tables (not views), the whole read (copies and queries) has one time limit, and it stops
// when shouldStop answers true. Item paths resolve inside the package only.
//
//     PhotosLibraryReader reader;
//     if (auto files = PhotosLibraryReader::locatePhotosDatabaseFiles(path)) {
//         auto read = reader.openPhotosDatabaseCopy(*files);
//         if (read.failure == PhotosLibraryReader::Failure::None)
//             entries = PhotosLibraryReader::photosLibraryEntries(*files, read.photosLibrary);
//     }
class PhotosLibraryReader
{
public:
    // Items of this album hold the duplicates handed over for removal; they are not scanned.
    static const QString removedDuplicatesAlbum; // "Twinsift"
    static const QString pattern;                // "Z_([0-9]{1,2})ASSETS"
    static const QString pattern1;               // "[0-9]"

    enum class Failure {
        None,
        DatabaseMissing, // the package holds no database file of either form
        CopyFailed,      // the database or its write-ahead log could not be copied
        OpenFailed,      // the copy is no SQLite database that opens
        ReadFailed,      // the items could not be read (damaged file, unknown layout)
    };

    struct ReadResult {
        Failure failure = Failure::None;
        QString detail;                                    // the cause, for the log
        std::vector<PhotoLibraryProperties> photosLibrary; // the items, in row order
    };

    // The database files of a library package, by the layout found in it: database/Photos.sqlite
    // (or an originals/ folder) makes the newer form, database/photos.db (or a Masters/ folder)
    // the older one. Absent when the package shows neither.
    static std::optional<PhotosLibraryFiles> locatePhotosDatabaseFiles(const QString &packagePath);

    // Copies the database files into a new folder of this read in the cache folder, opens the
    // copy, finds the numbered album tables and reads the items. Items in the album
    // removedDuplicatesAlbum are left out (newer form). The copy is closed and taken away
    // before it returns.
    ReadResult openPhotosDatabaseCopy(const PhotosLibraryFiles &files);

    // The scan-list entries of the items: one ticked single-file entry per item, pointing at the
    // item's original file (links resolved), with isPhotoLibrary set and the item's properties.
    // Items whose stored path is empty or unusable, or that lead out of the package (by their
    // stored path, or through a link or a linked folder below the originals), are left out with a
    // diagnostic line. An original that is missing keeps its entry (the scan passes over it).
    static std::vector<InitialDirectory> photosLibraryEntries(const PhotosLibraryFiles &files,
                                                              const std::vector<PhotoLibraryProperties> &items);

    // The path of an item's original file; absent when the stored parts are empty or would lead
    // out of the package.
    static std::optional<QString> originalFilePath(const PhotosLibraryFiles &files, const PhotoLibraryProperties &item);

    // The text of every match of the pattern in the text, in order; empty (with the diagnostic
    // "invalid regex: ...") when the pattern does not compile.
    static QStringList regexMatches(const QString &pattern, const QString &text);

    // The album of the item whose key is `key`, looked up in one query of the album-to-item table
    // found by the last read: keyName is the album's key and albumName its title (of the last row
    // when the item is in several albums). Both empty when the item is in no album or the tables
    // cannot be read. The key is bound, never spliced into the text.
    struct AlbumOfItem {
        QString keyName;
        QString albumName;
    };
    AlbumOfItem lookupColumnValue(platform::SqliteConnection &db, const QString &key) const;

    // The numbers of the album-to-item table found by the last read that found one: the table
    // "Z_" + firstMatched + "ASSETS" joins albums ("Z_" + firstMatched + "ALBUMS") to items
    // ("Z_" + secondMatched + "ASSETS").
    QString firstMatched;
    QString secondMatched;

    // The longest one whole read may run, from the first copy to the last row, and a stop request
    // checked while files are copied and while queries run. Either ends the read with
    // Failure::ReadFailed.
    std::chrono::milliseconds readTimeLimit{20000};
    std::function<bool()> shouldStop;
    // The largest database or write-ahead log that is copied.
    qint64 maxCopyBytes = qint64(2) << 30;

private:
    void findAssetTables(platform::SqliteConnection &db);
    // The keys of the items in the album removedDuplicatesAlbum, read from the album-to-item table
    // in one query. Empty when the album tables cannot be read; absent when the query was stopped.
    std::optional<QSet<QString>> removedDuplicateKeys(platform::SqliteConnection &db);
    Failure readPhotosLibrary(platform::SqliteConnection &db, PhotosLibraryForm form, ReadResult &result);
    // True once the read is to end: a stop request, or its time is up. Notes why in m_haltReason.
    bool halted();

    std::chrono::steady_clock::time_point m_deadline;
    bool m_hasDeadline = false;
    QString m_haltReason;
};
