#include "engine/WizardLists.h"

#include <QString>

#include <functional>
#include <map>

namespace {

template <class T>
std::vector<T> keptOrder(const std::vector<T> &current, const std::vector<T> &found,
                         const std::function<QString(const T &)> &key)
{
    std::map<QString, int> userPosition;
    for (std::size_t i = 0; i < current.size(); ++i)
        userPosition.emplace(key(current[i]), int(i));
    std::set<QString> foundKeys;
    for (const T &entry : found)
        foundKeys.insert(key(entry));
    std::set<QString> currentKeys;
    for (const T &entry : current)
        currentKeys.insert(key(entry));

    std::vector<T> result;
    if (currentKeys == foundKeys && current.size() == found.size()) {
        result = current;
    } else {
        // The places the surviving entries hold in the found order, refilled in the user's order.
        result = found;
        std::vector<std::size_t> places;
        std::vector<T> survivors;
        for (std::size_t i = 0; i < found.size(); ++i) {
            if (userPosition.count(key(found[i]))) {
                places.push_back(i);
                survivors.push_back(found[i]);
            }
        }
        std::stable_sort(survivors.begin(), survivors.end(),
                         [&](const T &a, const T &b) { return userPosition.at(key(a)) < userPosition.at(key(b)); });
        for (std::size_t k = 0; k < places.size(); ++k)
            result[places[k]] = survivors[k];
    }
    renumberEntries(result);
    return result;
}

} // namespace

std::vector<FileFormat> keptFileFormatOrder(const std::vector<FileFormat> &current,
                                            const std::vector<FileFormat> &found)
{
    return keptOrder<FileFormat>(current, found, [](const FileFormat &f) { return f.fileExtension.toLower(); });
}

std::vector<FolderPreferences> keptFolderOrder(const std::vector<FolderPreferences> &current,
                                               const std::vector<FolderPreferences> &found)
{
    return keptOrder<FolderPreferences>(
        current, found, [](const FolderPreferences &f) { return f.path.value_or(QString()).toLower(); });
}
