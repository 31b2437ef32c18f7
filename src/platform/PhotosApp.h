#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

// Our stand-in for the desktop Photos application, which Linux does not have.
//
// - "Running" means: a process of the current user whose name (its /proc comm, or the file name of
//   its first argument) equals processName(). The name is empty by default, so Photos never runs
//   unless one is configured, either through setProcessName() or the environment variable
//   TWINSIFT_PHOTOS_PROCESS read when the shared instance is made.
// - Quitting sends SIGTERM to those processes; the caller then waits, bounded, for them to end.
// - The albums live in a small SQLite file of ours (albumStorePath(), by default
//   "PhotosAlbums.sqlite" in the user's data folder) that records each album by name and the
//   identifiers of its items.
// - The automation consent is a stored switch in the same file (allowed until switched off), so
//   that both answers can be reached and tested. While it is off, every album call fails.
//
// Every call may be made from any thread; failures give the result documented per call and leave
// a diagnostic line on the standard output.
class PhotosApp
{
public:
    // The error number with which an automation request is refused.
    static constexpr int automationRefusedError = -1743;

    static PhotosApp &shared();

    PhotosApp();
    PhotosApp(const PhotosApp &) = delete;
    PhotosApp &operator=(const PhotosApp &) = delete;

    // ---- running and quitting

    void setProcessName(const QString &name);
    QString processName() const;

    // Process ids of the running Photos processes (empty when none, or when no name is set).
    // Processes that have ended but are not yet reaped do not count.
    std::vector<qint64> runningProcessIds() const;
    bool isRunning() const { return !runningProcessIds().empty(); }

    // Sends a terminate request (SIGTERM) to every running Photos process. True when at least one
    // request was delivered. Nothing waits here.
    bool terminate();

    // Waits until no Photos process runs or timeoutMs passes; true when none runs. On the main
    // thread the event loop keeps running meanwhile, so the interface stays responsive.
    bool waitUntilQuit(int timeoutMs) const;

    // The same wait without blocking: checks every pollMs on the main thread's event loop and calls
    // done(ended) once, on the main thread. Dropped when context is destroyed first.
    void whenQuit(int timeoutMs, QObject *context, std::function<void(bool ended)> done, int pollMs = 100) const;

    // ---- automation consent

    bool automationAllowed() const;
    bool setAutomationAllowed(bool allowed);

    // The number of media items Photos knows of: here, the distinct items recorded in our albums.
    // Absent when the store cannot be read, or when automation is refused; in that case
    // *errorNumber (when given) receives automationRefusedError.
    std::optional<qint64> countMediaItems(int *errorNumber = nullptr) const;

    // ---- albums

    // The album store file; tests point it into a temporary folder.
    void setAlbumStorePath(const QString &path);
    QString albumStorePath() const;

    // The name of the album with this name, or absent when there is no such album (or the store
    // cannot be read, or automation is refused).
    std::optional<QString> albumName(const QString &name) const;

    // Makes the album when it does not exist yet. True when the album exists afterwards.
    bool createAlbum(const QString &name);

    // Records the items in the album, all or nothing. False, with nothing recorded, when the album
    // does not exist, an identifier is empty, automation is refused or the store cannot be
    // written. Items already in the album stay there once. An empty list succeeds when the album
    // exists.
    bool addItems(const QStringList &itemIds, const QString &albumName);

    // The item identifiers of the album, in the order they were first added; absent when there is
    // no such album or the store cannot be read.
    std::optional<QStringList> albumItems(const QString &name) const;

private:
    mutable std::mutex m_mutex;
    QString m_processName;
    QString m_storePath; // empty: the default under the user's data folder
};

} // namespace platform
