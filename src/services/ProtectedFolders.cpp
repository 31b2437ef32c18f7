#include "services/ProtectedFolders.h"
#include "platform/Log.h"

#include "model/InitialDirectory.h"
#include "model/ModuleState.h"
#include "platform/UserDefaults.h"
#include "model/SettingsKeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QHash>
#include <QMetaType>
#include <QStringList>

namespace {

const QString kFoldersKey = SettingsKey::protectedFolders;
const QString kSubFoldersKey = SettingsKey::protectedSubFolders;

// A stored folder path as a directory URL (ending in "/"): the form a file's URL takes without its
// last component, so that the two compare equal whether or not the folder exists now.
QUrl folderUrlFromPath(const QString &path)
{
    return QUrl::fromLocalFile(normalizedFolderPath(path));
}

// The stored flag list: one entry per stored folder position. An element that is not a Bool, a
// missing element and a list that cannot be decoded at all read as true (more protection).
std::vector<bool> storedFlags(size_t count)
{
    std::vector<bool> flags(count, true);
    const auto data = platform::UserDefaults::standard().dataForKey(kSubFoldersKey);
    if (!data)
        return flags;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(*data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return flags;
    const QJsonArray array = document.array();
    for (size_t i = 0; i < count && i < size_t(array.size()); ++i) {
        const QJsonValue value = array.at(qsizetype(i));
        if (value.isBool())
            flags[i] = value.toBool();
    }
    return flags;
}

// The folder a file lies in, with links resolved, as the URL text folders are compared by.
// Resolving costs a few system calls per folder, so the answers of one pass are kept.
QHash<QString, QString> &resolvedFolderCache()
{
    static QHash<QString, QString> cache;
    return cache;
}

QString comparableFolderText(const QString &folderPath)
{
    auto &cache = resolvedFolderCache();
    const auto found = cache.constFind(folderPath);
    if (found != cache.constEnd())
        return *found;
    const QString text = folderUrlText(QUrl::fromLocalFile(canonicalFolderPath(folderPath)));
    if (cache.size() > 100000)
        cache.clear();
    cache.insert(folderPath, text);
    return text;
}

// The file's folder as compared (links resolved); empty for a file without a usable URL.
QString comparableFileFolder(const QUrl &fileUrl)
{
    if (fileUrl.isEmpty())
        return QString();
    const QString folder = plainPath(fileUrl.adjusted(QUrl::RemoveFilename));
    return folder.isEmpty() ? QString() : comparableFolderText(folder);
}

// Entry i of protectedFolders as compared (links resolved); empty for an entry naming no folder.
QString comparableEntry(size_t index)
{
    const InitialDirectory &entry = protectedFolders[index];
    if (!entry.url)
        return QString();
    const QString stored = plainPath(*entry.url);
    // An empty stored path names no folder; it must not count as a folder that holds everything.
    return stored.isEmpty() ? QString() : comparableFolderText(stored);
}

bool entryHolds(size_t index, const QString &entryText, const QString &fileFolder, const QString &fileFolderLower)
{
    if (entryText.isEmpty() || fileFolder.isEmpty())
        return false;
    const bool includeSubFolders = index >= protectedSubFolderFlags.size() || protectedSubFolderFlags[index];
    return includeSubFolders ? fileFolderLower.contains(entryText.toLower()) : fileFolder == entryText;
}

} // namespace

QString storedPathRefusal(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("empty");
    if (!path.startsWith(QLatin1Char('/')))
        return QStringLiteral("not an absolute path");
    for (const QChar c : path) {
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("holds a control character");
    }
    if (QFile::encodeName(path).size() >= 4096)
        return QStringLiteral("too long");
    return {};
}

QString storedPathRefusal(const QVariant &value)
{
    if (value.typeId() != QMetaType::QString)
        return QStringLiteral("not a path");
    return storedPathRefusal(value.toString());
}

QString storedFolderPath(const QVariant &value)
{
    return storedPathRefusal(value).isEmpty() ? value.toString() : QString();
}

bool protectedFolderContains(size_t index, const QUrl &fileUrl)
{
    if (index >= protectedFolders.size())
        return false;
    const QString fileFolder = comparableFileFolder(fileUrl);
    return entryHolds(index, comparableEntry(index), fileFolder, fileFolder.toLower());
}

bool liesInProtectedFolder(const QUrl &fileUrl)
{
    if (protectedFolders.empty())
        return false;
    const QString fileFolder = comparableFileFolder(fileUrl);
    if (fileFolder.isEmpty())
        return false;
    const QString lower = fileFolder.toLower();
    for (size_t i = 0; i < protectedFolders.size(); ++i)
        if (entryHolds(i, comparableEntry(i), fileFolder, lower))
            return true;
    return false;
}

QString normalizedFolderPath(const QString &path)
{
    if (path.isEmpty())
        return QString();
    QString directory = QDir::cleanPath(path);
    if (!directory.endsWith(QLatin1Char('/')))
        directory += QLatin1Char('/');
    return directory;
}

QString canonicalFolderPath(const QString &path)
{
    if (path.isEmpty())
        return QString();
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return normalizedFolderPath(canonical.isEmpty() ? path : canonical);
}

void resizeProtectedSubFolderFlags()
{
    protectedSubFolderFlags.resize(protectedFolders.size(), true);
}

bool addProtectedFolder(const QString &path, bool includeSubFolders)
{
    const QString folder = normalizedFolderPath(path);
    if (folder.isEmpty() || path.contains(QChar(u'\0')))
        return false;
    resizeProtectedSubFolderFlags();
    const QString canonical = canonicalFolderPath(folder);
    for (const InitialDirectory &entry : protectedFolders) {
        if (entry.url && canonicalFolderPath(plainPath(*entry.url)) == canonical)
            return false;
    }
    protectedFolders.emplace_back(QUrl::fromLocalFile(folder));
    protectedSubFolderFlags.push_back(includeSubFolders);
    return true;
}

bool removeProtectedFolder(int index)
{
    resizeProtectedSubFolderFlags();
    if (index < 0 || size_t(index) >= protectedFolders.size())
        return false;
    protectedFolders.erase(protectedFolders.begin() + index);
    protectedSubFolderFlags.erase(protectedSubFolderFlags.begin() + index);
    return true;
}

void forgetResolvedFolders()
{
    resolvedFolderCache().clear();
}

QString folderUrlText(const QUrl &folderUrl)
{
    QString text = QString::fromUtf8(folderUrl.toEncoded());
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('/')))
        text += QLatin1Char('/');
    return text;
}

void saveProtectedFolders()
{
    resizeProtectedSubFolderFlags();
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
    const auto stored = platform::UserDefaults::standard().arrayForKey(kFoldersKey);
    if (!stored) {
        protectedSubFolderFlags.clear();
        return;
    }
    // A damaged element (see storedPathRefusal) is dropped with its flag; the others stay, however
    // many there are: a folder left out here would lose its protection without the user knowing.
    const std::vector<bool> flags = storedFlags(size_t(stored->size()));
    std::vector<bool> kept;
    protectedFolders.reserve(size_t(stored->size()));
    for (qsizetype i = 0; i < stored->size(); ++i) {
        const QVariant &value = stored->at(i);
        const QString refusal = storedPathRefusal(value);
        if (!refusal.isEmpty()) {
            logWarning(lcServices) << "Skipped a damaged protected folder entry at position" << i << "(" << refusal
                                   << "):" << value.toString();
            continue;
        }
        protectedFolders.emplace_back(folderUrlFromPath(value.toString()));
        kept.push_back(flags[size_t(i)]);
    }
    protectedSubFolderFlags = std::move(kept);
}

namespace {

// What applying the folders computes once for any number of members: the named folder and every
// protected folder as compared (links resolved), with its sub-folder switch. Prepared when the
// first member needs it, as the folder lists stand then.
class FolderPass
{
public:
    explicit FolderPass(const QString &folderText)
        : folderText_(folderText)
    {
    }

    void prepare()
    {
        if (prepared_)
            return;
        prepared_ = true;
        resizeProtectedSubFolderFlags();
        namedFolder_ = folderText_.isEmpty() ? QString() : comparableFolderText(plainPath(QUrl(folderText_)));
        for (size_t i = 0; i < protectedFolders.size(); ++i) {
            const QString text = comparableEntry(i);
            const bool includeSubFolders = i >= protectedSubFolderFlags.size() || protectedSubFolderFlags[i];
            entries_.push_back(
                {text, text.toLower(), includeSubFolders, !namedFolder_.isEmpty() && text == namedFolder_});
        }
    }

    struct Entry {
        QString text;
        QString lower;
        bool includeSubFolders;
        bool named; // the folder the pass names
        // entryHolds, with the entry's texts made once.
        bool holds(const QString &fileFolder, const QString &fileFolderLower) const
        {
            if (text.isEmpty() || fileFolder.isEmpty())
                return false;
            return includeSubFolders ? fileFolderLower.contains(lower) : fileFolder == text;
        }
    };
    const QString &folderText() const { return folderText_; }
    const std::vector<Entry> &entries() const { return entries_; }

    // The file's folder as compared (links resolved) and in lower case. With the result's keys
    // given, the texts are made once per folder of the result.
    struct FolderTexts {
        QString folder;
        QString lower;
        std::vector<char> heldBy; // per entry: whether it holds the folder
        bool known = false;
    };
    void useKeys(ResultFileKeys *keys) { keys_ = keys; }
    const FolderTexts &textsOf(const ImageFile &file)
    {
        const int id = keys_ ? keys_->of(file).folder : -1;
        FolderTexts *texts = &single_;
        if (id >= 0) {
            if (size_t(id) >= byFolder_.size())
                byFolder_.resize(size_t(keys_->folderCount()));
            texts = &byFolder_[size_t(id)];
            if (texts->known)
                return *texts;
        }
        texts->folder = comparableFileFolder(*file.url);
        texts->lower = texts->folder.toLower();
        texts->heldBy.clear();
        for (const Entry &entry : entries_)
            texts->heldBy.push_back(entry.holds(texts->folder, texts->lower) ? 1 : 0);
        texts->known = id >= 0;
        return *texts;
    }

private:
    ResultFileKeys *keys_ = nullptr;
    std::vector<FolderTexts> byFolder_;
    FolderTexts single_;
    QString folderText_;
    bool prepared_ = false;
    QString namedFolder_;
    std::vector<Entry> entries_;
};

// applyProtectedFolders for a member that exists, on a state whose per-group lists are consistent
// (the callers check that once).
void applyToConsistentMember(ResultState &state, bool byOverride, int group, int member, FolderPass &pass)
{
    ImageFile *file = state.imageDirectories[size_t(group)][size_t(member)].get();
    if (byOverride) {
        const auto recorded = state.recordedProtection(group, member);
        if (!recorded)
            return;
        file->isProtected = *recorded;
        if (*recorded)
            state.unmark(group, member);
        return;
    }

    if (protectedFolders.empty() && !pass.folderText().isEmpty())
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

    pass.prepare();
    // Both sides are compared with links resolved, so a folder named through a link protects the
    // files scanned through the real path and the other way round.
    const FolderPass::FolderTexts &texts = pass.textsOf(*file);
    for (size_t i = 0; i < pass.entries().size(); ++i) {
        if (!texts.heldBy[i])
            continue;
        const FolderPass::Entry &entry = pass.entries()[i];
        file->isProtected = true;
        state.unmark(group, member);
        if (!state.recordedProtection(group, member)) {
            state.protectionOverrideRows[size_t(group)].push_back(member);
            state.protectionOverrideStates[size_t(group)].push_back(true);
            state.recordFolderProtection(group, member);
        }
        if (entry.named)
            state.removeProtectionOverride(group, member);
    }
}

} // namespace

void applyProtectedFolders(ResultState &state, bool byOverride, int group, int member, const QString &folderText)
{
    if (!state.shownFile(group, member))
        return;
    if (!state.isConsistent())
        state.normalize();
    FolderPass pass(folderText);
    applyToConsistentMember(state, byOverride, group, member, pass);
}

void applyProtectedFoldersToAll(ResultState &state, bool byOverride, const QString &folderText)
{
    forgetResolvedFolders();
    // The state is checked (a walk over every group) once, before the first member: applying the
    // folders to a member keeps it consistent. The folders are resolved once, too.
    bool checked = false;
    FolderPass pass(folderText);
    pass.useKeys(&state.fileKeys());
    for (int g = 0; g < state.shownGroupCount(); ++g) {
        const int members = int(state.imageDirectories[size_t(g)].size());
        for (int m = 0; m < members; ++m) {
            if (!state.imageDirectories[size_t(g)][size_t(m)])
                continue;
            if (!checked) {
                if (!state.isConsistent())
                    state.normalize();
                checked = true;
            }
            applyToConsistentMember(state, byOverride, g, m, pass);
        }
    }
}

void saveAlertSettings()
{
    auto &defaults = platform::UserDefaults::standard();
    defaults.setBool(SettingsKey::confirmBeforeDeletingPhotos, confirmBeforeDeletingPhotos);
    defaults.setBool(SettingsKey::showAutoMarkAlert, showAutoMarkAlert);
    defaults.setBool(SettingsKey::backToHomeAlert, backToHomeAlert);
}

void loadAlertSettings()
{
    auto &defaults = platform::UserDefaults::standard();
    const auto load = [&defaults](const QString &key, bool &flag) {
        if (defaults.holdsBool(key))
            flag = defaults.boolForKey(key);
    };
    load(SettingsKey::confirmBeforeDeletingPhotos, confirmBeforeDeletingPhotos);
    load(SettingsKey::showAutoMarkAlert, showAutoMarkAlert);
    load(SettingsKey::backToHomeAlert, backToHomeAlert);
}
