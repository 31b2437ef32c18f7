#include "platform/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcInstance, "twinsift.instance", QtWarningMsg)

namespace platform {

namespace {

const QByteArray kActivate = QByteArrayLiteral("activate\n");
const QByteArray kAnswer = QByteArrayLiteral("ok\n");
// A request is one short line; anything longer is not ours.
constexpr qint64 kMaxRequestBytes = 64;

// A folder only this user can enter and write: a real folder (a link is followed only when
// `followLink`), owned by the user, closed to the group and others.
bool isPrivateFolder(const QString &path, bool followLink)
{
    struct stat info = {};
    const QByteArray native = QFile::encodeName(path);
    const int status = followLink ? ::stat(native.constData(), &info) : ::lstat(native.constData(), &info);
    return status == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

} // namespace

SingleInstance::SingleInstance(const QString &name, QObject *parent)
    : QObject(parent)
    , m_name(name)
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
        qCWarning(lcInstance).noquote() << "the runtime folder" << runtime
                                        << "is not private to this user; using the temporary folder";
    }
    // A folder of our own in the temporary folder, named for the user. Someone else may have made
    // it first: then it is not ours (owner, mode or a link) and is not used.
    const QString folder = QDir::tempPath() + QLatin1Char('/') + name + QLatin1Char('-') + QString::number(::geteuid());
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        qCWarning(lcInstance).noquote() << folder << "cannot be made:" << std::strerror(errno);
        return {};
    }
    if (!isPrivateFolder(folder, false)) {
        struct stat info = {};
        // Our own folder with a looser mode (made by hand) is closed; anything else is refused.
        if (::lstat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
            && ::chmod(native.constData(), 0700) == 0 && isPrivateFolder(folder, false))
            return folder;
        qCWarning(lcInstance).noquote() << folder << "is not a private folder of this user";
        return {};
    }
    return folder;
}

SingleInstance::Claim SingleInstance::claim()
{
    if (m_server)
        return Claim::Primary;
    m_folder = runtimeFolder(m_name);
    if (m_folder.isEmpty())
        return Claim::Unguarded;
    m_socketPath = m_folder + QLatin1Char('/') + m_name + QStringLiteral(".socket");
    const QByteArray lockPath = QFile::encodeName(m_folder + QLatin1Char('/') + m_name + QStringLiteral(".lock"));
    m_lockFd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lockFd < 0) {
        qCWarning(lcInstance).noquote() << "the instance lock" << lockPath
                                        << "cannot be opened:" << std::strerror(errno);
        return Claim::Unguarded;
    }

    // The holder of the lock may be starting (not listening yet) or ending (no longer listening):
    // ask again, and take the lock once it is free, until the time is up.
    const QDeadlineTimer deadline(answerTimeoutMs);
    for (;;) {
        if (::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0)
            return listen() ? Claim::Primary : Claim::Unguarded;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            qCWarning(lcInstance).noquote() << "the instance lock cannot be taken:" << std::strerror(errno);
            release();
            return Claim::Unguarded;
        }
        if (handOver(deadline) == Claim::HandedOver) {
            ::close(m_lockFd);
            m_lockFd = -1;
            return Claim::HandedOver;
        }
        if (deadline.hasExpired()) {
            ::close(m_lockFd);
            m_lockFd = -1;
            qCWarning(lcInstance).noquote() << "the running instance did not answer at" << m_socketPath;
            return Claim::NoAnswer;
        }
        QThread::msleep(50);
    }
}

bool SingleInstance::listen()
{
    // The lock is ours, so a socket file left here belongs to an instance that has ended.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath)) {
        qCWarning(lcInstance).noquote() << "later launches cannot reach this instance:" << m_server->errorString();
        delete m_server;
        m_server = nullptr;
        // The lock stays held: a later launch finds it, gets no answer and leaves the settings alone.
        return true;
    }
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(m_lockFd, 0) != 0 || ::write(m_lockFd, pid.constData(), size_t(pid.size())) < 0)
        qCDebug(lcInstance) << "the lock file does not name this process";
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::serveConnection);
    qCDebug(lcInstance).noquote() << "listening for later launches at" << m_socketPath;
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
                qCDebug(lcInstance) << "ignored a request to the instance:" << request.left(16);
                socket->abort();
                return;
            }
            socket->write(kAnswer);
            socket->disconnectFromServer();
            qCDebug(lcInstance) << "a later launch asks this instance to come to the front";
            emit activationRequested();
        });
    }
}

SingleInstance::Claim SingleInstance::handOver(const QDeadlineTimer &deadline)
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(500))
        return Claim::NoAnswer;
    socket.write(kActivate);
    if (!socket.waitForBytesWritten(1000))
        return Claim::NoAnswer;
    // An instance still starting answers once its event loop runs.
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < kMaxRequestBytes && !deadline.hasExpired()) {
        if (!socket.bytesAvailable() && !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            break;
        answer += socket.read(kMaxRequestBytes - answer.size());
    }
    if (answer != kAnswer)
        return Claim::NoAnswer;
    qCDebug(lcInstance).noquote() << "handed over to the running instance at" << m_socketPath;
    return Claim::HandedOver;
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
}

} // namespace platform
