#include "platform/widgets/Workspace.h"

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
        qWarning().noquote() << "Cannot open an invalid address:" << url.toString();
        return false;
    }
    if (!QDesktopServices::openUrl(url)) {
        qWarning().noquote() << "No handler opened" << url.toString();
        return false;
    }
    return true;
}

QString Workspace::folderToReveal(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        return info.absoluteFilePath();
    return info.absolutePath();
}

bool Workspace::revealInFileManager(const QString &path)
{
    const QString folder = folderToReveal(path);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        qWarning().noquote() << "Cannot show" << path << "in the file manager: no such folder";
        return false;
    }
    return openURL(QUrl::fromLocalFile(folder));
}

} // namespace platform
