#pragma once

#include <QObject>
#include <QString>

class QDeadlineTimer;
class QLocalServer;

namespace platform {

// One running instance of the application per user. The first launch takes a lock file and
// listens on a local socket; a later launch finds the lock taken, asks the running instance over
// the socket to come to the front, and ends without touching the settings. No session bus is
// needed.
//
// Both live in the user's runtime folder ($XDG_RUNTIME_DIR), or, when that is unset or unusable,
// in a private folder of the temporary folder named for the user ("<tmp>/<name>-<uid>", mode
// 0700, refused when it is a link or belongs to someone else). The lock is an advisory lock held
// on an open descriptor, so the system releases it when the instance ends in any way; the socket
// file a crashed instance leaves behind is taken away by the next instance that gets the lock.
//
//     platform::SingleInstance instance(QStringLiteral("twinsift"));
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
        Unguarded,  // no usable runtime folder or lock: this process runs without the guard
        NoAnswer,   // another instance holds the lock but did not answer in time
    };

    explicit SingleInstance(const QString &name, QObject *parent = nullptr);
    // Stops listening and gives the lock up.
    ~SingleInstance() override;
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // Takes the lock, or hands over to the instance that holds it. Waits at most answerTimeoutMs
    // for a running instance that is still starting to listen and answer.
    Claim claim();
    // Stops listening and gives the lock up, so that a new instance can start (a restart).
    void release();

    // The folder of the lock and the socket; empty when none is usable.
    static QString runtimeFolder(const QString &name);
    QString socketPath() const { return m_socketPath; }

    int answerTimeoutMs = 10000;

signals:
    // A later launch asked this instance to come to the front.
    void activationRequested();

private:
    bool listen();
    void serveConnection();
    Claim handOver(const QDeadlineTimer &deadline);

    QString m_name;
    QString m_folder;
    QString m_socketPath;
    int m_lockFd = -1;
    QLocalServer *m_server = nullptr;
};

} // namespace platform
