#include "services/PhotosLibraryReader.h"

#include "model/ModuleState.h"
#include "platform/Log.h"
#include "platform/PathSafety.h"
#include "platform/RegularFile.h"
#include "platform/SqliteConnection.h"
#include "platform/SqliteStatement.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <initializer_list>
#include <mutex>

const QString PhotosLibraryReader::removedDuplicatesAlbum = QStringLiteral("Twinsift");
const QString PhotosLibraryReader::pattern = QStringLiteral("Z_([0-9]{1,2})ASSETS");
const QString PhotosLibraryReader::pattern1 = QStringLiteral("[0-9]");

namespace {

// Every table whose name and one of whose columns carry a numbered "Z_<n>ASSETS" name, limited to
// the tables that also join albums: the album-to-item table of the newer library form.
const char *const kTableSearch =
    "SELECT m.name, p.name FROM sqlite_master AS m JOIN pragma_table_info(m.name) AS p"
    " WHERE m.type = 'table'"
    " AND m.name LIKE 'Z\\_%ASSETS' ESCAPE '\\'"
    " AND p.name LIKE 'Z\\_%ASSETS' ESCAPE '\\'"
    " AND EXISTS (SELECT 1 FROM pragma_table_info(m.name) AS q WHERE q.name LIKE 'Z\\_%ALBUMS' ESCAPE '\\')"
    " ORDER BY m.name, p.cid";

// The title of an album by its key.

// Which asset table the newer form has: "ZASSET" in current libraries, "ZGENERICASSET" in the
// first libraries of that form.
const char *const kAssetTable =
    "SELECT name FROM sqlite_master WHERE type = 'table' AND name IN ('ZASSET', 'ZGENERICASSET')"
    " ORDER BY name = 'ZASSET' DESC LIMIT 1";

// Main statements. Columns of the newer form: 0 file name, 1 folder below originals/, 2 creation
// date, 3 original file size, 4 original file name, 5 item key (for the album test), 6 item
// identifier. Trashed items are not part of the library.
const char *const kItemsNewest =
    "SELECT a.ZFILENAME, a.ZDIRECTORY, a.ZDATECREATED, x.ZORIGINALFILESIZE, x.ZORIGINALFILENAME,"
    " a.Z_PK, a.ZUUID"
    " FROM ZASSET AS a LEFT JOIN ZADDITIONALASSETATTRIBUTES AS x ON x.ZASSET = a.Z_PK"
    " WHERE a.ZTRASHEDSTATE = 0"
    " ORDER BY a.Z_PK";
const char *const kItemsGeneric =
    "SELECT a.ZFILENAME, a.ZDIRECTORY, a.ZDATECREATED, x.ZORIGINALFILESIZE, x.ZORIGINALFILENAME,"
    " a.Z_PK, a.ZUUID"
    " FROM ZGENERICASSET AS a LEFT JOIN ZADDITIONALASSETATTRIBUTES AS x ON x.ZASSET = a.Z_PK"
    " WHERE a.ZTRASHEDSTATE = 0"
    " ORDER BY a.Z_PK";

// Columns of the older form: 0 master key, 1 path of the original below Masters/, 2 its size,
// 3 version identifier, 4 master identifier, 5 version file name, 6 version key. One row per
// original: versions that share an original (a duplicated photo) give its latest version only, so
// no file is listed twice.
const char *const kItemsOlder = "SELECT m.modelId, m.imagePath, m.fileSize, v.uuid, m.uuid, v.fileName, v.modelId"
                                " FROM RKVersion AS v JOIN RKMaster AS m ON m.uuid = v.masterUuid"
                                " WHERE v.isInTrash = 0"
                                " AND v.modelId = (SELECT MAX(w.modelId) FROM RKVersion AS w"
                                "                  WHERE w.masterUuid = v.masterUuid AND w.isInTrash = 0)"
                                " ORDER BY m.modelId";

bool isDirectory(const QString &path)
{
    return QFileInfo(path).isDir();
}

// A database file of the library: a regular file itself, never a link, a pipe or a device.
bool isFile(const QString &path)
{
    return platform::RegularFile::isRegular(path, platform::RegularFile::Links::Refuse);
}

// Takes away, once per run, the copies earlier runs left in the cache folder: the copy under the
// fixed names of earlier versions, and folders of reads that never ended (a crash), a day old at
// least so that a read still running elsewhere keeps its own.
void removeLeftoverCopies()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const QString cache = userCacheFolder();
        for (const bool newer : {true, false}) {
            const PhotosTempCopyPaths old = photosTempCopyPaths(newer);
            for (const QString &path : {old.database, old.wal, old.shm})
                QFile::remove(path);
        }
        QFile::remove(photosDatabasePaths().tempCopyLockFile);
        const QDateTime dayAgo = QDateTime::currentDateTime().addDays(-1);
        const QFileInfoList folders = QDir(cache).entryInfoList({QStringLiteral("photosTempTWK-*")},
                                                                QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
        for (const QFileInfo &leftover : folders) {
            if (!leftover.isSymLink() && leftover.lastModified() < dayAgo)
                QDir(leftover.filePath()).removeRecursively();
        }
    });
}

// Copies one regular file into the cache folder, writable for the reader. Empty text on success.
QString copyFile(const QString &source, const QString &target, qint64 maxBytes, const std::function<bool()> &halted)
{
    QString error;
    if (!platform::RegularFile::copy(source, target, maxBytes, &error, halted))
        return error;
    return {};
}

// The kind of schema object a name stands for ("table", "view", ...); empty when there is none.
QString schemaKind(platform::SqliteConnection &db, const QString &name)
{
    platform::SqliteStatement statement(db, "SELECT type FROM sqlite_master WHERE name = ? COLLATE NOCASE");
    statement.bindText(1, name);
    return statement.next() ? statement.columnText(0) : QString();
}

// Empty when every name is a table; else why the read cannot go on.
QString requireTables(platform::SqliteConnection &db, std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        const QString kind = schemaKind(db, QLatin1String(name));
        if (kind.isEmpty())
            return QStringLiteral("no such table: %1").arg(QLatin1String(name));
        if (kind != QLatin1String("table"))
            return QStringLiteral("%1 is a %2, not a table").arg(QLatin1String(name), kind);
    }
    return {};
}

QString digitsOf(const QString &name)
{
    return PhotosLibraryReader::regexMatches(PhotosLibraryReader::pattern1, name).join(QString());
}

bool hasPathEscape(const QString &part)
{
    if (!platform::PathSafety::isUsable(part) || part.startsWith(QLatin1Char('/')))
        return true;
    const QStringList components = part.split(QLatin1Char('/'));
    return components.contains(QStringLiteral(".."));
}

} // namespace

std::optional<PhotosLibraryFiles> PhotosLibraryReader::locatePhotosDatabaseFiles(const QString &packagePath)
{
    QString package = QDir::cleanPath(packagePath);
    if (package.isEmpty() || !isDirectory(package))
        return std::nullopt;
    PhotosLibraryFiles files;
    files.package = package;
    const QString newer = package + QStringLiteral("/database/Photos.sqlite");
    const QString older = package + QStringLiteral("/database/photos.db");
    if (isFile(newer))
        files.form = PhotosLibraryForm::Newer;
    else if (isFile(older))
        files.form = PhotosLibraryForm::Older;
    else if (isDirectory(package + QStringLiteral("/originals")))
        files.form = PhotosLibraryForm::Newer;
    else if (isDirectory(package + QStringLiteral("/Masters")))
        files.form = PhotosLibraryForm::Older;
    else
        return std::nullopt;
    if (files.form == PhotosLibraryForm::Newer) {
        files.database = newer;
        files.lock = package + QStringLiteral("/database/Photos.sqlite.lock");
    } else {
        files.database = older;
    }
    files.wal = files.database + QStringLiteral("-wal");
    files.shm = files.database + QStringLiteral("-shm");
    return files;
}

QStringList PhotosLibraryReader::regexMatches(const QString &pattern, const QString &text)
{
    const QRegularExpression expression(pattern);
    if (!expression.isValid()) {
        platform::printLine(QStringLiteral("invalid regex: ") + expression.errorString());
        return {};
    }
    QStringList matches;
    auto it = expression.globalMatch(text);
    while (it.hasNext())
        matches << it.next().captured(0);
    return matches;
}

bool PhotosLibraryReader::halted()
{
    if (!m_haltReason.isEmpty())
        return true;
    if (shouldStop && shouldStop())
        m_haltReason = QStringLiteral("stopped");
    else if (m_hasDeadline && std::chrono::steady_clock::now() >= m_deadline)
        m_haltReason = QStringLiteral("the read ran longer than %1 ms").arg(readTimeLimit.count());
    return !m_haltReason.isEmpty();
}

PhotosLibraryReader::ReadResult PhotosLibraryReader::openPhotosDatabaseCopy(const PhotosLibraryFiles &files)
{
    // One time limit for the whole read, copies included.
    m_haltReason.clear();
    m_hasDeadline = readTimeLimit.count() > 0;
    m_deadline = std::chrono::steady_clock::now() + readTimeLimit;
    const std::function<bool()> halt = [this] { return halted(); };

    ReadResult result;
    const bool newer = files.form == PhotosLibraryForm::Newer;

    // 1. A folder of this read's own in the cache folder, closed to others and taken away with
    // everything in it when the read ends: reads side by side (or a copy left by a read that never
    // ended) never meet in one file.
    removeLeftoverCopies();
    const QString cache = userCacheFolder();
    const QTemporaryDir folder(cache + QStringLiteral("/photosTempTWK-XXXXXX"));
    if (!folder.isValid()) {
        result.failure = Failure::CopyFailed;
        result.detail = cache + QStringLiteral(": no folder for the copy can be made there: ") + folder.errorString();
        logWarning(lcServices) << result.detail;
        return result;
    }
    const QString base =
        folder.filePath(newer ? QStringLiteral("photosTempTWK.sqlite") : QStringLiteral("photosTempTWK.db"));
    const PhotosTempCopyPaths copy{base, base + QStringLiteral("-wal"), base + QStringLiteral("-shm")};

    // 2. Copy the database and its write-ahead log, each within the size cap; the database must be
    // there. The shared-memory file is rebuilt by SQLite from the log, and the lock file holds no
    // data: neither is copied.
    if (!isFile(files.database)) {
        result.failure = Failure::DatabaseMissing;
        result.detail = files.database + QStringLiteral(": no such file");
        logWarning(lcServices) << "Photos library database missing:" << files.database;
        return result;
    }
    QString error = copyFile(files.database, copy.database, maxCopyBytes, halt);
    if (error.isEmpty() && isFile(files.wal))
        error = copyFile(files.wal, copy.wal, maxCopyBytes, halt);
    if (!error.isEmpty()) {
        const bool ended = !m_haltReason.isEmpty();
        if (ended)
            error = m_haltReason;
        logWarning(lcServices) << error;
        result.failure = ended ? Failure::ReadFailed : Failure::CopyFailed;
        result.detail = error;
        return result;
    }

    // 3. Open the copy (never the library's own file), as the foreign file it is. Every statement
    // stops at a stop request or when the read's time is up. The connection closes before the
    // copy's folder is taken away.
    platform::SqliteConnection db;
    db.setQueryLimits(std::chrono::milliseconds{0}, halt);
    if (!db.open(copy.database, platform::SqliteConnection::Mode::ReadWrite)) {
        platform::printLine(QStringLiteral("error opening database"));
        result.failure = Failure::OpenFailed;
        result.detail = db.errorMessage();
        return result;
    }
    if (!db.makeDefensive()) {
        platform::printLine(QStringLiteral("error opening database"));
        result.failure = Failure::OpenFailed;
        result.detail = QStringLiteral("the database cannot be opened read-only: ") + db.errorMessage();
        return result;
    }

    // 4. Find the album table, then read the items. The connection closes when it leaves scope,
    // after every statement of the read has been finalized.
    findAssetTables(db);
    result.failure = halted() ? Failure::ReadFailed : readPhotosLibrary(db, files.form, result);
    if (!m_haltReason.isEmpty()) {
        result.failure = Failure::ReadFailed;
        result.detail = m_haltReason;
        logWarning(lcServices) << "Photos library read ended:" << m_haltReason;
    }
    if (result.failure != Failure::None)
        result.photosLibrary.clear();
    return result;
}

void PhotosLibraryReader::findAssetTables(platform::SqliteConnection &db)
{
    platform::SqliteStatement search(db, kTableSearch);
    if (!search.isValid()) {
        platform::printLine(QStringLiteral("error preparing select: ") + search.errorMessage());
        return;
    }
    while (search.next()) {
        QString first;
        QString second;
        if (search.columnIsNull(0))
            platform::printLine(QStringLiteral("Table not found"));
        else if (!regexMatches(pattern, search.columnText(0)).isEmpty())
            first = search.columnText(0);
        if (search.columnIsNull(1))
            platform::printLine(QStringLiteral("Column not found"));
        else if (!regexMatches(pattern, search.columnText(1)).isEmpty())
            second = search.columnText(1);
        if (first.isEmpty() || second.isEmpty())
            continue;
        firstMatched = digitsOf(first);
        secondMatched = digitsOf(second);
        platform::printLine(QStringLiteral("Matches: firstNumber: ") + firstMatched + QStringLiteral(" secondNumber: ")
                            + secondMatched);
    }
    if (search.failed())
        logWarning(lcServices) << "error reading tables:" << search.errorMessage();
}

PhotosLibraryReader::AlbumOfItem PhotosLibraryReader::lookupColumnValue(platform::SqliteConnection &db,
                                                                        const QString &key) const
{
    AlbumOfItem album;
    if (firstMatched.isEmpty() || secondMatched.isEmpty())
        return album;
    const QByteArray text = QStringLiteral("SELECT j.Z_%1ALBUMS, g.ZTITLE FROM Z_%1ASSETS AS j"
                                           " LEFT JOIN ZGENERICALBUM AS g ON g.Z_PK = j.Z_%1ALBUMS"
                                           " WHERE j.Z_%2ASSETS = ?")
                                .arg(firstMatched, secondMatched)
                                .toUtf8();
    platform::SqliteStatement rows(db, text.constData());
    if (!rows.isValid()) {
        platform::printLine(QStringLiteral("error preparing select: ") + rows.errorMessage());
        return album;
    }
    rows.bindText(1, key);
    while (rows.next()) {
        if (rows.columnIsNull(0)) {
            platform::printLine(QStringLiteral("keyName not found"));
            continue;
        }
        album.keyName = rows.columnText(0);
        if (rows.columnIsNull(1))
            platform::printLine(QStringLiteral("albumName not found"));
        else
            album.albumName = rows.columnText(1);
    }
    return album;
}

std::optional<QSet<QString>> PhotosLibraryReader::removedDuplicateKeys(platform::SqliteConnection &db)
{
    // The numbered names hold digits only, so they can stand in the text. One pass over the
    // album-to-item table: each row's album is found by its key.
    const QByteArray text = QStringLiteral("SELECT j.Z_%2ASSETS FROM Z_%1ASSETS AS j"
                                           " JOIN ZGENERICALBUM AS g ON g.Z_PK = j.Z_%1ALBUMS"
                                           " WHERE g.ZTITLE = ?")
                                .arg(firstMatched, secondMatched)
                                .toUtf8();
    QSet<QString> keys;
    platform::SqliteStatement albumItems(db, text.constData());
    if (!albumItems.isValid()) {
        // Without the album tables no item is known to be in the album: every item stays.
        platform::printLine(QStringLiteral("error preparing select: ") + albumItems.errorMessage());
        return keys;
    }
    albumItems.bindText(1, removedDuplicatesAlbum);
    while (albumItems.next()) {
        if (albumItems.columnIsNull(0))
            platform::printLine(QStringLiteral("keyName not found"));
        else
            keys.insert(albumItems.columnText(0));
    }
    if (albumItems.failed()) {
        if (halted())
            return std::nullopt;
        logWarning(lcServices) << "error reading albums:" << albumItems.errorMessage();
        return QSet<QString>();
    }
    return keys;
}

PhotosLibraryReader::Failure PhotosLibraryReader::readPhotosLibrary(platform::SqliteConnection &db,
                                                                    PhotosLibraryForm form, ReadResult &result)
{
    const bool newer = form == PhotosLibraryForm::Newer;
    const char *text = kItemsOlder;
    QString notTables;
    if (newer) {
        platform::SqliteStatement table(db, kAssetTable);
        const bool found = table.next();
        if (table.failed() || !table.isValid()) {
            result.detail = table.errorMessage();
            platform::printLine(QStringLiteral("error preparing select: ") + result.detail);
            return Failure::ReadFailed;
        }
        const bool generic = found && table.columnText(0) == QLatin1String("ZGENERICASSET");
        text = generic ? kItemsGeneric : kItemsNewest;
        notTables = requireTables(db, {generic ? "ZGENERICASSET" : "ZASSET", "ZADDITIONALASSETATTRIBUTES"});
    } else {
        notTables = requireTables(db, {"RKVersion", "RKMaster"});
    }
    // The items are read from tables only: a view could compute rows without end.
    if (!notTables.isEmpty()) {
        result.detail = notTables;
        platform::printLine(QStringLiteral("error preparing select: ") + result.detail);
        return Failure::ReadFailed;
    }

    // The items in the album of removed duplicates, read once for the whole library.
    QSet<QString> removedKeys;
    if (newer) {
        std::optional<QSet<QString>> keys = removedDuplicateKeys(db);
        if (!keys)
            return Failure::ReadFailed;
        removedKeys = std::move(*keys);
    }

    platform::SqliteStatement statement(db, text);
    if (!statement.isValid()) {
        result.detail = statement.errorMessage();
        platform::printLine(QStringLiteral("error preparing select: ") + result.detail);
        return Failure::ReadFailed;
    }
    result.photosLibrary.clear();
    while (statement.next()) {
        // Besides stopping a long query, a stop request or the end of the read's time ends the
        // read between rows.
        if (halted())
            return Failure::ReadFailed;
        PhotoLibraryProperties item;
        if (newer) {
            item.RKMimagePath = statement.columnText(1);
            item.RKMFilSize = statement.columnText(3);
            item.RKVuuid = statement.columnText(6);
            item.RKVfilename = statement.columnText(0);
            item.OriginalFileName = statement.columnText(4);
            if (!statement.columnIsNull(5) && removedKeys.contains(statement.columnText(5)))
                continue;
        } else {
            item.RKMuuid = statement.columnText(4);
            item.RKMimagePath = statement.columnText(1);
            item.RKMFilSize = statement.columnText(2);
            item.RKVuuid = statement.columnText(3);
            item.RKVmodelId = statement.columnText(4);
            item.RKVfilename = statement.columnText(5);
            item.RKAVMId = statement.columnText(6);
            item.OriginalFileName = statement.columnText(5);
        }
        result.photosLibrary.push_back(std::move(item));
    }
    if (statement.failed()) {
        result.detail = statement.errorMessage();
        logWarning(lcServices) << "error reading Photos library items:" << result.detail;
        return Failure::ReadFailed;
    }
    return Failure::None;
}

std::optional<QString> PhotosLibraryReader::originalFilePath(const PhotosLibraryFiles &files,
                                                             const PhotoLibraryProperties &item)
{
    if (item.RKMimagePath.isEmpty() || hasPathEscape(item.RKMimagePath))
        return std::nullopt;
    if (files.form == PhotosLibraryForm::Older)
        return files.package + QStringLiteral("/Masters/") + item.RKMimagePath;
    if (!platform::PathSafety::isUsable(item.RKVfilename) || item.RKVfilename.contains(QLatin1Char('/'))
        || item.RKVfilename == QLatin1String("..") || item.RKVfilename == QLatin1String("."))
        return std::nullopt;
    return files.package + QStringLiteral("/originals/") + item.RKMimagePath + QLatin1Char('/') + item.RKVfilename;
}

std::vector<InitialDirectory>
PhotosLibraryReader::photosLibraryEntries(const PhotosLibraryFiles &files,
                                          const std::vector<PhotoLibraryProperties> &items)
{
    std::vector<InitialDirectory> entries;
    entries.reserve(items.size());
    // Links are resolved, and what they lead to must lie inside the package itself.
    const QString package = QFileInfo(files.package).canonicalFilePath();
    for (const PhotoLibraryProperties &item : items) {
        std::optional<QString> path = originalFilePath(files, item);
        if (!path) {
            logWarning(lcServices) << "Photos library item" << item.RKVuuid << "skipped: its stored path is not usable";
            continue;
        }
        if (QFileInfo(*path).exists()) {
            const QString resolved = QFileInfo(*path).canonicalFilePath();
            if (package.isEmpty() || resolved.isEmpty() || !resolved.startsWith(package + QLatin1Char('/'))) {
                logWarning(lcServices) << QStringLiteral(
                                              "Photos library item %1 skipped: it leads out of the library (%2)")
                                              .arg(item.RKVuuid, resolved);
                continue;
            }
            path = resolved;
        }
        InitialDirectory entry(QUrl::fromLocalFile(*path));
        entry.isPhotoLibrary = true;
        entry.photoLibraryProperties = item;
        platform::printLine(QStringLiteral("Photos library item: ") + *path + QStringLiteral(" (") + item.RKVuuid
                            + QStringLiteral(")"));
        entries.push_back(std::move(entry));
    }
    return entries;
}
