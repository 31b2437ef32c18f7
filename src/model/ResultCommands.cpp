#include "model/ResultCommands.h"

#include "model/ModuleState.h"
#include "model/ResultRegrouping.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace ResultCommands {

namespace {

GroupMarker &installedMarker()
{
    static GroupMarker marker;
    return marker;
}

AllGroupsMarker &installedAllGroupsMarker()
{
    static AllGroupsMarker marker;
    return marker;
}

int groupSize(const ResultState &state, int group)
{
    if (group < 0 || group >= state.shownGroupCount())
        return -1;
    return int(state.imageDirectories[size_t(group)].size());
}

QString lastPathComponentExtension(const QUrl &url)
{
    const QString name = url.adjusted(QUrl::StripTrailingSlash).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString folderPathOf(const QUrl &fileUrl)
{
    QString path = fileUrl.adjusted(QUrl::RemoveFilename | QUrl::StripTrailingSlash).path();
    return path.isEmpty() ? QStringLiteral("/") : path;
}

} // namespace

bool validGroup(ResultState &state, int group)
{
    if (group < 0 || group >= state.shownGroupCount())
        return false;
    if (!state.isConsistent())
        state.normalize();
    return true;
}

bool sameUrl(const ImageFile &a, const ImageFile &b)
{
    if (!a.url || !b.url)
        return !a.url && !b.url;
    return a.url->toEncoded() == b.url->toEncoded();
}

void keepOneUnmarked(ResultState &state, int group)
{
    const int n = groupSize(state, group);
    if (n <= 0 || group >= int(state.selectedIndexArray.size()))
        return;
    auto &marks = state.selectedIndexArray[size_t(group)];
    if (int(marks.size()) >= n)
        marks.resize(size_t(n - 1));
}

void removeAllOverrides(ResultState &state, int group)
{
    if (group < 0 || group >= int(state.protectionOverrideRows.size()))
        return;
    while (!state.protectionOverrideRows[size_t(group)].empty())
        state.removeProtectionOverride(group, state.protectionOverrideRows[size_t(group)].front());
}

ImageGroups shownGroupsAtMatchingLevel(const ImageGroups &groups, int level, bool *containsVideos)
{
    if (containsVideos) {
        *containsVideos = false;
        for (const ImageGroup &group : groups)
            for (const ImageFilePtr &file : group)
                if (file && file->isVideo)
                    *containsVideos = true;
    }
    return ResultRegrouping::groupsAtMatchingLevel(groups, level);
}

void setGroupMarker(GroupMarker marker, AllGroupsMarker allGroups)
{
    installedMarker() = std::move(marker);
    installedAllGroupsMarker() = std::move(allGroups);
}

bool hasGroupMarker()
{
    return bool(installedMarker());
}

std::vector<int> fallbackGroupMarks(const ResultState &state, int group)
{
    std::vector<int> marks;
    const int n = groupSize(state, group);
    for (int r = 1; r < n; ++r)
        if (!state.imageDirectories[size_t(group)][size_t(r)]->isProtected)
            marks.push_back(r);
    return marks;
}

std::vector<int> markGroupByRules(const ResultState &state, int group)
{
    if (groupSize(state, group) < 0)
        return {};
    if (installedMarker())
        return installedMarker()(state, group);
    return fallbackGroupMarks(state, group);
}

namespace {

// Stores `proposed` as the marks of group g: only valid, unprotected positions, each once, and
// never every member.
void storeGroupMarks(ResultState &state, int group, const std::vector<int> &proposed)
{
    const int n = groupSize(state, group);
    std::vector<int> marks;
    for (int r : proposed) {
        // Only valid, unprotected positions, each once.
        if (r >= 0 && r < n && !state.imageDirectories[size_t(group)][size_t(r)]->isProtected
            && std::find(marks.begin(), marks.end(), r) == marks.end())
            marks.push_back(r);
    }
    state.selectedIndexArray[size_t(group)] = std::move(marks);
    keepOneUnmarked(state, group);
}

// applyAutoMarkToGroup for a shown group of a consistent state (the callers check that, once per
// command).
void autoMarkShownGroup(ResultState &state, int group)
{
    storeGroupMarks(state, group, markGroupByRules(state, group));
}

} // namespace

void applyAutoMarkToGroup(ResultState &state, int group)
{
    if (validGroup(state, group))
        autoMarkShownGroup(state, group);
}

bool isGroupFull(const ResultState &state, int group)
{
    const int n = groupSize(state, group);
    if (n < 0 || group >= int(state.selectedIndexArray.size()))
        return false;
    const int m = int(state.selectedIndexArray[size_t(group)].size());
    if (m + 1 == n)
        return true;
    int p = 0;
    for (const ImageFilePtr &file : state.imageDirectories[size_t(group)])
        p += file->isProtected ? 1 : 0;
    return p + m == n;
}

int uncheckedCount(const ResultState &state, int group, int row)
{
    const int n = groupSize(state, group);
    int count = 0;
    for (int p = 0; p < n; ++p)
        if (p != row && !state.isMarked(group, p))
            ++count;
    return count;
}

TickResult tickFile(ResultState &state, int group, int row)
{
    if (!validGroup(state, group))
        return TickResult::Ignored;
    const ImageFilePtr file = state.shownFile(group, row);
    if (!file || file->isProtected)
        return TickResult::Ignored;
    if (state.isMarked(group, row))
        return TickResult::Marked;
    if (uncheckedCount(state, group, row) == 0)
        return TickResult::Refused;
    state.mark(group, row);
    return TickResult::Marked;
}

TickResult untickFile(ResultState &state, int group, int row)
{
    if (!validGroup(state, group))
        return TickResult::Ignored;
    state.unmark(group, row);
    return TickResult::Unmarked;
}

bool markGroup(ResultState &state, int group)
{
    if (!validGroup(state, group))
        return false;
    const auto before = state.selectedIndexArray[size_t(group)];
    applyAutoMarkToGroup(state, group);
    if (state.selectedIndexArray[size_t(group)].empty()) {
        // Rules that decide nothing leave the earlier marks.
        state.selectedIndexArray[size_t(group)] = before;
        return false;
    }
    return true;
}

void clearGroup(ResultState &state, int group)
{
    if (validGroup(state, group))
        state.unmarkGroup(group);
}

void toggleGroup(ResultState &state, int group)
{
    if (!validGroup(state, group))
        return;
    if (isGroupFull(state, group))
        clearGroup(state, group);
    else
        markGroup(state, group);
}

bool fileMatches(const ImageFile &file, MatchKey key, const QUrl &clickedUrl)
{
    if (!file.url || file.url->isEmpty() || clickedUrl.isEmpty())
        return false;
    switch (key) {
    case MatchKey::Type:
        return lastPathComponentExtension(*file.url).toLower() == lastPathComponentExtension(clickedUrl).toLower();
    case MatchKey::Folder:
        return folderPathOf(*file.url) == folderPathOf(clickedUrl);
    case MatchKey::Tree:
        return folderUrlText(folderOfFile(*file.url))
            .toLower()
            .contains(folderUrlText(folderOfFile(clickedUrl)).toLower());
    }
    return false;
}

bool autoSelectAllFiles(ResultState &state)
{
    // Checked once for the whole command: marking a group keeps the state consistent.
    if (!state.isConsistent())
        state.normalize();
    if (installedAllGroupsMarker() && state.shownGroupCount() > 0) {
        installedAllGroupsMarker()(state);
        if (!state.isConsistent())
            state.normalize();
        for (int g = 0; g < state.shownGroupCount(); ++g) {
            const std::vector<int> proposed = state.selectedIndexArray[size_t(g)];
            storeGroupMarks(state, g, proposed);
        }
        return state.hasMarks();
    }
    for (int g = 0; g < state.shownGroupCount(); ++g)
        autoMarkShownGroup(state, g);
    return state.hasMarks();
}

void selectAllMatching(ResultState &state, MatchKey key, const QUrl &clickedUrl)
{
    autoSelectAllFiles(state);
    std::vector<std::vector<int>> filtered;
    for (int g = 0; g < state.shownGroupCount(); ++g) {
        std::vector<int> entry;
        const ImageGroup &group = state.imageDirectories[size_t(g)];
        for (int j = 0; j < int(group.size()); ++j)
            if (state.isMarked(g, j) && fileMatches(*group[size_t(j)], key, clickedUrl))
                entry.push_back(j);
        filtered.push_back(std::move(entry));
    }
    state.selectedIndexArray = std::move(filtered);
}

void unselectAllMatching(ResultState &state, MatchKey key, const QUrl &clickedUrl)
{
    if (!state.isConsistent())
        state.normalize();
    for (int g = 0; g < state.shownGroupCount(); ++g) {
        const ImageGroup &group = state.imageDirectories[size_t(g)];
        for (int j = 0; j < int(group.size()); ++j)
            if (state.isMarked(g, j) && fileMatches(*group[size_t(j)], key, clickedUrl))
                state.unmark(g, j);
    }
}

void unselectAll(ResultState &state)
{
    if (!state.isConsistent())
        state.normalize();
    state.unselectAllMarks();
}

void invertMarkedFiles(ResultState &state)
{
    if (!state.isConsistent())
        state.normalize();
    for (int g = 0; g < state.shownGroupCount(); ++g) {
        const ImageGroup &group = state.imageDirectories[size_t(g)];
        const bool untouched = state.selectedIndexArray[size_t(g)].empty()
            && std::none_of(group.begin(), group.end(), [](const ImageFilePtr &f) { return f->isProtected; });
        // Decide every flip from the marks as they were, then apply: the marks that stay keep
        // their order and the new ones follow in ascending order.
        std::vector<int> flipOn;
        for (int j = 0; j < int(group.size()); ++j) {
            if (group[size_t(j)]->isProtected)
                continue;
            if (!state.isMarked(g, j) && !(untouched && j == 0))
                flipOn.push_back(j);
        }
        auto &marks = state.selectedIndexArray[size_t(g)];
        std::vector<int> kept;
        for (int m : marks)
            if (group[size_t(m)]->isProtected)
                kept.push_back(m);
        kept.insert(kept.end(), flipOn.begin(), flipOn.end());
        marks = std::move(kept);
        keepOneUnmarked(state, g);
    }
}

QString folderUrlText(const QUrl &folderUrl)
{
    QString text = QString::fromUtf8(folderUrl.toEncoded());
    if (text.isEmpty())
        return text;
    while (text.endsWith(QLatin1String("//")) && !text.endsWith(QLatin1String(":///")))
        text.chop(1);
    if (!text.endsWith(QLatin1Char('/')))
        text += QLatin1Char('/');
    return text;
}

QUrl folderOfFile(const QUrl &fileUrl)
{
    return fileUrl.adjusted(QUrl::RemoveFilename);
}

QUrl parentFolderOfFile(const QUrl &fileUrl)
{
    const QUrl folder = folderOfFile(fileUrl);
    if (folder.path() == QLatin1String("/"))
        return folder;
    return folder.adjusted(QUrl::StripTrailingSlash).adjusted(QUrl::RemoveFilename);
}

void reapplyRecordedProtection(ResultState &state)
{
    if (!state.isConsistent())
        state.normalize();
    for (int g = 0; g < state.shownGroupCount(); ++g) {
        for (int r = 0; r < int(state.imageDirectories[size_t(g)].size()); ++r) {
            const auto recorded = state.recordedProtection(g, r);
            if (!recorded)
                continue;
            state.imageDirectories[size_t(g)][size_t(r)]->isProtected = *recorded;
            if (*recorded)
                state.unmark(g, r);
        }
    }
}

void unlockGroupAll(ResultState &state, int group)
{
    if (!validGroup(state, group))
        return;
    removeAllOverrides(state, group);
    state.unmarkGroup(group);
    for (const ImageFilePtr &file : state.imageDirectories[size_t(group)])
        file->isProtected = false;
}

int scannedGroupHolding(const ResultState &state, int group)
{
    if (group < 0 || group >= state.shownGroupCount())
        return 0;
    // sameUrl against every shown member, with the shown members' URLs encoded once; the last
    // holding group is the first found from the end.
    QSet<QByteArray> shownUrls;
    bool shownWithoutUrl = false;
    for (const ImageFilePtr &b : state.imageDirectories[size_t(group)]) {
        if (b->url)
            shownUrls.insert(b->url->toEncoded());
        else
            shownWithoutUrl = true;
    }
    for (int g = int(state.allImages.size()) - 1; g >= 0; --g) {
        const ImageGroup &scanned = state.allImages[size_t(g)];
        const bool holds = std::any_of(scanned.begin(), scanned.end(), [&](const ImageFilePtr &a) {
            return a->url ? shownUrls.contains(a->url->toEncoded()) : shownWithoutUrl;
        });
        if (holds)
            return g;
    }
    return 0;
}

RemoveOutcome removeFromResults(ResultState &state, int group, int row)
{
    if (!validGroup(state, group))
        return RemoveOutcome::Ignored;
    const ImageFilePtr file = state.shownFile(group, row);
    if (!file)
        return RemoveOutcome::Ignored;
    const int found = scannedGroupHolding(state, group);
    if (found < int(state.allImages.size())) {
        ImageGroup &scanned = state.allImages[size_t(found)];
        scanned.erase(
            std::remove_if(scanned.begin(), scanned.end(), [&](const ImageFilePtr &f) { return sameUrl(*f, *file); }),
            scanned.end());
    }
    // The shown groups lose this one member; marks and pairs above it move down with their files
    // and a group left with fewer than two members goes with its entries.
    const size_t groupsBefore = state.imageDirectories.size();
    const ImageFile *target = file.get();
    bool removedOnce = false;
    state.filterShown([&](const ImageFile &f) {
        if (&f == target && !removedOnce) {
            removedOnce = true;
            return false;
        }
        return true;
    });
    if (state.imageDirectories.size() == groupsBefore)
        keepOneUnmarked(state, group);
    ImageGroups kept;
    for (ImageGroup &scanned : state.allImages)
        if (scanned.size() >= 2)
            kept.push_back(std::move(scanned));
    state.allImages = std::move(kept);

    if (state.shownFileCount() < 1)
        return state.allImages.empty() ? RemoveOutcome::NoResultsLeft : RemoveOutcome::Regroup;
    return RemoveOutcome::Reload;
}

bool anyGroupFullyMarked(const ResultState &state)
{
    for (int g = 0; g < state.shownGroupCount() && g < int(state.selectedIndexArray.size()); ++g) {
        const auto &group = state.imageDirectories[size_t(g)];
        bool all = !group.empty();
        for (int r = 0; r < int(group.size()) && all; ++r)
            all = state.isMarked(g, r);
        if (all)
            return true;
    }
    return false;
}

} // namespace ResultCommands
