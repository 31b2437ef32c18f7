#include "platform/PathSafety.h"

#include <QFile>

namespace platform {

bool PathSafety::isUsable(const QString &path)
{
    return !path.isEmpty() && !path.contains(QChar(u'\0'));
}

bool PathSafety::isUsable(const QByteArray &nativePath)
{
    return !nativePath.isEmpty() && !nativePath.contains('\0');
}

std::optional<QByteArray> PathSafety::nativePath(const QString &path)
{
    if (!isUsable(path))
        return std::nullopt;
    QByteArray native = QFile::encodeName(path);
    if (!isUsable(native))
        return std::nullopt;
    return native;
}

} // namespace platform
