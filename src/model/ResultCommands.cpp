#include "model/ResultCommands.h"

#include "model/ModuleState.h"
#include "model/ResultRegrouping.h"

#include <QFileInfo>

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

// Scratch lists of the passes below, kept from one command to the next so that a pass over the
// groups allocates nothing once they have grown (main thread only).
std::vector<int> &scratchList()
{
    static std::vector<int> list;
    return list;
}

std::vector<char> &scratchFlags(size_t size)
{
    static std::vector<char> flags;
    if (flags.size() < size)
        flags.resize(size, 0);
    return flags;
}

} // namespace

QString fileTypeKey(const QUrl &url)
{
    const QString name = url.adjusted(QUrl::StripTrailingSlash).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString folderPathKey(const QUrl &fileUrl)
{
    QString path = fileUrl.adjusted(QUrl::RemoveFilename | QUrl::StripTrailingSlash).path();
    return path.isEmpty() ? QStringLiteral("/") : path;
}

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

// Keeps of the marks of group g only valid, unprotected positions, each once (the first time it
// is named), and never every member. In place: nothing is allocated.
void storeOwnGroupMarks(ResultState &state, int group)
{
    const int n = groupSize(state, group);
    const ImageGroup &members = state.imageDirectories[size_t(group)];
    std::vector<int> &marks = state.selectedIndexArray[size_t(group)];
    std::vector<char> &seen = scratchFlags(size_t(std::max(n, 0)));
    size_t kept = 0;
    for (size_t k = 0; k < marks.size(); ++k) {
        const int r = marks[k];
        if (r < 0 || r >= n || seen[size_t(r)] || members[size_t(r)]->isProtected)
            continue;
        seen[size_t(r)] = 1;
        marks[kept++] = r;
    }
    marks.resize(kept);
    for (int r : marks)
        seen[size_t(r)] = 0;
    keepOneUnmarked(state, group);
}

// Stores `proposed` as the marks of group g, as storeOwnGroupMarks keeps them.
void storeGroupMarks(ResultState &state, int group, std::vector<int> proposed)
{
    state.selectedIndexArray[size_t(group)] = std::move(proposed);
    storeOwnGroupMarks(state, group);
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
        return fileTypeKey(*file.url).toLower() == fileTypeKey(clickedUrl).toLower();
    case MatchKey::Folder:
        return folderPathKey(*file.url) == folderPathKey(clickedUrl);
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
        for (int g = 0; g < state.shownGroupCount(); ++g)
            storeOwnGroupMarks(state, g);
        return state.hasMarks();
    }
    for (int g = 0; g < state.shownGroupCount(); ++g)
        autoMarkShownGroup(state, g);
    return state.hasMarks();
}

namespace {

// fileMatches against one clicked URL, through the keys the result keeps: the clicked file's text
// is made once, and each distinct type or folder of the result is compared with it once.
class KeyMatcher
{
public:
    KeyMatcher(ResultFileKeys &keys, MatchKey key, const QUrl &clickedUrl)
        : keys_(keys)
        , key_(key)
        , valid_(!clickedUrl.isEmpty())
    {
        if (!valid_)
            return;
        switch (key) {
        case MatchKey::Type:
            text_ = fileTypeKey(clickedUrl).toLower();
            break;
        case MatchKey::Folder:
            text_ = folderPathKey(clickedUrl);
            break;
        case MatchKey::Tree:
            text_ = folderUrlText(folderOfFile(clickedUrl)).toLower();
            break;
        }
    }

    bool operator()(const ImageFile &file)
    {
        if (!valid_)
            return false;
        const ResultFileKeys::Keys &keys = keys_.of(file);
        const int id = key_ == MatchKey::Type ? keys.type : keys.folder;
        if (id < 0)
            return false;
        if (size_t(id) >= answers_.size())
            answers_.resize(size_t(key_ == MatchKey::Type ? keys_.typeCount() : keys_.folderCount()), -1);
        signed char &answer = answers_[size_t(id)];
        if (answer < 0) {
            switch (key_) {
            case MatchKey::Type:
                answer = keys_.typeText(id) == text_;
                break;
            case MatchKey::Folder:
                answer = keys_.folderPath(id) == text_;
                break;
            case MatchKey::Tree:
                answer = keys_.folderTreeText(id).contains(text_);
                break;
            }
        }
        return answer == 1;
    }

private:
    ResultFileKeys &keys_;
    MatchKey key_;
    bool valid_;
    QString text_;
    std::vector<signed char> answers_; // per type or folder id: -1 not asked yet, 0 no, 1 yes
};

} // namespace

void selectAllMatching(ResultState &state, MatchKey key, const QUrl &clickedUrl)
{
    autoSelectAllFiles(state);
    // The automatic marks are valid and each named once: a group keeps those whose file matches,
    // in ascending order.
    state.fileKeys().trimTo(state);
    KeyMatcher matches(state.fileKeys(), key, clickedUrl);
    for (int g = 0; g < state.shownGroupCount(); ++g) {
        const ImageGroup &group = state.imageDirectories[size_t(g)];
        std::vector<int> &marks = state.selectedIndexArray[size_t(g)];
        marks.erase(std::remove_if(marks.begin(), marks.end(), [&](int j) { return !matches(*group[size_t(j)]); }),
                    marks.end());
        std::sort(marks.begin(), marks.end());
    }
}

void unselectAllMatching(ResultState &state, MatchKey key, const QUrl &clickedUrl)
{
    if (!state.isConsistent())
        state.normalize();
    state.fileKeys().trimTo(state);
    KeyMatcher matches(state.fileKeys(), key, clickedUrl);
    // For every matching position the first occurrence of it goes from the marks; later ones of the
    // same position (a list that names one twice) stay, and the rest keep their order.
    std::vector<int> &dropped = scratchList();
    for (int g = 0; g < state.shownGroupCount(); ++g) {
        const ImageGroup &group = state.imageDirectories[size_t(g)];
        std::vector<int> &marks = state.selectedIndexArray[size_t(g)];
        dropped.clear();
        size_t kept = 0;
        for (size_t k = 0; k < marks.size(); ++k) {
            const int j = marks[k];
            if (std::find(dropped.begin(), dropped.end(), j) == dropped.end() && matches(*group[size_t(j)])) {
                dropped.push_back(j);
                continue;
            }
            marks[kept++] = j;
        }
        marks.resize(kept);
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
    std::vector<int> &flipped = scratchList();
    for (int g = 0; g < state.shownGroupCount(); ++g) {
        const ImageGroup &group = state.imageDirectories[size_t(g)];
        auto &marks = state.selectedIndexArray[size_t(g)];
        const bool untouched = marks.empty()
            && std::none_of(group.begin(), group.end(), [](const ImageFilePtr &f) { return f->isProtected; });
        // Every flip is decided from the marks as they were: the protected marks stay, in their
        // order, and every unprotected member that was not marked follows in ascending order
        // (position 0 of an untouched group excepted).
        std::vector<char> &marked = scratchFlags(group.size());
        for (int m : marks)
            marked[size_t(m)] = 1;
        flipped.clear();
        for (int m : marks)
            if (group[size_t(m)]->isProtected)
                flipped.push_back(m);
        for (int j = 0; j < int(group.size()); ++j)
            if (!group[size_t(j)]->isProtected && !marked[size_t(j)] && !(untouched && j == 0))
                flipped.push_back(j);
        for (int m : marks)
            marked[size_t(m)] = 0;
        marks.assign(flipped.begin(), flipped.end());
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
    // sameUrl against every shown member, through the hashes of the encoded URLs the result keeps:
    // only a file whose hash equals a member's is compared in full. The last holding group is the
    // first found from the end.
    ResultFileKeys &keys = state.fileKeys();
    keys.trimTo(state);
    const ImageGroup &shown = state.imageDirectories[size_t(group)];
    std::vector<ResultFileKeys::Keys> shownKeys;
    shownKeys.reserve(shown.size());
    for (const ImageFilePtr &b : shown)
        shownKeys.push_back(keys.of(*b));
    auto holds = [&](const ImageFile &a) {
        const ResultFileKeys::Keys &ka = keys.of(a);
        for (size_t k = 0; k < shown.size(); ++k) {
            const ResultFileKeys::Keys &kb = shownKeys[k];
            if (ka.hasUrl != kb.hasUrl)
                continue;
            if (!ka.hasUrl || (ka.urlHash == kb.urlHash && sameUrl(a, *shown[k])))
                return true;
        }
        return false;
    };
    for (int g = int(state.allImages.size()) - 1; g >= 0; --g) {
        const ImageGroup &scanned = state.allImages[size_t(g)];
        if (std::any_of(scanned.begin(), scanned.end(), [&](const ImageFilePtr &a) { return holds(*a); }))
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
    // and a group left with fewer than two members goes with its entries. Only its group changes,
    // unless the shown groups held a group too small or an empty place, which every edit drops.
    const size_t groupsBefore = state.imageDirectories.size();
    bool othersWhole = true;
    for (int g = 0; g < state.shownGroupCount() && othersWhole; ++g) {
        const ImageGroup &members = state.imageDirectories[size_t(g)];
        othersWhole = members.size() >= 2;
        for (int r = 0; r < int(members.size()) && othersWhole; ++r)
            othersWhole = members[size_t(r)]
                && (members[size_t(r)] != file || (g == group && r == row) || g > group || (g == group && r > row));
    }
    if (othersWhole) {
        state.removeShownMember(group, row);
    } else {
        const ImageFile *target = file.get();
        bool removedOnce = false;
        state.filterShown([&](const ImageFile &f) {
            if (&f == target && !removedOnce) {
                removedOnce = true;
                return false;
            }
            return true;
        });
    }
    if (state.imageDirectories.size() == groupsBefore)
        keepOneUnmarked(state, group);
    state.allImages.erase(std::remove_if(state.allImages.begin(), state.allImages.end(),
                                         [](const ImageGroup &scanned) { return scanned.size() < 2; }),
                          state.allImages.end());

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
