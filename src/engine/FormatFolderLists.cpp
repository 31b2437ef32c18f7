#include "engine/FormatFolderLists.h"

#include "model/ModuleState.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

bool listsNothing(const ImageGroups &groups)
{
    return groups.empty() || groups.front().empty();
}

} // namespace

QString folderTextOfFile(const QUrl &fileUrl)
{
    if (fileUrl.isEmpty())
        return {};
    return QString::fromUtf8(fileUrl.adjusted(QUrl::RemoveFilename).toEncoded());
}

bool isPhotosLibraryPath(const std::optional<QString> &entryPath, const QString &folderPath)
{
    if (entryPath && entryPath->compare(folderPath, Qt::CaseInsensitive) == 0)
        return true;
    const QString lower = folderPath.toLower();
    return lower.contains(QStringLiteral(".photoslibrary/originals/"))
        || lower.contains(QStringLiteral(".photoslibrary/masters/"));
}

std::vector<FileFormat> fileFormatListFor(const ImageGroups &groups)
{
    std::vector<FileFormat> formats;
    if (listsNothing(groups))
        return formats;
    for (const ImageGroup &group : groups) {
        for (const ImageFilePtr &file : group) {
            if (!file || !file->url)
                continue;
            const QString extension = QFileInfo(file->url->path()).suffix();
            const QString lower = extension.toLower();
            const bool known = std::any_of(formats.begin(), formats.end(), [&](const FileFormat &format) {
                return format.fileExtension.toLower() == lower;
            });
            if (!known)
                formats.push_back({int(formats.size()) + 1, extension});
        }
    }
    return formats;
}

std::vector<FolderPreferences> folderListFor(const ImageGroups &groups)
{
    std::vector<FolderPreferences> folders;
    if (listsNothing(groups))
        return folders;
    // isPhotosLibraryPath against every entry, in one look-up: a folder is known when the list
    // holds it (case ignored) or, once the list holds anything, when it lies in a Photos library.
    QSet<QString> known;
    QString previous;
    for (const ImageGroup &group : groups) {
        for (const ImageFilePtr &file : group) {
            if (!file || !file->url)
                continue;
            const QString folder = folderTextOfFile(*file->url);
            if (folder == previous && !folders.empty())
                continue;
            previous = folder;
            const QString lower = folder.toLower();
            if (known.contains(lower) || (!folders.empty() && isPhotosLibraryPath(std::nullopt, folder)))
                continue;
            known.insert(lower);
            folders.push_back({int(folders.size()) + 1, folder});
        }
    }
    return folders;
}

void rebuildFileFormatList(const ImageGroups &groups)
{
    fileFormatPriorities = fileFormatListFor(groups);
}

void rebuildFolderList(const ImageGroups &groups)
{
    folderPriorities = folderListFor(groups);
}
