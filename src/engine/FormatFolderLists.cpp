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

std::vector<FileFormat> fileFormatListFor(const ImageGroups &groups, ResultFileKeys *keys)
{
    std::vector<FileFormat> formats;
    if (listsNothing(groups))
        return formats;
    QSet<QString> known;        // the extensions listed, in lower case
    std::vector<char> typeDone; // per type id of the keys: its extension was listed or found known
    for (const ImageGroup &group : groups) {
        for (const ImageFilePtr &file : group) {
            if (!file || !file->url)
                continue;
            if (keys) {
                const ResultFileKeys::Keys k = keys->of(*file);
                if (k.typeFromName && k.type >= 0) {
                    const int type = k.type;
                    if (size_t(type) >= typeDone.size())
                        typeDone.resize(size_t(keys->typeCount()), 0);
                    if (typeDone[size_t(type)])
                        continue;
                    typeDone[size_t(type)] = 1;
                    if (known.contains(keys->typeText(type)))
                        continue;
                }
            }
            const QString extension = QFileInfo(file->url->path()).suffix();
            const QString lower = extension.toLower();
            if (known.contains(lower))
                continue;
            known.insert(lower);
            formats.push_back({int(formats.size()) + 1, extension});
        }
    }
    return formats;
}

std::vector<FolderPreferences> folderListFor(const ImageGroups &groups, ResultFileKeys *keys)
{
    std::vector<FolderPreferences> folders;
    if (listsNothing(groups))
        return folders;
    // isPhotosLibraryPath against every entry, in one look-up: a folder is known when the list
    // holds it (case ignored) or, once the list holds anything, when it lies in a Photos library.
    // A folder once seen is known from then on, so each folder of the keys is decided once.
    QSet<QString> known;
    QString previous;
    std::vector<char> folderDone; // per folder id of the keys
    for (const ImageGroup &group : groups) {
        for (const ImageFilePtr &file : group) {
            if (!file || !file->url)
                continue;
            QString folder;
            if (keys) {
                const int id = keys->of(*file).folder;
                if (id >= 0 && !keys->folderFileText(id).isNull()) {
                    if (size_t(id) >= folderDone.size())
                        folderDone.resize(size_t(keys->folderCount()), 0);
                    if (folderDone[size_t(id)])
                        continue;
                    folderDone[size_t(id)] = 1;
                    folder = keys->folderFileText(id);
                }
            }
            if (folder.isNull())
                folder = folderTextOfFile(*file->url);
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

void rebuildFileFormatList(const ImageGroups &groups, ResultFileKeys *keys)
{
    fileFormatPriorities = fileFormatListFor(groups, keys);
}

void rebuildFolderList(const ImageGroups &groups, ResultFileKeys *keys)
{
    folderPriorities = folderListFor(groups, keys);
}
