#include "services/ProtectedFolders.h"

#include "model/InitialDirectory.h"
#include "model/ModuleState.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

namespace {

const QString kFoldersKey = QStringLiteral("ProtectedFoldersTWK");
const QString kSubFoldersKey = QStringLiteral("ProtectedSubFoldersTWK");

// The URL of a stored folder path: for an existing folder a directory URL (ending in "/"), the
// form a file's URL takes without its last component, so that the two compare equal.
QUrl folderUrlFromPath(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return QUrl::fromLocalFile(path);
    QString directory = QDir::cleanPath(path);
    if (!directory.endsWith(QLatin1Char('/')))
        directory += QLatin1Char('/');
    return QUrl::fromLocalFile(directory);
}

} // namespace

QString folderUrlText(const QUrl &folderUrl)
{
    QString text = QString::fromUtf8(folderUrl.toEncoded());
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('/')))
        text += QLatin1Char('/');
    return text;
}

void saveProtectedFolders()
{
    QStringList paths;
    for (const InitialDirectory &folder : protectedFolders)
        paths.append(folder.url ? plainPath(*folder.url) : QString());
    auto &defaults = platform::UserDefaults::standard();
    defaults.setStringArray(kFoldersKey, paths);
    QJsonArray flags;
    for (bool flag : protectedSubFolderFlags)
        flags.append(flag);
    defaults.setData(kSubFoldersKey, QJsonDocument(flags).toJson(QJsonDocument::Compact));
}

void loadProtectedFolders()
{
    protectedFolders.clear();
    auto &defaults = platform::UserDefaults::standard();
    if (const auto paths = defaults.stringArrayForKey(kFoldersKey)) {
        for (const QString &path : *paths)
            protectedFolders.emplace_back(folderUrlFromPath(path));
    }
    if (const auto data = defaults.dataForKey(kSubFoldersKey)) {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(*data, &error);
        if (error.error == QJsonParseError::NoError && document.isArray()) {
            std::vector<bool> flags;
            bool allBools = true;
            for (const QJsonValue &value : document.array()) {
                if (!value.isBool()) {
                    allBools = false;
                    break;
                }
                flags.push_back(value.toBool());
            }
            if (allBools)
                protectedSubFolderFlags = std::move(flags);
        }
    }
}

void applyProtectedFolders(ResultState &state, bool byOverride, int group, int member, const QString &folderText)
{
    const ImageFilePtr file = state.shownFile(group, member);
    if (!file)
        return;
    if (!state.isConsistent())
        state.normalize();

    if (byOverride) {
        const auto recorded = state.recordedProtection(group, member);
        if (!recorded)
            return;
        file->isProtected = *recorded;
        if (*recorded)
            state.unmark(group, member);
        return;
    }

    if (protectedFolders.empty() && !folderText.isEmpty())
        return;

    // A protection the user set by hand outlives changes of the folder list.
    const auto recorded = state.recordedProtection(group, member);
    if (recorded && *recorded && !state.isRecordedByFolder(group, member)) {
        file->isProtected = true;
        state.unmark(group, member);
        return;
    }

    file->isProtected = false;
    state.removeProtectionOverride(group, member);
    if (!file->url)
        return;

    const QString fileFolder = folderUrlText(file->url->adjusted(QUrl::RemoveFilename));
    const QString namedFolder = folderText.isEmpty() ? QString() : folderUrlText(QUrl(folderText));
    const QString fileFolderLower = fileFolder.toLower();
    for (size_t i = 0; i < protectedFolders.size(); ++i) {
        const InitialDirectory &folder = protectedFolders[i];
        if (!folder.url)
            continue;
        const QString folderText_ = folderUrlText(*folder.url);
        // An empty stored path names no folder; it must not count as a folder that holds everything.
        if (folderText_.isEmpty())
            continue;
        // A flag lost from the settings counts as "this folder only".
        const bool includeSubFolders = i < protectedSubFolderFlags.size() && protectedSubFolderFlags[i];
        const bool matches = includeSubFolders ? fileFolderLower.contains(folderText_.toLower())
                                               : fileFolder == folderText_;
        if (!matches)
            continue;
        file->isProtected = true;
        state.unmark(group, member);
        if (!state.recordedProtection(group, member)) {
            state.protectionOverrideRows[size_t(group)].push_back(member);
            state.protectionOverrideStates[size_t(group)].push_back(true);
            state.recordFolderProtection(group, member);
        }
        if (!namedFolder.isEmpty() && folderText_ == namedFolder)
            state.removeProtectionOverride(group, member);
    }
}

void applyProtectedFoldersToAll(ResultState &state, bool byOverride, const QString &folderText)
{
    for (int g = 0; g < state.shownGroupCount(); ++g) {
        const int members = int(state.imageDirectories[size_t(g)].size());
        for (int m = 0; m < members; ++m)
            applyProtectedFolders(state, byOverride, g, m, folderText);
    }
}

void saveAlertSettings()
{
    auto &defaults = platform::UserDefaults::standard();
    defaults.setBool(QStringLiteral("confirmBeforeDeletingPhotos"), confirmBeforeDeletingPhotos);
    defaults.setBool(QStringLiteral("showAutoMarkAlert"), showAutoMarkAlert);
    defaults.setBool(QStringLiteral("backToHomeAlert"), backToHomeAlert);
}

void loadAlertSettings()
{
    auto &defaults = platform::UserDefaults::standard();
    const auto load = [&defaults](const QString &key, bool &flag) {
        if (defaults.holdsBool(key))
            flag = defaults.boolForKey(key);
    };
    load(QStringLiteral("confirmBeforeDeletingPhotos"), confirmBeforeDeletingPhotos);
    load(QStringLiteral("showAutoMarkAlert"), showAutoMarkAlert);
    load(QStringLiteral("backToHomeAlert"), backToHomeAlert);
}
