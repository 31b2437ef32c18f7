#include "model/ResultState.h"

#include <algorithm>

namespace {

bool eraseFirst(std::vector<int> &list, int value)
{
    const auto it = std::find(list.begin(), list.end(), value);
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

int indexOf(const std::vector<int> &list, int value)
{
    const auto it = std::find(list.begin(), list.end(), value);
    return it == list.end() ? -1 : int(it - list.begin());
}

} // namespace

ResultState &ResultState::shared()
{
    static ResultState state;
    return state;
}

void ResultState::setResults(ImageGroups groups)
{
    allImages = groups;
    imageDirectories = std::move(groups);
    resetGroupSlots();
}

void ResultState::setShownGroups(ImageGroups groups)
{
    imageDirectories = std::move(groups);
    resetGroupSlots();
}

void ResultState::resetGroupSlots()
{
    selectedIndexArray.clear();
    protectionOverrideRows.clear();
    protectionOverrideStates.clear();
    folderRecordedRows_.clear();
    for (size_t g = 0; g < imageDirectories.size(); ++g)
        appendEmptyGroupSlot();
}

void ResultState::appendEmptyGroupSlot()
{
    selectedIndexArray.emplace_back();
    protectionOverrideRows.emplace_back();
    protectionOverrideStates.emplace_back();
    folderRecordedRows_.emplace_back();
}

void ResultState::clear()
{
    allImages.clear();
    imageDirectories.clear();
    resetGroupSlots();
    fileKeys_ = ResultFileKeys();
}

int ResultState::shownFileCount() const
{
    int count = 0;
    for (const ImageGroup &group : imageDirectories)
        count += int(group.size());
    return count;
}

int ResultState::markedFileCount() const
{
    int count = 0;
    for (const auto &marks : selectedIndexArray)
        count += int(marks.size());
    return count;
}

bool ResultState::hasMarks() const
{
    return std::any_of(selectedIndexArray.begin(), selectedIndexArray.end(),
                       [](const std::vector<int> &marks) { return !marks.empty(); });
}

ImageFilePtr ResultState::shownFile(int group, int row) const
{
    if (group < 0 || group >= int(imageDirectories.size()))
        return nullptr;
    const ImageGroup &members = imageDirectories[size_t(group)];
    if (row < 0 || row >= int(members.size()))
        return nullptr;
    return members[size_t(row)];
}

bool ResultState::isMarked(int group, int row) const
{
    if (group < 0 || group >= int(selectedIndexArray.size()))
        return false;
    return indexOf(selectedIndexArray[size_t(group)], row) >= 0;
}

bool ResultState::mark(int group, int row)
{
    const ImageFilePtr file = shownFile(group, row);
    if (!file || file->isProtected || group >= int(selectedIndexArray.size()))
        return false;
    auto &marks = selectedIndexArray[size_t(group)];
    if (indexOf(marks, row) < 0)
        marks.push_back(row);
    return true;
}

bool ResultState::unmark(int group, int row)
{
    if (group < 0 || group >= int(selectedIndexArray.size()))
        return false;
    return eraseFirst(selectedIndexArray[size_t(group)], row);
}

void ResultState::unmarkGroup(int group)
{
    if (group >= 0 && group < int(selectedIndexArray.size()))
        selectedIndexArray[size_t(group)].clear();
}

void ResultState::unselectAllMarks()
{
    for (auto &marks : selectedIndexArray)
        marks.clear();
}

std::optional<bool> ResultState::recordedProtection(int group, int row) const
{
    if (group < 0 || group >= int(protectionOverrideRows.size()) || group >= int(protectionOverrideStates.size()))
        return std::nullopt;
    const int k = indexOf(protectionOverrideRows[size_t(group)], row);
    if (k < 0 || k >= int(protectionOverrideStates[size_t(group)].size()))
        return std::nullopt;
    return bool(protectionOverrideStates[size_t(group)][size_t(k)]);
}

void ResultState::setProtectionByHand(int group, int row, bool isProtected)
{
    const ImageFilePtr file = shownFile(group, row);
    if (!file)
        return;
    if (group >= int(protectionOverrideRows.size()))
        normalize();
    auto &rows = protectionOverrideRows[size_t(group)];
    auto &states = protectionOverrideStates[size_t(group)];
    const int k = indexOf(rows, row);
    if (k >= 0 && k < int(states.size())) {
        states[size_t(k)] = isProtected;
    } else {
        rows.push_back(row);
        states.push_back(isProtected);
    }
    removeFolderRecord(group, row);
    file->isProtected = isProtected;
    if (isProtected)
        unmark(group, row);
}

bool ResultState::removeProtectionOverride(int group, int row)
{
    if (group < 0 || group >= int(protectionOverrideRows.size()) || group >= int(protectionOverrideStates.size()))
        return false;
    auto &rows = protectionOverrideRows[size_t(group)];
    auto &states = protectionOverrideStates[size_t(group)];
    const int k = indexOf(rows, row);
    if (k < 0)
        return false;
    rows.erase(rows.begin() + k);
    if (k < int(states.size()))
        states.erase(states.begin() + k);
    removeFolderRecord(group, row);
    return true;
}

void ResultState::recordFolderProtection(int group, int row)
{
    if (group < 0 || group >= int(imageDirectories.size()))
        return;
    if (group >= int(folderRecordedRows_.size()))
        folderRecordedRows_.resize(imageDirectories.size());
    auto &rows = folderRecordedRows_[size_t(group)];
    if (indexOf(rows, row) < 0)
        rows.push_back(row);
}

bool ResultState::isRecordedByFolder(int group, int row) const
{
    if (group < 0 || group >= int(folderRecordedRows_.size()))
        return false;
    return indexOf(folderRecordedRows_[size_t(group)], row) >= 0;
}

void ResultState::removeFolderRecord(int group, int row)
{
    if (group >= 0 && group < int(folderRecordedRows_.size()))
        eraseFirst(folderRecordedRows_[size_t(group)], row);
}

bool ResultState::isGroupLockedByHand(int group) const
{
    if (group < 0 || group >= int(imageDirectories.size()) || group >= int(protectionOverrideStates.size()))
        return false;
    const auto &states = protectionOverrideStates[size_t(group)];
    return !states.empty() && states.size() == imageDirectories[size_t(group)].size()
        && std::all_of(states.begin(), states.end(), [](bool s) { return s; });
}

int ResultState::removeFiles(const std::unordered_set<const ImageFile *> &files)
{
    if (files.empty())
        return 0;
    const int removed = filterShown([&files](const ImageFile &file) { return files.count(&file) == 0; });
    // allImages loses the same files; its groups of fewer than two go.
    ImageGroups kept;
    for (ImageGroup &group : allImages) {
        ImageGroup remaining;
        for (ImageFilePtr &file : group)
            if (files.count(file.get()) == 0)
                remaining.push_back(std::move(file));
        if (remaining.size() >= 2)
            kept.push_back(std::move(remaining));
    }
    allImages = std::move(kept);
    return removed;
}

int ResultState::filterShown(const std::function<bool(const ImageFile &)> &keep)
{
    normalize();
    int removed = 0;
    ImageGroups groups;
    std::vector<std::vector<int>> marks, rows, folderRows;
    std::vector<std::vector<bool>> states;
    for (size_t g = 0; g < imageDirectories.size(); ++g) {
        const ImageGroup &group = imageDirectories[g];
        std::vector<int> newRow(group.size(), -1);
        ImageGroup remaining;
        for (size_t r = 0; r < group.size(); ++r) {
            if (group[r] && keep(*group[r])) {
                newRow[r] = int(remaining.size());
                remaining.push_back(group[r]);
            } else {
                ++removed;
            }
        }
        if (remaining.size() < 2)
            continue; // the group goes, with its marks and overrides
        std::vector<int> groupMarks, groupRows, groupFolderRows;
        std::vector<bool> groupStates;
        for (int m : selectedIndexArray[g])
            if (newRow[size_t(m)] >= 0)
                groupMarks.push_back(newRow[size_t(m)]);
        for (size_t k = 0; k < protectionOverrideRows[g].size(); ++k) {
            const int r = protectionOverrideRows[g][k];
            if (newRow[size_t(r)] >= 0) {
                groupRows.push_back(newRow[size_t(r)]);
                groupStates.push_back(protectionOverrideStates[g][k]);
            }
        }
        for (int r : folderRecordedRows_[g])
            if (r >= 0 && r < int(newRow.size()) && newRow[size_t(r)] >= 0)
                groupFolderRows.push_back(newRow[size_t(r)]);
        groups.push_back(std::move(remaining));
        marks.push_back(std::move(groupMarks));
        rows.push_back(std::move(groupRows));
        states.push_back(std::move(groupStates));
        folderRows.push_back(std::move(groupFolderRows));
    }
    imageDirectories = std::move(groups);
    selectedIndexArray = std::move(marks);
    protectionOverrideRows = std::move(rows);
    protectionOverrideStates = std::move(states);
    folderRecordedRows_ = std::move(folderRows);
    return removed;
}

bool ResultState::removeShownMember(int group, int row)
{
    if (!shownFile(group, row))
        return false;
    if (!isConsistent())
        normalize();
    const size_t g = size_t(group);
    ImageGroup &members = imageDirectories[g];
    members.erase(members.begin() + row);
    if (members.size() < 2) {
        // The group goes, with its marks and overrides.
        imageDirectories.erase(imageDirectories.begin() + group);
        selectedIndexArray.erase(selectedIndexArray.begin() + group);
        protectionOverrideRows.erase(protectionOverrideRows.begin() + group);
        protectionOverrideStates.erase(protectionOverrideStates.begin() + group);
        folderRecordedRows_.erase(folderRecordedRows_.begin() + group);
        return true;
    }
    // Positions above the member move down one; the member's own entries go.
    auto remap = [row](std::vector<int> &list, std::vector<bool> *paired) {
        size_t kept = 0;
        for (size_t k = 0; k < list.size(); ++k) {
            if (list[k] == row)
                continue;
            if (paired)
                (*paired)[kept] = (*paired)[k];
            list[kept++] = list[k] > row ? list[k] - 1 : list[k];
        }
        list.resize(kept);
        if (paired)
            paired->resize(kept);
    };
    remap(selectedIndexArray[g], nullptr);
    remap(protectionOverrideRows[g], &protectionOverrideStates[g]);
    remap(folderRecordedRows_[g], nullptr);
    return true;
}

bool ResultState::isConsistent() const
{
    const size_t n = imageDirectories.size();
    if (selectedIndexArray.size() != n || protectionOverrideRows.size() != n || protectionOverrideStates.size() != n)
        return false;
    for (size_t g = 0; g < n; ++g) {
        const int size = int(imageDirectories[g].size());
        for (int m : selectedIndexArray[g])
            if (m < 0 || m >= size)
                return false;
        if (protectionOverrideRows[g].size() != protectionOverrideStates[g].size())
            return false;
        for (int r : protectionOverrideRows[g])
            if (r < 0 || r >= size)
                return false;
    }
    return true;
}

void ResultState::normalize()
{
    const size_t n = imageDirectories.size();
    selectedIndexArray.resize(n);
    protectionOverrideRows.resize(n);
    protectionOverrideStates.resize(n);
    folderRecordedRows_.resize(n);
    for (size_t g = 0; g < n; ++g) {
        const int size = int(imageDirectories[g].size());
        std::vector<int> marks;
        for (int m : selectedIndexArray[g])
            if (m >= 0 && m < size && indexOf(marks, m) < 0)
                marks.push_back(m);
        selectedIndexArray[g] = std::move(marks);

        auto &rows = protectionOverrideRows[g];
        auto &states = protectionOverrideStates[g];
        std::vector<int> keptRows;
        std::vector<bool> keptStates;
        for (size_t k = 0; k < rows.size() && k < states.size(); ++k) {
            if (rows[k] >= 0 && rows[k] < size && indexOf(keptRows, rows[k]) < 0) {
                keptRows.push_back(rows[k]);
                keptStates.push_back(states[k]);
            }
        }
        rows = std::move(keptRows);
        states = std::move(keptStates);

        std::vector<int> folderRows;
        for (int r : folderRecordedRows_[g])
            if (indexOf(rows, r) >= 0)
                folderRows.push_back(r);
        folderRecordedRows_[g] = std::move(folderRows);
    }
}
