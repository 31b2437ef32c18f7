#pragma once

#include <QObject>
#include <QString>

class QDeadlineTimer;
class QLocalServer;

namespace platform {

// One running instance of the application per settings file. The first launch takes a lock
// beside the file it guards (an advisory lock on "<file>.lock" in the settings file's own folder,
// so every launch that would write that file meets it, whatever runtime or temporary folder it
// sees) and listens on a local socket whose path it writes into the lock file; a later launch
// finds the lock taken, asks the running instance to come to the front through that socket (or,
// when the lock names none it can reach, through the socket's usual place in its own runtime
// folder), and ends without touching the settings. It hands over only to a socket of a process of
// its own user. No session bus is needed.
//
// A settings folder this user cannot write (read-only, or not there and not to be made) holds no
// lock: such a launch cannot write the settings, so no setting of another launch can be lost, and
// it runs with the settings read-only. Launches meet each other then through a lock and the socket
// in the runtime folder. A lock file this user may not open (one another user owns, left by a run
// as root through sudo, say) keeps the launch out, and failureReason says which file to remove.
//
// The socket goes where it can be made: the user's runtime folder ($XDG_RUNTIME_DIR), else a
// private folder of the temporary folder named for the user ("<tmp>/<name>-<uid>", mode 0700,
// refused when it is a link or belongs to someone else), else the settings folder. The lock is
// held on an open descriptor, so the system releases it when the instance ends in any way; the
// socket file a crashed instance leaves behind is taken away by the next instance.
//
//     platform::SingleInstance instance(QStringLiteral("twinsift"), settingsFile);
//     if (instance.claim() == platform::SingleInstance::Claim::HandedOver)
//         return 0;
//     QObject::connect(&instance, &platform::SingleInstance::activationRequested, ...);
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Claim {
        Primary,    // this process is the instance: it holds the lock and listens
        HandedOver, // another instance runs and was asked to come to the front
        NoLock,     // the lock cannot be made or taken (see failureReason): this process must not run
        NoAnswer,   // another instance holds the lock but cannot be reached (see failureReason)
    };

    // `guardedFile` is the settings file this instance is the only writer of.
    SingleInstance(const QString &name, const QString &guardedFile, QObject *parent = nullptr);
    // Stops listening and gives the lock up.
    ~SingleInstance() override;
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // Takes the lock, or hands over to the instance that holds it. Waits at most answerTimeoutMs
    // for a running instance that is still starting to listen and answer.
    Claim claim();
    // Stops listening and gives the lock up, so that a new instance can start (a restart).
    void release();

    // The user's private runtime folder for the socket; empty when none is usable.
    static QString runtimeFolder(const QString &name);
    QString socketPath() const { return m_socketPath; }
    // The lock this instance holds or met: beside the settings file, or in the runtime folder when
    // the settings folder cannot be written.
    QString lockPath() const { return m_lockPath; }
    // Why the last claim ended in NoLock or NoAnswer, as a sentence for the user.
    QString failureReason() const { return m_failureReason; }

    int answerTimeoutMs = 10000;

signals:
    // A later launch asked this instance to come to the front.
    void activationRequested();

private:
    enum class LockOpen { Opened, SettingsReadOnly, Failed };

    bool listen();
    void serveConnection();
    Claim handOver(const QDeadlineTimer &deadline);
    bool askToComeToTheFront(const QString &socketPath, const QDeadlineTimer &deadline);
    LockOpen openLock();
    bool openRuntimeLock();
    QStringList socketFolders() const;
    void fail(const QString &reason);

    QString m_name;
    QString m_guardedFile;
    QString m_lockPath;
    QString m_socketPath;
    QString m_socketName;
    QString m_failureReason;
    QString m_unreachable; // why the last socket tried did not take the request
    int m_lockFd = -1;
    bool m_held = false;
    bool m_settingsReadOnly = false;
    QLocalServer *m_server = nullptr;
};

} // namespace platform
