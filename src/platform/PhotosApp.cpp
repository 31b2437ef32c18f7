#include "platform/PhotosApp.h"
#include "platform/Log.h"

#include "platform/Dispatch.h"
#include "platform/SqliteConnection.h"
#include "platform/SqliteStatement.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(64 * 1024);
}

// The state letter of /proc/<pid>/stat: the field after the name, which is closed by the last ')'.
char processState(const QString &procDir)
{
    const QByteArray stat = readSmallFile(procDir + QStringLiteral("/stat"));
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || close + 2 >= stat.size())
        return '?';
    return stat.at(close + 2);
}

bool processHasName(const QString &procDir, const QString &name)
{
    const QString comm = QString::fromUtf8(readSmallFile(procDir + QStringLiteral("/comm"))).trimmed();
    if (!comm.isEmpty() && comm == name)
        return true;
    // The kernel keeps only the first 15 bytes of the name; the first argument has it whole.
    const QByteArray cmdline = readSmallFile(procDir + QStringLiteral("/cmdline"));
    const qsizetype end = cmdline.indexOf('\0');
    const QString argv0 = QString::fromUtf8(end < 0 ? cmdline : cmdline.left(end));
    if (argv0.isEmpty())
        return false;
    return QFileInfo(argv0).fileName() == name;
}

class AlbumStore
{
public:
    explicit AlbumStore(const QString &path)
    {
        if (path.isEmpty()) {
            logWarning(lcPlatform) << "Photos album store has no location";
            return;
        }
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!m_db.open(path, SqliteConnection::Mode::ReadWriteCreate)) {
            logWarning(lcPlatform) << "Photos album store" << path << "could not be opened:" << m_db.errorMessage();
            return;
        }
        m_db.setBusyTimeout(5000);
        if (!m_db.execute("CREATE TABLE IF NOT EXISTS albums ("
                          " id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);"
                          "CREATE TABLE IF NOT EXISTS album_items ("
                          " album INTEGER NOT NULL REFERENCES albums(id), item TEXT NOT NULL,"
                          " added INTEGER NOT NULL, PRIMARY KEY (album, item));"
                          "CREATE TABLE IF NOT EXISTS settings (key TEXT PRIMARY KEY, value);")) {
            logWarning(lcPlatform) << "Photos album store" << path << "is not usable";
            m_db.close();
        }
    }

    bool isOpen() const { return m_db.isOpen(); }
    SqliteConnection &db() { return m_db; }

    std::optional<qint64> albumId(const QString &name)
    {
        SqliteStatement select(m_db, "SELECT id FROM albums WHERE name = ?");
        select.bindText(1, name);
        if (select.next())
            return select.columnInt64(0);
        if (select.failed())
            logWarning(lcPlatform) << "Photos album store:" << select.errorMessage();
        return std::nullopt;
    }

    bool consent()
    {
        SqliteStatement select(m_db, "SELECT value FROM settings WHERE key = 'automationAllowed'");
        if (select.next())
            return select.columnInt64(0) != 0;
        return true;
    }

    // Whether an automation request may go ahead: the store is open and consent is given. A refusal
    // leaves one line, and its error number in *errorNumber when given.
    bool admitsRequest(int *errorNumber = nullptr)
    {
        if (!isOpen())
            return false;
        if (consent())
            return true;
        logWarning(lcPlatform)
            << QStringLiteral("Photos refused the automation request (%1)").arg(PhotosApp::automationRefusedError);
        if (errorNumber)
            *errorNumber = PhotosApp::automationRefusedError;
        return false;
    }

private:
    SqliteConnection m_db;
};

} // namespace

PhotosApp &PhotosApp::shared()
{
    static PhotosApp instance;
    return instance;
}

PhotosApp::PhotosApp()
    : m_processName(qEnvironmentVariable("TWINSIFT_PHOTOS_PROCESS"))
{
}

void PhotosApp::setProcessName(const QString &name)
{
    std::lock_guard lock(m_mutex);
    m_processName = name;
}

QString PhotosApp::processName() const
{
    std::lock_guard lock(m_mutex);
    return m_processName;
}

std::vector<qint64> PhotosApp::runningProcessIds() const
{
    std::vector<qint64> ids;
    const QString name = processName();
    if (name.isEmpty())
        return ids;
    DIR *proc = opendir("/proc");
    if (!proc) {
        logWarning(lcPlatform) << "Process list could not be read:" << std::strerror(errno);
        return ids;
    }
    const uid_t me = getuid();
    const pid_t self = getpid();
    while (dirent *entry = readdir(proc)) {
        char *end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == self)
            continue;
        const QString dir = QStringLiteral("/proc/") + QString::number(pid);
        struct stat info = {};
        if (::stat(QFile::encodeName(dir).constData(), &info) != 0 || info.st_uid != me)
            continue;
        if (!processHasName(dir, name))
            continue;
        const char state = processState(dir);
        if (state == 'Z' || state == 'X' || state == '?')
            continue;
        ids.push_back(pid);
    }
    closedir(proc);
    return ids;
}

bool PhotosApp::terminate()
{
    bool delivered = false;
    for (const qint64 pid : runningProcessIds()) {
        if (::kill(pid_t(pid), SIGTERM) == 0)
            delivered = true;
        else
            logWarning(lcPlatform) << QStringLiteral("Photos (process %1) could not be asked to quit:").arg(qint64(pid))
                                   << std::strerror(errno);
    }
    return delivered;
}

bool PhotosApp::waitUntilQuit(int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    const bool onMain = Dispatch::isMainThread();
    while (isRunning()) {
        if (deadline.hasExpired())
            return !isRunning();
        if (onMain)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return true;
}

namespace {

struct QuitPoll {
    const PhotosApp *app = nullptr;
    QDeadlineTimer deadline;
    int pollMs = 100;
    QObject *context = nullptr;
    QPointer<QObject> guard;
    std::function<void(bool)> done;
};

void schedulePoll(const std::shared_ptr<QuitPoll> &poll, double delaySeconds)
{
    Dispatch::mainAfter(
        delaySeconds,
        [poll] {
            if (poll->context && !poll->guard)
                return;
            const bool ended = !poll->app->isRunning();
            if (ended || poll->deadline.hasExpired()) {
                poll->done(ended);
                return;
            }
            schedulePoll(poll, poll->pollMs / 1000.0);
        },
        poll->context);
}

} // namespace

void PhotosApp::whenQuit(int timeoutMs, QObject *context, std::function<void(bool ended)> done, int pollMs) const
{
    auto poll = std::make_shared<QuitPoll>();
    poll->app = this;
    poll->deadline = QDeadlineTimer(timeoutMs);
    poll->pollMs = pollMs > 0 ? pollMs : 100;
    poll->context = context;
    poll->guard = context;
    poll->done = std::move(done);
    schedulePoll(poll, 0.0);
}

bool PhotosApp::automationAllowed() const
{
    AlbumStore store(albumStorePath());
    if (!store.isOpen())
        return true; // nothing refuses it; the album calls report the store's failure themselves
    return store.consent();
}

bool PhotosApp::setAutomationAllowed(bool allowed)
{
    AlbumStore store(albumStorePath());
    if (!store.isOpen())
        return false;
    SqliteStatement write(store.db(), "INSERT OR REPLACE INTO settings (key, value) VALUES ('automationAllowed', ?)");
    write.bindInt64(1, allowed ? 1 : 0);
    if (!write.run()) {
        logWarning(lcPlatform) << "Photos automation switch could not be stored:" << write.errorMessage();
        return false;
    }
    return true;
}

std::optional<qint64> PhotosApp::countMediaItems(int *errorNumber) const
{
    AlbumStore store(albumStorePath());
    if (!store.admitsRequest(errorNumber))
        return std::nullopt;
    SqliteStatement count(store.db(), "SELECT COUNT(DISTINCT item) FROM album_items");
    if (!count.next()) {
        logWarning(lcPlatform) << "Photos media items could not be counted:" << count.errorMessage();
        return std::nullopt;
    }
    return count.columnInt64(0);
}

void PhotosApp::setAlbumStorePath(const QString &path)
{
    std::lock_guard lock(m_mutex);
    m_storePath = path;
}

QString PhotosApp::albumStorePath() const
{
    std::lock_guard lock(m_mutex);
    if (!m_storePath.isEmpty())
        return m_storePath;
    // Taken when first needed, once the application has its name.
    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return dataDir.isEmpty() ? QString() : dataDir + QStringLiteral("/PhotosAlbums.sqlite");
}

std::optional<QString> PhotosApp::albumName(const QString &name) const
{
    AlbumStore store(albumStorePath());
    if (!store.isOpen() || !store.consent())
        return std::nullopt;
    SqliteStatement select(store.db(), "SELECT name FROM albums WHERE name = ?");
    select.bindText(1, name);
    if (select.next())
        return select.columnText(0);
    return std::nullopt;
}

bool PhotosApp::createAlbum(const QString &name)
{
    AlbumStore store(albumStorePath());
    if (!store.admitsRequest())
        return false;
    if (name.isEmpty())
        return false;
    SqliteStatement insert(store.db(), "INSERT OR IGNORE INTO albums (name) VALUES (?)");
    insert.bindText(1, name);
    if (!insert.run()) {
        logWarning(lcPlatform)
            << QStringLiteral("Photos album \"%1\" could not be made: %2").arg(name, insert.errorMessage());
        return false;
    }
    return store.albumId(name).has_value();
}

bool PhotosApp::addItems(const QStringList &itemIds, const QString &albumName)
{
    AlbumStore store(albumStorePath());
    if (!store.admitsRequest())
        return false;
    const std::optional<qint64> album = store.albumId(albumName);
    if (!album) {
        logWarning(lcPlatform) << QStringLiteral("Photos has no album \"%1\"").arg(albumName);
        return false;
    }
    for (const QString &id : itemIds) {
        if (id.isEmpty()) {
            logWarning(lcPlatform) << "Photos items not added: an item has no identifier";
            return false;
        }
    }
    SqliteConnection &db = store.db();
    if (!db.execute("BEGIN IMMEDIATE"))
        return false;
    bool ok = true;
    {
        SqliteStatement insert(db,
                               "INSERT OR IGNORE INTO album_items (album, item, added)"
                               " VALUES (?, ?, (SELECT COALESCE(MAX(added), 0) + 1 FROM album_items))");
        ok = insert.isValid();
        for (const QString &id : itemIds) {
            if (!ok)
                break;
            insert.reset();
            insert.bindInt64(1, *album);
            insert.bindText(2, id);
            ok = insert.run();
        }
        if (!ok)
            logWarning(lcPlatform) << QStringLiteral("Photos items could not be added to \"%1\": %2")
                                          .arg(albumName, insert.errorMessage());
    }
    if (ok && db.execute("COMMIT"))
        return true;
    db.execute("ROLLBACK");
    return false;
}

std::optional<QStringList> PhotosApp::albumItems(const QString &name) const
{
    AlbumStore store(albumStorePath());
    if (!store.isOpen())
        return std::nullopt;
    const std::optional<qint64> album = store.albumId(name);
    if (!album)
        return std::nullopt;
    SqliteStatement select(store.db(), "SELECT item FROM album_items WHERE album = ? ORDER BY added");
    select.bindInt64(1, *album);
    QStringList items;
    while (select.next())
        items << select.columnText(0);
    if (select.failed())
        return std::nullopt;
    return items;
}

} // namespace platform
