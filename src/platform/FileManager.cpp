#include "platform/FileManager.h"

#include "platform/FileStat.h"
#include "platform/FreedesktopTrash.h"
#include "platform/Log.h"
#include "platform/PathSafety.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Entries of one folder, without "." and "..", sorted by name (byte order) so that walks are stable.
// An entry whose kind cannot be found out is logged and left out. Absent when the folder cannot be
// read, with the reason in *error.
std::optional<std::vector<DirectoryEntry>> readFolder(const QString &path, bool skipHidden, QString *error = nullptr)
{
    if (!PathSafety::isUsable(path)) {
        if (error)
            *error = QStringLiteral("not a usable path");
        return std::nullopt;
    }
    const QByteArray native = QFile::encodeName(path);
    DIR *dir = ::opendir(native.constData());
    if (!dir) {
        if (error)
            *error = reasonOf(errno);
        return std::nullopt;
    }
    std::vector<std::pair<QByteArray, unsigned char>> names;
    while (dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        if (skipHidden && name[0] == '.')
            continue;
        names.emplace_back(QByteArray(name), entry->d_type);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());

    std::vector<DirectoryEntry> result;
    result.reserve(names.size());
    const QByteArray prefix = native.endsWith('/') ? native : native + '/';
    for (const auto &[name, type] : names) {
        DirectoryEntry entry;
        const QByteArray full = prefix + name;
        entry.path = QFile::decodeName(full);
        unsigned char kind = type;
        if (kind == DT_UNKNOWN) {
            struct stat st = {};
            if (::lstat(full.constData(), &st) != 0) {
                logSkippedFile(lcPlatform(), entry.path, SkipReason::Unreadable, reasonOf(errno));
                continue;
            }
            if (S_ISREG(st.st_mode))
                kind = DT_REG;
            else if (S_ISDIR(st.st_mode))
                kind = DT_DIR;
            else if (S_ISLNK(st.st_mode))
                kind = DT_LNK;
        }
        entry.isRegularFile = kind == DT_REG;
        entry.isDirectory = kind == DT_DIR;
        entry.isSymbolicLink = kind == DT_LNK;
        result.push_back(std::move(entry));
    }
    return result;
}

bool walk(const QString &folder, bool skipHidden, bool skipPackageContents,
          const std::function<bool(const DirectoryEntry &)> &visit)
{
    QString error;
    const auto entries = readFolder(folder, skipHidden, &error);
    if (!entries) {
        // An unreadable sub-folder is passed over, with a line naming it.
        logSkippedFile(lcPlatform(), folder, SkipReason::Unreadable, error);
        return true;
    }
    for (const DirectoryEntry &entry : *entries) {
        if (!visit(entry))
            return false;
        if (entry.isDirectory) {
            if (skipPackageContents && FileManager::isPackageName(QFileInfo(entry.path).fileName()))
                continue;
            if (!walk(entry.path, skipHidden, skipPackageContents, visit))
                return false;
        }
    }
    return true;
}

} // namespace

std::optional<FileAttributes> FileManager::attributes(const QString &path)
{
    const auto stat = FileStat::of(path);
    if (!stat)
        return std::nullopt;
    return stat->attributes();
}

std::optional<quint64> FileManager::fileSize(const QString &path)
{
    const auto a = attributes(path);
    if (!a)
        return std::nullopt;
    return a->size;
}

std::optional<QDateTime> FileManager::modificationDate(const QString &path)
{
    const auto a = attributes(path);
    return a ? a->modificationDate : std::nullopt;
}

std::optional<QDateTime> FileManager::creationDate(const QString &path)
{
    const auto a = attributes(path);
    return a ? a->creationDate : std::nullopt;
}

bool FileManager::isRegularFile(const QString &path)
{
    if (!PathSafety::isUsable(path))
        return false;
    struct stat st = {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FileManager::isPackageName(const QString &fileName)
{
    const QString lower = fileName.toLower();
    return lower.endsWith(QLatin1String(".photoslibrary")) || lower.endsWith(QLatin1String(".app"))
        || lower.endsWith(QLatin1String(".bundle"));
}

bool FileManager::enumerate(const QString &root, bool skipHidden, bool skipPackageContents,
                            const std::function<bool(const DirectoryEntry &)> &visit)
{
    const auto a = attributes(root);
    if (!a || !a->isDirectory)
        return false;
    const QByteArray native = QFile::encodeName(root);
    if (::access(native.constData(), R_OK | X_OK) != 0)
        return false;
    walk(root, skipHidden, skipPackageContents, visit);
    return true;
}

std::optional<std::vector<DirectoryEntry>> FileManager::contentsOfDirectory(const QString &path, bool skipHidden)
{
    return readFolder(path, skipHidden);
}

QString FileManager::homeTrashPath()
{
    // The same base folder the Qt trash code uses, so both agree (also under the test mode of
    // QStandardPaths).
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash");
}

bool FileManager::ensureHomeTrash()
{
    const QString trash = homeTrashPath();
    for (const QString &sub : {QStringLiteral("/files"), QStringLiteral("/info")}) {
        const QString dir = trash + sub;
        if (QFileInfo(dir).isDir())
            continue;
        if (!QDir().mkpath(dir))
            return false;
    }
    QFile::setPermissions(trash, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

bool FileManager::isInTrash(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString home = QDir::cleanPath(homeTrashPath()) + QStringLiteral("/files/");
    if (clean.startsWith(home))
        return true;
    const QString uid = QString::number(::getuid());
    return clean.contains(QStringLiteral("/.Trash-") + uid + QStringLiteral("/files/"))
        || clean.contains(QStringLiteral("/.Trash/") + uid + QStringLiteral("/files/"));
}

TrashResult FileManager::trashItem(const QString &path, const FileStat *expected, Cancellable *cancel)
{
    return FreedesktopTrash::trashItem(path, expected, cancel);
}

} // namespace platform
