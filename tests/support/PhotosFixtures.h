#pragma once
// Photos library packages of both layouts, built with SQLite in a folder of the test, and a few
// helpers for tests that touch the Photos stand-in. Header-only.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <sqlite3.h>

#include <csignal>
#include <optional>
#include <sys/types.h>
#include <vector>

namespace photos_fixtures {

// One item of a fixture library.
struct Item {
    QString uuid;              // item identifier
    QString directory;         // newer form: folder below originals/; older form: folder below Masters/
    QString fileName;          // file name of the original
    QString originalFileName;  // newer form: the name the file had when imported
    qint64 size = 0;           // stored size (the file written holds a few bytes of its own)
    bool trashed = false;      // in the library's trash
    bool writeOriginal = true; // false: the original file is missing
    QStringList albums;        // titles of the albums the item is in
};

// A small SQLite helper that fails the test loudly rather than silently.
class Db
{
public:
    explicit Db(const QString &path)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
            != SQLITE_OK)
            m_ok = false;
    }
    ~Db() { close(); }
    Db(const Db &) = delete;
    Db &operator=(const Db &) = delete;

    void close()
    {
        if (m_db)
            sqlite3_close(m_db);
        m_db = nullptr;
    }
    bool ok() const { return m_ok; }

    void exec(const char *sql)
    {
        char *error = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            m_ok = false;
            m_error = QString::fromUtf8(error ? error : "?");
        }
        sqlite3_free(error);
    }

    // Runs one statement with text or integer values bound in order.
    void run(const char *sql, const QList<QVariant> &values)
    {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
            m_ok = false;
            m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
            return;
        }
        int index = 1;
        for (const QVariant &value : values) {
            if (value.isNull())
                sqlite3_bind_null(stmt, index);
            else if (value.typeId() == QMetaType::QString) {
                const QByteArray text = value.toString().toUtf8();
                sqlite3_bind_text(stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            } else
                sqlite3_bind_int64(stmt, index, value.toLongLong());
            ++index;
        }
        if (sqlite3_step(stmt) != SQLITE_DONE) {
            m_ok = false;
            m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        }
        sqlite3_finalize(stmt);
    }

    qint64 lastId() const { return sqlite3_last_insert_rowid(m_db); }
    QString error() const { return m_error; }

private:
    sqlite3 *m_db = nullptr;
    bool m_ok = true;
    QString m_error;
};

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct NewerOptions {
    int albumTableNumber = 26;      // the table Z_<n>ASSETS
    int assetNumber = 3;            // its item column Z_<n>ASSETS
    bool genericAssetTable = false; // the item table is ZGENERICASSET instead of ZASSET
    bool keepOpenWithWal = false;   // leave the rows in the write-ahead log (see NewerLibrary)
};

// A library of the newer form: <package>/database/Photos.sqlite, originals below originals/.
// With keepOpenWithWal the connection stays open while the object lives, so the rows are still in
// database/Photos.sqlite-wal and not in the main file, as while Photos runs.
class NewerLibrary
{
public:
    NewerLibrary(const QString &package, const std::vector<Item> &items, NewerOptions options = {})
        : m_db((QDir().mkpath(package + "/database"), package + "/database/Photos.sqlite"))
    {
        QDir().mkpath(package + "/originals");
        const QString assets = options.genericAssetTable ? "ZGENERICASSET" : "ZASSET";
        const QString join = QString("Z_%1ASSETS").arg(options.albumTableNumber);
        const QString albumsColumn = QString("Z_%1ALBUMS").arg(options.albumTableNumber);
        const QString itemsColumn = QString("Z_%1ASSETS").arg(options.assetNumber);
        const QString fok = QString("Z_FOK_%1ASSETS").arg(options.assetNumber);
        if (options.keepOpenWithWal)
            m_db.exec("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
        const QString schema =
            QString("CREATE TABLE %1 (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, ZUUID VARCHAR, ZFILENAME VARCHAR,"
                    " ZDIRECTORY VARCHAR, ZDATECREATED TIMESTAMP, ZTRASHEDSTATE INTEGER);"
                    "CREATE TABLE ZADDITIONALASSETATTRIBUTES (Z_PK INTEGER PRIMARY KEY, ZASSET INTEGER,"
                    " ZORIGINALFILENAME VARCHAR, ZORIGINALFILESIZE INTEGER);"
                    "CREATE TABLE ZGENERICALBUM (Z_PK INTEGER PRIMARY KEY, ZKIND INTEGER, ZTITLE VARCHAR);"
                    "CREATE TABLE %2 (%3 INTEGER, %4 INTEGER, %5 INTEGER, PRIMARY KEY (%3, %4));"
                    // A numbered table that joins items to something else than albums.
                    "CREATE TABLE Z_1KEYWORDS (Z_1ASSETS INTEGER, Z_47KEYWORDS INTEGER);"
                    "CREATE TABLE Z_40ASSETS (Z_40PERSONS INTEGER, Z_9ASSETS INTEGER);")
                .arg(assets, join, albumsColumn, itemsColumn, fok);
        m_db.exec(schema.toUtf8().constData());

        QMap<QString, qint64> albumKeys;
        qint64 pk = 100;
        for (const Item &item : items) {
            ++pk;
            m_db.run(QString("INSERT INTO %1 (Z_PK, Z_ENT, ZUUID, ZFILENAME, ZDIRECTORY, ZDATECREATED, ZTRASHEDSTATE)"
                             " VALUES (?, 3, ?, ?, ?, 700000000.5, ?)")
                         .arg(assets)
                         .toUtf8()
                         .constData(),
                     {pk, item.uuid, item.fileName, item.directory, item.trashed ? 1 : 0});
            m_db.run("INSERT INTO ZADDITIONALASSETATTRIBUTES (ZASSET, ZORIGINALFILENAME, ZORIGINALFILESIZE)"
                     " VALUES (?, ?, ?)",
                     {pk, item.originalFileName, item.size});
            for (const QString &title : item.albums) {
                if (!albumKeys.contains(title)) {
                    m_db.run("INSERT INTO ZGENERICALBUM (ZKIND, ZTITLE) VALUES (2, ?)", {title});
                    albumKeys[title] = m_db.lastId();
                }
                m_db.run(QString("INSERT INTO %1 (%2, %3, %4) VALUES (?, ?, 1)")
                             .arg(join, albumsColumn, itemsColumn, fok)
                             .toUtf8()
                             .constData(),
                         {albumKeys[title], pk});
            }
            if (item.writeOriginal)
                writeFile(package + "/originals/" + item.directory + "/" + item.fileName,
                          "original " + item.uuid.toUtf8());
        }
        writeFile(package + "/database/Photos.sqlite.lock", "lock");
        if (!options.keepOpenWithWal)
            m_db.close();
    }

    bool ok() const { return m_db.ok(); }
    QString error() const { return m_db.error(); }

private:
    Db m_db;
};

// Adds `itemCount` items to a library of the newer form made by NewerLibrary with the default
// table numbers, and fills its album-to-item table with `joinRows` more rows that put the added
// items into ordinary albums; every tenth added item is also in an album "Twinsift". The item
// column of that table has no index of its own, as in a real library. Their originals are not
// written. Returns how many of the added items are outside "Twinsift" (-1 on failure).
inline int addManyItems(const QString &package, int itemCount, int joinRows, QString *error = nullptr)
{
    Db db(package + "/database/Photos.sqlite");
    const QString sql =
        QString("BEGIN;"
                "INSERT INTO ZASSET (Z_PK, Z_ENT, ZUUID, ZFILENAME, ZDIRECTORY, ZDATECREATED, ZTRASHEDSTATE)"
                " WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < %1)"
                " SELECT 100000 + i, 3, 'BULK-' || i, 'IMG_' || i || '.JPG', 'L', 700000000.5, 0 FROM n;"
                "INSERT INTO ZADDITIONALASSETATTRIBUTES (ZASSET, ZORIGINALFILENAME, ZORIGINALFILESIZE)"
                " SELECT Z_PK, ZFILENAME, 10 FROM ZASSET WHERE Z_PK >= 100000;"
                "INSERT INTO ZGENERICALBUM (Z_PK, ZKIND, ZTITLE)"
                " WITH RECURSIVE a(k) AS (SELECT 0 UNION ALL SELECT k + 1 FROM a WHERE k + 1 <= %2 / %1)"
                " SELECT 500000 + k, 2, 'Album ' || k FROM a;"
                "INSERT INTO Z_26ASSETS (Z_26ALBUMS, Z_3ASSETS, Z_FOK_3ASSETS)"
                " WITH RECURSIVE j(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM j WHERE i + 1 < %2)"
                " SELECT 500000 + i / %1, 100000 + i % %1, 1 FROM j;"
                "INSERT INTO ZGENERICALBUM (Z_PK, ZKIND, ZTITLE) VALUES (900000, 2, 'Twinsift');"
                "INSERT INTO Z_26ASSETS (Z_26ALBUMS, Z_3ASSETS, Z_FOK_3ASSETS)"
                " SELECT 900000, Z_PK, 1 FROM ZASSET WHERE Z_PK >= 100000 AND (Z_PK - 100000) % 10 = 0;"
                "COMMIT;")
            .arg(itemCount)
            .arg(joinRows);
    db.exec(sql.toUtf8().constData());
    if (error)
        *error = db.error();
    return db.ok() ? itemCount - (itemCount + 9) / 10 : -1;
}

// A library of the older form: <package>/database/photos.db, originals below Masters/.
// `versions` gives extra versions sharing an original: (item index, version uuid).
inline bool makeOlderLibrary(const QString &package, const std::vector<Item> &items,
                             const std::vector<std::pair<int, QString>> &versions = {}, QString *error = nullptr)
{
    QDir().mkpath(package + "/database");
    QDir().mkpath(package + "/Masters");
    Db db(package + "/database/photos.db");
    db.exec("CREATE TABLE RKMaster (modelId INTEGER PRIMARY KEY, uuid VARCHAR, imagePath VARCHAR,"
            " fileName VARCHAR, fileSize INTEGER, isInTrash INTEGER);"
            "CREATE TABLE RKVersion (modelId INTEGER PRIMARY KEY, uuid VARCHAR, masterUuid VARCHAR,"
            " masterId INTEGER, fileName VARCHAR, isInTrash INTEGER);"
            "CREATE TABLE RKAlbum (modelId INTEGER PRIMARY KEY, uuid VARCHAR, name VARCHAR);"
            "CREATE TABLE RKAlbumVersion (modelId INTEGER PRIMARY KEY, versionId INTEGER, albumId INTEGER);");
    QMap<QString, qint64> albumKeys;
    std::vector<qint64> masterIds;
    qint64 versionId = 500;
    for (int i = 0; i < int(items.size()); ++i) {
        const Item &item = items[i];
        const QString imagePath = item.directory + "/" + item.fileName;
        const QString masterUuid = "M-" + item.uuid;
        db.run("INSERT INTO RKMaster (uuid, imagePath, fileName, fileSize, isInTrash) VALUES (?, ?, ?, ?, ?)",
               {masterUuid, imagePath, item.fileName, item.size, item.trashed ? 1 : 0});
        masterIds.push_back(db.lastId());
        ++versionId;
        db.run("INSERT INTO RKVersion (modelId, uuid, masterUuid, masterId, fileName, isInTrash) VALUES (?, ?, ?, ?, "
               "?, ?)",
               {versionId, item.uuid, masterUuid, masterIds.back(), item.fileName, item.trashed ? 1 : 0});
        for (const QString &title : item.albums) {
            if (!albumKeys.contains(title)) {
                db.run("INSERT INTO RKAlbum (uuid, name) VALUES (?, ?)", {"A-" + title, title});
                albumKeys[title] = db.lastId();
            }
            db.run("INSERT INTO RKAlbumVersion (versionId, albumId) VALUES (?, ?)", {versionId, albumKeys[title]});
        }
        if (item.writeOriginal)
            writeFile(package + "/Masters/" + imagePath, "original " + item.uuid.toUtf8());
    }
    for (const auto &[index, uuid] : versions) {
        ++versionId;
        db.run("INSERT INTO RKVersion (modelId, uuid, masterUuid, masterId, fileName, isInTrash) VALUES (?, ?, ?, ?, "
               "?, 0)",
               {versionId, uuid, "M-" + items[index].uuid, masterIds[index], items[index].fileName});
    }
    if (error)
        *error = db.error();
    return db.ok();
}

// A copy of an ordinary program under a name nobody else uses, so that looking processes up by
// that name finds only the ones the test started.
inline std::optional<QString> uniqueProgramCopy(const QString &folder, const QString &program, QString *name)
{
    const QString unique = QString("tsph%1").arg(QRandomGenerator::global()->bounded(100000000u), 8, 10, QChar('0'));
    const QString target = folder + "/" + unique;
    if (!QFile::copy(program, target))
        return std::nullopt;
    QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::ExeOwner);
    *name = unique;
    return target;
}

// Stops a process the test started, by its id, and reaps it.
inline void stopChild(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(process.processId()), SIGKILL);
    process.waitForFinished(5000);
}

} // namespace photos_fixtures
