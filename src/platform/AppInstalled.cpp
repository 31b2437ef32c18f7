#include "platform/AppInstalled.h"

#include <QFile>
#include <QStandardPaths>

namespace platform {

namespace {

// A desktop file that says Hidden=true counts as removed.
bool isHiddenEntry(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return true;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith("Hidden="))
            return line.mid(7).trimmed().toLower() == "true";
    }
    return false;
}

} // namespace

bool isAppInstalled(const QString &applicationId)
{
    if (applicationId.isEmpty() || applicationId.contains(QLatin1Char('/')))
        return false;
    const QString fileName =
        applicationId.endsWith(QLatin1String(".desktop")) ? applicationId : applicationId + QStringLiteral(".desktop");
    // The first folder that holds the id decides (a user's entry overrides a system one).
    for (const QString &dir : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        const QString path = dir + QLatin1Char('/') + fileName;
        if (QFile::exists(path))
            return !isHiddenEntry(path);
    }
    return false;
}

} // namespace platform
