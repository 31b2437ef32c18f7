#include "services/MVNAssistance.h"

#include "platform/AppInstalled.h"
#include "platform/FileManager.h"
#include "platform/ImageSource.h"
#include "platform/Log.h"
#include "platform/Md5.h"
#include "platform/PropertyList.h"
#include "platform/VideoFrames.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Anything inside a Photos library package or a Photo Booth library folder is left out.
bool isInsideLibraryFolder(const QString &path)
{
    const QString lower = path.toLower();
    return lower.contains(QLatin1String(".photoslibrary/")) || lower.contains(QLatin1String("/photo booth library/"));
}

} // namespace

MVNAssistance &sharedAssistance()
{
    static MVNAssistance instance;
    return instance;
}

std::optional<std::vector<QUrl>> MVNAssistance::listFiles(const QUrl &folder,
                                                          const std::shared_ptr<ScanFlags> &flags) const
{
    if (!folder.isLocalFile())
        return std::nullopt;
    QString root = folder.toLocalFile();
    // A scan root that is itself a link to a folder is listed at its target; links below it are not
    // followed.
    if (const auto attributes = platform::FileManager::attributes(root); attributes && attributes->isSymbolicLink) {
        const QString target = QFileInfo(root).canonicalFilePath();
        if (!target.isEmpty())
            root = target;
    }
    std::vector<QUrl> result;
    const bool listed = platform::FileManager::enumerate(
        root, /*skipHidden=*/true, /*skipPackageContents=*/true, [&](const platform::DirectoryEntry &entry) {
            if (flags && flags->isFirstStepAbort.load())
                return false;
            if (!entry.isRegularFile) {
                if (!entry.isDirectory)
                    platform::logSkippedFile(lcServices(), entry.path, platform::SkipReason::NotRegularFile);
                return true;
            }
            if (isInsideLibraryFolder(entry.path))
                return true;
            result.push_back(QUrl::fromLocalFile(entry.path));
            return true;
        });
    if (!listed)
        return std::nullopt;
    return result;
}

std::optional<QString> MVNAssistance::fileMD5(const QUrl &file, const std::shared_ptr<ScanFlags> &flags) const
{
    if (!file.isLocalFile())
        return std::nullopt;
    const QString path = file.toLocalFile();
    if (!platform::FileManager::isRegularFile(path))
        return std::nullopt;
    std::function<bool()> shouldStop;
    if (flags)
        shouldStop = [&flags] { return flags->isSecondStepAbort.load(); };
    const platform::Md5::FileResult result = platform::Md5::ofFile(path, shouldStop);
    switch (result.status) {
    case platform::Md5::FileStatus::Done:
        return result.hex;
    case platform::Md5::FileStatus::Stopped:
        return QString(QLatin1String(""));
    case platform::Md5::FileStatus::ReadFailed:
        // A file that cannot be read to its end must never look identical to another.
        platform::logSkippedFile(lcServices(), path, platform::SkipReason::Unreadable,
                                 QStringLiteral("read error while digesting"));
        return std::nullopt;
    case platform::Md5::FileStatus::OpenFailed:
        break;
    }
    return std::nullopt;
}

std::optional<quint64> MVNAssistance::fileSize(const QString &path) const
{
    return platform::FileManager::fileSize(path);
}

std::optional<QString> MVNAssistance::fileSizeText(const QString &path) const
{
    const auto size = fileSize(path);
    if (!size)
        return std::nullopt;
    return sizeText(*size);
}

QString MVNAssistance::sizeText(quint64 bytes)
{
    if (bytes < 1023)
        return QString::asprintf("%llu bytes", static_cast<unsigned long long>(bytes));
    const float kibibytes = float(bytes / 1024);
    if (bytes < 1023ull * 1024ull)
        return QString::asprintf("%.1f KB", double(kibibytes));
    const float mebibytes = kibibytes / 1024.0f;
    if (mebibytes < 1023.0f)
        return QString::asprintf("%.1f MB", double(mebibytes));
    return QString::asprintf("%.1f GB", double(mebibytes / 1024.0f));
}

qint64 MVNAssistance::totalItemCount(const ImageGroups &groups)
{
    qint64 count = 0;
    for (const ImageGroup &group : groups)
        count += qint64(group.size());
    return count;
}

std::pair<std::optional<qint64>, std::optional<QString>> MVNAssistance::totalSizeText(const ImageGroups &groups) const
{
    quint64 total = 0;
    qint64 count = 0;
    for (const ImageGroup &group : groups) {
        for (const ImageFilePtr &file : group) {
            if (!file || !file->url)
                return {std::nullopt, std::nullopt};
            const auto size = fileSize(file->url->toLocalFile());
            if (!size)
                return {std::nullopt, std::nullopt};
            total += *size;
            ++count;
        }
    }
    return {count, sizeText(total)};
}

std::optional<QDateTime> MVNAssistance::modificationDate(const QString &path) const
{
    return platform::FileManager::modificationDate(path);
}

std::optional<QDateTime> MVNAssistance::creationDate(const QString &path) const
{
    return platform::FileManager::creationDate(path);
}

std::optional<QVariantMap> MVNAssistance::loadPropertyList(const QString &name) const
{
    if (name.isEmpty())
        return std::nullopt;
    const QString path = QStringLiteral(":/") + name + QStringLiteral(".plist");
    if (!QFile::exists(path))
        return std::nullopt;
    const auto value = platform::PropertyList::loadFile(path);
    if (!value || value->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return value->toMap();
}

std::optional<QVariantList> MVNAssistance::imageMetadataTags(const QUrl &file) const
{
    if (!file.isLocalFile())
        return std::nullopt;
    return platform::ImageSource(file.toLocalFile()).metadataTags();
}

std::optional<QImage> MVNAssistance::videoThumbnail(const QUrl &file, int width, int height) const
{
    if (!file.isLocalFile())
        return std::nullopt;
    auto frame = platform::VideoFrames::frameAtZero(file.toLocalFile());
    if (!frame)
        return std::nullopt;
    if (width > 0 && height > 0)
        return frame->scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return frame;
}

bool MVNAssistance::isAppInstalled(const QString &bundleIdentifier) const
{
    return platform::isAppInstalled(bundleIdentifier);
}
