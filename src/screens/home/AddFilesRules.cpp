#include "screens/home/AddFilesRules.h"
#include "platform/Log.h"

#include "model/InitialDirectory.h"
#include "model/ModuleState.h"
#include "platform/FileManager.h"
#include "platform/PathSafety.h"
#include "services/ProtectedFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaType>
#include <QSet>
#include <QUrl>

#include <functional>
#include <initializer_list>

namespace AddFilesRules {

std::pair<QString, QString> alertKeys(Alert alert)
{
    switch (alert) {
    case Alert::PhotoLibraryAlreadyExist:
        return {QStringLiteral("IDS_TWK_224"), QStringLiteral("IDS_TWK_225")};
    case Alert::AlreadyListed:
        return {QStringLiteral("IDS_TWK_226"), QStringLiteral("IDS_TWK_227")};
    case Alert::Excluded:
        return {QStringLiteral("IDS_TWK_226"), QStringLiteral("IDS_TWK_228")};
    case Alert::ParentExcluded:
        return {QStringLiteral("IDS_TWK_226"), QStringLiteral("IDS_TWK_228_1")};
    case Alert::AvailabilityNotAvailable:
        break;
    }
    return {QStringLiteral("IDS_TWK_300"), QString()};
}

QString normalizedPath(const QString &path)
{
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(path);
}

QString lowerExtension(const QString &path)
{
    const QString name = QFileInfo(normalizedPath(path)).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == name.size() - 1)
        return QString();
    return name.mid(dot + 1).toLower();
}

bool isSameOrInside(const QString &path, const QString &folder)
{
    const QString p = normalizedPath(path);
    const QString f = normalizedPath(folder);
    if (p.isEmpty() || f.isEmpty())
        return false;
    if (p == f)
        return true;
    if (f == QLatin1String("/"))
        return p.startsWith(QLatin1Char('/'));
    return p.startsWith(f + QLatin1Char('/'));
}

bool isPhotosLibrary(const QString &path)
{
    return lowerExtension(path) == QLatin1String("photoslibrary");
}

bool isScannableFile(const QString &path, const QStringList &scanExtensions)
{
    const QString ext = lowerExtension(path);
    return !ext.isEmpty() && scanExtensions.contains(ext);
}

// A path with symbolic links resolved when it exists, else its cleaned form: an excluded folder
// named through a link still excludes what is added through the real path, and the other way round.
static QString resolvedPath(const QString &path)
{
    if (path.isEmpty())
        return path;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? normalizedPath(path) : canonical;
}

ExclusionMatch matchExcluded(const QString &path, const QStringList &excludedFolders)
{
    ExclusionMatch match;
    const QString p = resolvedPath(path);
    for (const QString &folder : excludedFolders) {
        const QString f = resolvedPath(folder);
        if (f.isEmpty())
            continue;
        if (p == f)
            match.equal = true;
        else if (isSameOrInside(p, f))
            match.inside = true;
    }
    return match;
}

namespace {

bool listedContains(const QStringList &listed, const QStringList &accepted, const QString &path)
{
    for (const QString &entry : listed) {
        if (normalizedPath(entry) == path)
            return true;
    }
    return accepted.contains(path);
}

bool isPhotoBoothLibrary(const QString &path)
{
    const QString url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded).toLower();
    return url.contains(QLatin1String("photo%20booth%20library"));
}

// Schedules exactly one alert: the first whose flag is set.
void appendFirstAlert(AddOutcome &outcome, std::initializer_list<std::pair<bool, Alert>> candidates)
{
    for (const auto &[flag, alert] : candidates) {
        if (flag) {
            outcome.alerts.append(alert);
            return;
        }
    }
}

// The photos and the Photos-library panels: a chosen item that is already listed, or that is or
// lies in an excluded folder, is skipped; every other item that `acceptable` takes is appended.
// Alerts: already listed, then excluded, each when it happened.
using ListedTest = std::function<bool(const QString &path, const QStringList &acceptedSoFar)>;

AddOutcome evaluateChosenItems(const QStringList &chosen, const QStringList &excludedFolders,
                               const std::function<bool(const QString &)> &acceptable, const ListedTest &isListed)
{
    AddOutcome outcome;
    bool alreadyListed = false, excluded = false;
    for (const QString &raw : chosen) {
        const QString path = normalizedPath(raw);
        if (path.isEmpty())
            continue;
        const bool listedNow = isListed(path, outcome.accepted);
        const bool isExcluded = matchExcluded(path, excludedFolders).any();
        alreadyListed = alreadyListed || listedNow;
        excluded = excluded || isExcluded;
        if (listedNow || isExcluded)
            continue;
        if (acceptable(path))
            outcome.accepted.append(path);
    }
    if (alreadyListed)
        outcome.alerts.append(Alert::AlreadyListed);
    if (excluded)
        outcome.alerts.append(Alert::Excluded);
    return outcome;
}

} // namespace

AddOutcome evaluateDrop(const QStringList &dropped, const QStringList &listed, const QStringList &excludedFolders,
                        const QStringList &scanExtensions)
{
    AddOutcome outcome;
    bool notAvailable = false, excluded = false, parentExcluded = false;
    for (const QString &raw : dropped) {
        const QString path = normalizedPath(raw);
        if (path.isEmpty()) {
            continue;
        }
        const bool isListed = listedContains(listed, outcome.accepted, path);
        if (isListed)
            notAvailable = true;
        const ExclusionMatch match = matchExcluded(path, excludedFolders);
        if (match.equal)
            excluded = true;
        if (match.inside)
            parentExcluded = true;
        if (match.equal)
            continue;
        if (lowerExtension(path) == QLatin1String("app")) {
            notAvailable = true;
            continue;
        }
        if (path == QLatin1String("/")) {
            notAvailable = true;
            continue;
        }
        if (isPhotoBoothLibrary(path)) {
            notAvailable = true;
            continue;
        }
        if (isListed || match.inside)
            continue;
        const QFileInfo info(path);
        if (!info.exists()) {
            platform::printLine(QStringLiteral("File does not exist"));
            continue;
        }
        if (info.isDir()) {
            outcome.accepted.append(path);
        } else if (isScannableFile(path, scanExtensions)) {
            outcome.accepted.append(path);
        }
    }
    appendFirstAlert(outcome,
                     {{notAvailable, Alert::AvailabilityNotAvailable},
                      {excluded, Alert::Excluded},
                      {parentExcluded, Alert::ParentExcluded},
                      {outcome.accepted.size() != dropped.size(), Alert::AvailabilityNotAvailable}});
    return outcome;
}

AddOutcome evaluateAddPhotos(const QStringList &chosen, const QStringList &listed, const QStringList &excludedFolders,
                             const QStringList &scanExtensions)
{
    return evaluateChosenItems(
        chosen, excludedFolders,
        [&scanExtensions](const QString &path) { return isScannableFile(path, scanExtensions); },
        [&listed](const QString &path, const QStringList &accepted) { return listedContains(listed, accepted, path); });
}

AddOutcome evaluateAddFolder(const QStringList &chosen, const QStringList &listed, const QStringList &excludedFolders)
{
    AddOutcome outcome;
    bool alreadyListed = false, excluded = false, parentExcluded = false;
    for (const QString &raw : chosen) {
        const QString path = normalizedPath(raw);
        if (path.isEmpty())
            continue;
        bool skip = false;
        if (listedContains(listed, outcome.accepted, path)) {
            alreadyListed = true;
            skip = true;
        }
        if (path == QLatin1String("/")) {
            excluded = true;
            continue;
        }
        const ExclusionMatch match = matchExcluded(path, excludedFolders);
        if (match.equal)
            excluded = true;
        if (match.inside)
            parentExcluded = true;
        if (skip || match.any())
            continue;
        outcome.accepted.append(path);
    }
    appendFirstAlert(
        outcome,
        {{alreadyListed, Alert::AlreadyListed}, {excluded, Alert::Excluded}, {parentExcluded, Alert::ParentExcluded}});
    return outcome;
}

AddOutcome evaluateAddPhotosLibrary(const QStringList &chosen, const QStringList &listed,
                                    const QStringList &excludedFolders)
{
    // Only libraries can be chosen in this panel, and any library already listed (also one
    // chosen earlier in the same panel) counts as this one.
    const QStringList libraries = [&chosen]() {
        QStringList out;
        for (const QString &path : chosen) {
            if (isPhotosLibrary(path))
                out.append(path);
        }
        return out;
    }();
    return evaluateChosenItems(
        libraries, excludedFolders, [](const QString &) { return true; },
        [&listed](const QString &, const QStringList &accepted) {
            return hasPhotosLibrary(listed) || hasPhotosLibrary(accepted);
        });
}

bool hasPhotosLibrary(const QStringList &listed)
{
    for (const QString &path : listed) {
        if (isPhotosLibrary(path))
            return true;
    }
    return false;
}

bool shouldEnablePanelPath(const QString &path)
{
    if (isPhotosLibrary(path))
        return true;
    const QFileInfo info(path);
    return info.exists() && info.isDir();
}

bool isEmptyAfterListEdit(const QStringList &paths, const QStringList &scanExtensions)
{
    if (paths.isEmpty())
        return true;
    if (paths.size() == 1)
        return isScannableFile(paths.first(), scanExtensions);
    return false;
}

bool isEmptyAfterTickEdit(const QStringList &paths, int tickedCount, int tickedIndex, const QStringList &scanExtensions)
{
    if (tickedCount < 1)
        return true;
    if (paths.size() == 1 && isScannableFile(paths.first(), scanExtensions))
        return true;
    if (tickedCount == 1 && tickedIndex >= 0 && tickedIndex < paths.size()
        && isScannableFile(paths.at(tickedIndex), scanExtensions))
        return true;
    return false;
}

std::pair<int, int> tickedCountAndIndex(const std::vector<bool> &ticks)
{
    int count = 0, index = 0;
    for (size_t i = 0; i < ticks.size(); ++i) {
        if (ticks[i]) {
            ++count;
            index = static_cast<int>(i);
        }
    }
    return {count, index};
}

bool isInTrashFolder(const QString &path)
{
    const QString p = normalizedPath(path);
    if (isSameOrInside(p, platform::FileManager::homeTrashPath()))
        return true;
    for (const QString &part : p.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".Trash") || part.startsWith(QLatin1String(".Trash-")))
            return true;
    }
    return false;
}

namespace {

// A list of folders resolved once (as matchExcluded resolves them), for many paths to be matched
// against it: a path is looked up with each of the folders above it, not compared with every folder.
class ResolvedFolders
{
public:
    explicit ResolvedFolders(const QStringList &folders)
    {
        m_folders.reserve(folders.size());
        for (const QString &folder : folders) {
            const QString resolved = resolvedPath(folder);
            if (!resolved.isEmpty())
                m_folders.insert(resolved);
        }
    }

    ExclusionMatch match(const QString &path) const
    {
        ExclusionMatch match;
        const QString p = resolvedPath(path);
        if (p.isEmpty() || m_folders.isEmpty())
            return match;
        match.equal = m_folders.contains(p);
        // The folders above the path, nearest first, up to "/" for an absolute path.
        QString above = p;
        for (;;) {
            const qsizetype slash = above.lastIndexOf(QLatin1Char('/'));
            if (slash < 0 || above == QLatin1String("/"))
                break;
            above = slash == 0 ? QStringLiteral("/") : above.left(slash);
            if (m_folders.contains(above)) {
                match.inside = true;
                break;
            }
        }
        return match;
    }

private:
    QSet<QString> m_folders;
};

// Why a saved path may not come back into the scan list; empty when it may. `restored` holds the
// normalized paths restored so far.
QString restoreRefusal(const QString &path, const QSet<QString> &restored, const ResolvedFolders &excludedFolders,
                       const ResolvedFolders &systemFolders)
{
    if (const QString refusal = storedPathRefusal(path); !refusal.isEmpty())
        return refusal;
    const QString normalized = normalizedPath(path);
    if (normalized == QLatin1String("/"))
        return QStringLiteral("the root folder");
    if (systemFolders.match(normalized).any())
        return QStringLiteral("a system folder");
    if (excludedFolders.match(normalized).any())
        return QStringLiteral("an excluded folder");
    if (isInTrashFolder(normalized))
        return QStringLiteral("a Trash folder");
    if (restored.contains(normalized))
        return QStringLiteral("listed twice");
    return {};
}

} // namespace

std::vector<std::pair<QString, bool>> restoreEntries(const std::optional<QVariantList> &paths,
                                                     const std::optional<QVariantList> &ticks,
                                                     const QStringList &excludedFolders,
                                                     const QStringList &systemFolders)
{
    std::vector<std::pair<QString, bool>> entries;
    if (!paths || !ticks || paths->isEmpty())
        return entries;
    // Each excluded and system folder is resolved once for the whole list.
    const ResolvedFolders excluded(excludedFolders);
    const ResolvedFolders system(systemFolders);
    QSet<QString> restored;
    for (qsizetype i = 0; i < paths->size(); ++i) {
        if (entries.size() >= size_t(maxRestoredEntries)) {
            logWarning(lcScreens) << "Scan list: only the first" << maxRestoredEntries << "saved entries are restored";
            break;
        }
        // A damaged element costs only its own entry: the list is saved again at quit, so dropping
        // the whole list here would lose it for good.
        if (paths->at(i).typeId() != QMetaType::QString) {
            logWarning(lcScreens) << "Saved scan-list entry" << i << "left out (not a path)";
            continue;
        }
        const QString path = paths->at(i).toString();
        const QString refusal = restoreRefusal(path, restored, excluded, system);
        if (!refusal.isEmpty()) {
            logWarning(lcScreens) << QStringLiteral("Saved scan-list entry left out (%1): %2").arg(refusal, path);
            continue;
        }
        // A tick list cut short, or a damaged tick, reads as on.
        const bool tick = i < ticks->size() && ticks->at(i).typeId() == QMetaType::Bool ? ticks->at(i).toBool() : true;
        entries.emplace_back(path, tick);
        restored.insert(normalizedPath(path));
    }
    return entries;
}

std::vector<std::pair<QString, bool>> restoreEntries(const std::optional<QVariantList> &paths,
                                                     const std::optional<QVariantList> &ticks)
{
    QStringList excluded;
    for (const InitialDirectory &entry : excludedFolders) {
        if (entry.url)
            excluded.append(plainPath(*entry.url));
    }
    return restoreEntries(paths, ticks, excluded, excludedSystemFolderList());
}

} // namespace AddFilesRules
