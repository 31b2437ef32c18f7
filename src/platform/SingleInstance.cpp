#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include "platform/Log.h"

#include <QLoggingCategory>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcInstance, "twinsift.instance", QtWarningMsg)

namespace platform {

namespace {

const QByteArray kActivate = QByteArrayLiteral("activate\n");
const QByteArray kAnswer = QByteArrayLiteral("ok\n");
// A request is one short line; anything longer is not ours.
constexpr qint64 kMaxRequestBytes = 64;
// The lock file holds the holder's process number and its socket path.
constexpr size_t kMaxLockBytes = 4200;

// A folder only this user can enter and write: a real folder (a link is followed only when
// `followLink`), owned by the user, closed to the group and others.
bool isPrivateFolder(const QString &path, bool followLink)
{
    struct stat info = {};
    const QByteArray native = QFile::encodeName(path);
    const int status = followLink ? ::stat(native.constData(), &info) : ::lstat(native.constData(), &info);
    return status == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The login name of a user, else the number.
QString userName(uid_t uid)
{
    if (const passwd *entry = ::getpwuid(uid))
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(uid);
}

} // namespace

SingleInstance::SingleInstance(const QString &name, const QString &guardedFile, QObject *parent)
    : QObject(parent)
    , m_name(name)
    , m_guardedFile(guardedFile)
{
}

SingleInstance::~SingleInstance()
{
    release();
}

QString SingleInstance::runtimeFolder(const QString &name)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime)) {
        if (isPrivateFolder(runtime, true))
            return QDir::cleanPath(runtime);
        logWarning(lcInstance) << "the runtime folder" << runtime
                               << "is not private to this user; using the temporary folder";
    }
    // A folder of our own in the temporary folder, named for the user. Someone else may have made
    // it first: then it is not ours (owner, mode or a link) and is not used.
    const QString folder = QDir::tempPath() + QLatin1Char('/') + name + QLatin1Char('-') + QString::number(::geteuid());
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        logWarning(lcInstance) << folder << "cannot be made:" << std::strerror(errno);
        return {};
    }
    if (!isPrivateFolder(folder, false)) {
        struct stat info = {};
        // Our own folder with a looser mode (made by hand) is closed; anything else is refused.
        if (::lstat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
            && ::chmod(native.constData(), 0700) == 0 && isPrivateFolder(folder, false))
            return folder;
        logWarning(lcInstance) << folder << "is not a private folder of this user";
        return {};
    }
    return folder;
}

void SingleInstance::fail(const QString &reason)
{
    m_failureReason = reason;
    logWarning(lcInstance) << reason;
}

SingleInstance::LockOpen SingleInstance::openLock()
{
    const QFileInfo guarded(m_guardedFile);
    const QString folder = guarded.absolutePath();
    m_lockPath = folder + QLatin1Char('/') + guarded.fileName() + QStringLiteral(".lock");
    // One socket per settings file: named for the lock's path, so instances of other settings
    // files sharing a runtime folder never take each other's socket away.
    const QString tag = QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(m_lockPath), QCryptographicHash::Sha1).toHex().left(16));
    m_socketName = m_name + QLatin1Char('-') + tag;

    // A folder this process cannot write holds no settings it could change: nothing to guard.
    const QByteArray nativeFolder = QFile::encodeName(folder);
    if (!QDir().mkpath(folder)) {
        logDebug(lcInstance) << "the settings folder" << folder
                             << "cannot be made; the settings are read-only for this instance";
        return LockOpen::SettingsReadOnly;
    }
    if (::faccessat(AT_FDCWD, nativeFolder.constData(), W_OK | X_OK, AT_EACCESS) != 0) {
        logDebug(lcInstance) << "the settings folder" << folder << "cannot be written (" << std::strerror(errno)
                             << "); the settings are read-only for this instance";
        return LockOpen::SettingsReadOnly;
    }
    const QByteArray native = QFile::encodeName(m_lockPath);
    m_lockFd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    int error = m_lockFd < 0 ? errno : 0;
    if (error == EROFS)
        return LockOpen::SettingsReadOnly;
    // A lock file this user made read-only still takes the lock.
    if (m_lockFd < 0 && (error == EACCES || error == EPERM))
        m_lockFd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (m_lockFd < 0) {
        struct stat info = {};
        if (::lstat(native.constData(), &info) == 0 && info.st_uid != ::geteuid()) {
            fail(QStringLiteral("The lock file %1 belongs to the user %2, so this launch cannot open it. It is left "
                                "by a run as that user (through sudo, for example). Once no such run is open, "
                                "remove the file (for example with: sudo rm '%1') and start again.")
                     .arg(m_lockPath, userName(info.st_uid)));
        } else {
            fail(QStringLiteral("The lock %1 cannot be opened: %2.").arg(m_lockPath, errnoText(error)));
        }
        return LockOpen::Failed;
    }
    struct stat info = {};
    if (::fstat(m_lockFd, &info) != 0 || !S_ISREG(info.st_mode)) {
        fail(QStringLiteral("The lock %1 is not a regular file.").arg(m_lockPath));
        ::close(m_lockFd);
        m_lockFd = -1;
        return LockOpen::Failed;
    }
    return LockOpen::Opened;
}

bool SingleInstance::openRuntimeLock()
{
    const QString folder = runtimeFolder(m_name);
    if (folder.isEmpty())
        return false;
    m_lockPath = folder + QLatin1Char('/') + m_socketName + QStringLiteral(".lock");
    const QByteArray native = QFile::encodeName(m_lockPath);
    m_lockFd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    struct stat info = {};
    if (m_lockFd >= 0 && ::fstat(m_lockFd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid())
        return true;
    logWarning(lcInstance) << "the lock" << m_lockPath << "in the runtime folder cannot be used";
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    m_lockFd = -1;
    return false;
}

QStringList SingleInstance::socketFolders() const
{
    QStringList folders;
    if (const QString runtime = runtimeFolder(m_name); !runtime.isEmpty())
        folders << runtime;
    if (!m_settingsReadOnly)
        folders << QFileInfo(m_guardedFile).absolutePath();
    return folders;
}

SingleInstance::Claim SingleInstance::claim()
{
    if (m_held)
        return Claim::Primary;
    m_failureReason.clear();
    m_unreachable.clear();
    m_settingsReadOnly = false;
    switch (openLock()) {
    case LockOpen::Failed:
        return Claim::NoLock;
    case LockOpen::SettingsReadOnly:
        m_settingsReadOnly = true;
        if (!openRuntimeLock()) {
            // No place to meet other launches; with the settings read-only this one runs alone.
            logWarning(lcInstance) << "no runtime folder: later launches cannot reach this instance";
            m_held = true;
            return Claim::Primary;
        }
        break;
    case LockOpen::Opened:
        break;
    }

    // The holder of the lock may be starting (not listening yet) or ending (no longer listening):
    // ask again, and take the lock once it is free, until the time is up.
    const QDeadlineTimer deadline(answerTimeoutMs);
    for (;;) {
        if (::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0) {
            m_held = true;
            listen();
            return Claim::Primary;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            const QString reason = errnoText(errno);
            release();
            fail(QStringLiteral("The lock %1 cannot be taken: %2.").arg(m_lockPath, reason));
            return Claim::NoLock;
        }
        if (handOver(deadline) == Claim::HandedOver) {
            release();
            return Claim::HandedOver;
        }
        if (deadline.hasExpired()) {
            release();
            fail(QStringLiteral("Another instance holds the lock %1 but %2.")
                     .arg(m_lockPath, m_unreachable.isEmpty() ? QStringLiteral("does not answer") : m_unreachable));
            return Claim::NoAnswer;
        }
        QThread::msleep(50);
    }
}

bool SingleInstance::listen()
{
    for (const QString &folder : socketFolders()) {
        const QString path = folder + QLatin1Char('/') + m_socketName + QStringLiteral(".socket");
        // The lock is ours, so a socket file left here belongs to an instance that has ended.
        QLocalServer::removeServer(path);
        auto *server = new QLocalServer(this);
        server->setSocketOptions(QLocalServer::UserAccessOption);
        if (server->listen(path)) {
            m_server = server;
            m_socketPath = path;
            break;
        }
        logWarning(lcInstance) << "later launches cannot reach this instance at" << path << ":"
                               << server->errorString();
        delete server;
    }
    if (!m_server) {
        // The lock stays held: a later launch finds it, gets no answer and leaves the settings alone.
        return false;
    }
    // Later launches find the socket through the lock file, whatever runtime folder they see. A
    // lock file opened read-only keeps what an earlier instance wrote: later launches then also
    // look in the socket's usual places.
    const QByteArray content = QByteArray::number(qint64(::getpid())) + '\n' + QFile::encodeName(m_socketPath) + '\n';
    if (::ftruncate(m_lockFd, 0) != 0 || ::pwrite(m_lockFd, content.constData(), size_t(content.size()), 0) < 0)
        logDebug(lcInstance) << "the lock file cannot name the socket; later launches look for it at" << m_socketPath;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::serveConnection);
    logDebug(lcInstance) << "listening for later launches at" << m_socketPath;
    return true;
}

void SingleInstance::serveConnection()
{
    while (QLocalSocket *socket = m_server ? m_server->nextPendingConnection() : nullptr) {
        // A caller that never finishes its line is dropped.
        QTimer::singleShot(answerTimeoutMs, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxRequestBytes)
                    socket->abort();
                return;
            }
            const QByteArray request = socket->readLine(kMaxRequestBytes);
            if (request != kActivate) {
                logDebug(lcInstance) << "ignored a request to the instance:" << request.left(16);
                socket->abort();
                return;
            }
            socket->write(kAnswer);
            socket->disconnectFromServer();
            logDebug(lcInstance) << "a later launch asks this instance to come to the front";
            emit activationRequested();
        });
    }
}

SingleInstance::Claim SingleInstance::handOver(const QDeadlineTimer &deadline)
{
    // The holder names its socket on the lock file's second line (none yet while it starts, and an
    // earlier instance's when it could not write the lock); else the socket is in one of its usual
    // places.
    QStringList candidates;
    char buffer[kMaxLockBytes];
    const ssize_t got = ::pread(m_lockFd, buffer, sizeof buffer, 0);
    if (got > 0) {
        const QList<QByteArray> lines = QByteArray(buffer, qsizetype(got)).split('\n');
        if (lines.size() >= 3 && lines[1].startsWith('/') && !lines[1].contains('\0'))
            candidates << QFile::decodeName(lines[1]);
    }
    for (const QString &folder : socketFolders()) {
        const QString path = folder + QLatin1Char('/') + m_socketName + QStringLiteral(".socket");
        if (!candidates.contains(path))
            candidates << path;
    }
    for (const QString &path : std::as_const(candidates)) {
        if (askToComeToTheFront(path, deadline)) {
            m_socketPath = path;
            logDebug(lcInstance) << "handed over to the running instance at" << path;
            return Claim::HandedOver;
        }
    }
    return Claim::NoAnswer;
}

bool SingleInstance::askToComeToTheFront(const QString &socketPath, const QDeadlineTimer &deadline)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(500))
        return false;
    // Only a process of this user is asked: a socket of another's (a path planted in the lock, a
    // run as root) gets no request and no trust.
    struct ucred peer = {};
    socklen_t size = sizeof peer;
    const bool known = ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0;
    if (!known || peer.uid != ::geteuid()) {
        const QString why = known ? QStringLiteral("its socket %1 belongs to the user %2, not to this one")
                                        .arg(socketPath, userName(peer.uid))
                                  : QStringLiteral("the owner of its socket %1 cannot be told").arg(socketPath);
        if (why != m_unreachable)
            logWarning(lcInstance) << "no hand-over:" << why;
        m_unreachable = why;
        socket.abort();
        return false;
    }
    socket.write(kActivate);
    if (!socket.waitForBytesWritten(1000))
        return false;
    // An instance still starting answers once its event loop runs.
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < kMaxRequestBytes && !deadline.hasExpired()) {
        if (!socket.bytesAvailable() && !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            break;
        answer += socket.read(kMaxRequestBytes - answer.size());
    }
    return answer == kAnswer;
}

void SingleInstance::release()
{
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
        m_lockFd = -1;
    }
    m_held = false;
}

} // namespace platform
