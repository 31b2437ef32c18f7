#include "platform/widgets/MediaBackend.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>

namespace platform {

bool mediaBackendInstalled(const char *name)
{
    QStringList folders = QCoreApplication::libraryPaths();
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath);
    for (const QString &folder : folders) {
        const QDir multimedia(folder + QStringLiteral("/multimedia"));
        const QStringList found = multimedia.entryList({QStringLiteral("*%1*").arg(QLatin1String(name))}, QDir::Files);
        if (!found.isEmpty())
            return true;
    }
    return false;
}

void chooseMediaBackend()
{
    if (!qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        return;
    // Naming a backend that is not installed would leave Qt with none at all.
    if (mediaBackendInstalled("ffmpeg"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
}

} // namespace platform
