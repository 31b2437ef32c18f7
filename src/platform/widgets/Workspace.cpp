#include "platform/widgets/Workspace.h"
#include "platform/Log.h"

#include "platform/widgets/Alerts.h"
#include "model/TextLookup.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDebug>
#include <QDesktopServices>
#include <QFileInfo>

namespace platform {

Workspace &Workspace::sharedWorkspace()
{
    static Workspace workspace;
    return workspace;
}

bool Workspace::openURL(const QUrl &url)
{
    if (url.isEmpty() || !url.isValid()) {
        logWarning(lcPlatform) << "Cannot open an invalid address:" << url.toString();
        return false;
    }
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) {
        logWarning(lcPlatform) << "Cannot open" << url.toLocalFile() << ": it does not exist";
        return false;
    }
    if (!QDesktopServices::openUrl(url)) {
        logWarning(lcPlatform) << "No handler opened" << url.toString();
        return false;
    }
    return true;
}

namespace {

void tellNothingOpened(const QString &what)
{
    showAlert(localizedText(QStringLiteral("IDS_TWK_8811")),
              substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_8812")), {what}));
}

} // namespace

bool Workspace::openURLOrTell(const QUrl &url)
{
    if (openURL(url))
        return true;
    tellNothingOpened(url.isLocalFile() ? url.toLocalFile() : url.toDisplayString());
    return false;
}

bool Workspace::revealInFileManagerOrTell(const QString &path)
{
    if (revealInFileManager(path, [path] { tellNothingOpened(path); }))
        return true;
    tellNothingOpened(path);
    return false;
}

QString Workspace::folderToReveal(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        return info.absoluteFilePath();
    return info.absolutePath();
}

bool Workspace::revealInFileManager(const QString &path, std::function<void()> failed)
{
    const QString folder = folderToReveal(path);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        logWarning(lcPlatform) << "Cannot show" << path << "in the file manager: no such folder";
        return false;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!QFileInfo::exists(path) || !bus.isConnected())
        return openURL(QUrl::fromLocalFile(folder));
    // The desktop's file manager selects the item itself; when it cannot, the folder opens.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded)}
         << QString();
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 3000), QCoreApplication::instance());
    QObject::connect(
        watcher, &QDBusPendingCallWatcher::finished, watcher, [path, folder, failed](QDBusPendingCallWatcher *answer) {
            answer->deleteLater();
            if (!answer->isError())
                return;
            logWarning(lcPlatform) << "The file manager did not show" << path << ":" << answer->error().message();
            if (!sharedWorkspace().openURL(QUrl::fromLocalFile(folder)) && failed)
                failed();
        });
    return true;
}

} // namespace platform
