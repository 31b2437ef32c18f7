#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

// Paths that reach the operating system. A path holding a NUL character cannot be passed to a
// system call as it stands: the call would see only the part before the NUL, so a folder walk
// would list that shorter folder under the longer name again and again. Such paths (from a
// settings file or a Photos library database) are refused wherever a path enters the platform layer.
class PathSafety
{
public:
    // True when the path is not empty and holds no NUL character.
    static bool isUsable(const QString &path);
    static bool isUsable(const QByteArray &nativePath);
    // The path in the file system's encoding; absent when it is not usable.
    static std::optional<QByteArray> nativePath(const QString &path);
};

} // namespace platform
