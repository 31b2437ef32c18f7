#include "platform/widgets/MediaBackend.h"

#include "platform/RegularFile.h"
#include "platform/VideoContainer.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QVersionNumber>

namespace platform {

namespace {

// The first release whose player is known to play videos of unknown frame rate.
const QVersionNumber kPlaysUnknownFrameRate(6, 8);

// Demuxers whose streams the older players cannot be trusted with, whatever rate the check saw:
// the player looks at the file anew and may find no rate where the check found one.
bool isFragileContainer(const char *demuxerNames)
{
    // A demuxer may go by several names, comma-separated.
    for (const QByteArray &name : QByteArray(demuxerNames).split(','))
        if (name == "ogg" || name == "m4v")
            return true;
    return false;
}

} // namespace

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

bool playerPlays(const VideoContainer &video)
{
    if (!video.isVideo())
        return false;
    static const bool trusted = QVersionNumber::fromString(QLatin1String(qVersion())) >= kPlaysUnknownFrameRate;
    if (trusted)
        return true;
    return !isFragileContainer(video.containerName()) && video.averageFrameRate() > 0.0;
}

QUrl playerSource(const RegularFile &file)
{
    return QUrl::fromLocalFile(QString::fromLocal8Bit(file.descriptorPath()));
}

} // namespace platform
