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
// finds the lock taken, reads the socket path there, asks the running instance to come to the
// front, and ends without touching the settings. No session bus is needed.
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
        NoAnswer,   // another instance holds the lock but did not answer in time
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
    QString lockPath() const { return m_lockPath; }
    // Why the last claim ended in NoLock or NoAnswer, as a sentence for the user.
    QString failureReason() const { return m_failureReason; }

    int answerTimeoutMs = 10000;

signals:
    // A later launch asked this instance to come to the front.
    void activationRequested();

private:
    bool listen();
    void serveConnection();
    Claim handOver(const QDeadlineTimer &deadline);
    bool openLock();

    QString m_name;
    QString m_guardedFile;
    QString m_lockPath;
    QString m_socketPath;
    QString m_failureReason;
    int m_lockFd = -1;
    bool m_held = false;
    QLocalServer *m_server = nullptr;
};

} // namespace platform
