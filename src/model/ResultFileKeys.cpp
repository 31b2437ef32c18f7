#include "model/ResultFileKeys.h"

#include "model/ResultCommands.h"
#include "model/ResultState.h"

namespace {

constexpr std::string_view kLocalRoot = "file:///";

std::string_view viewOf(const QByteArray &bytes)
{
    return std::string_view(bytes.constData(), size_t(bytes.size()));
}

// The URL's shared data: the same object for every copy of one URL, a new one once it changes.
const void *identityOf(const QUrl &url)
{
    return const_cast<QUrl &>(url).data_ptr();
}

} // namespace

std::string_view ResultFileKeys::store(std::string_view text)
{
    storedTexts_.emplace_back(text.data(), qsizetype(text.size()));
    return viewOf(storedTexts_.back());
}

int ResultFileKeys::internType(const QString &lowerExtension)
{
    const auto found = typeIds_.constFind(lowerExtension);
    if (found != typeIds_.constEnd())
        return *found;
    const int id = int(typeTexts_.size());
    typeTexts_.push_back(lowerExtension);
    typeIds_.insert(lowerExtension, id);
    return id;
}

int ResultFileKeys::newFolder(const QUrl &fileUrl)
{
    folders_.push_back({ResultCommands::folderPathKey(fileUrl),
                        ResultCommands::folderUrlText(ResultCommands::folderOfFile(fileUrl)).toLower(), QString()});
    return int(folders_.size()) - 1;
}

ResultFileKeys::Keys ResultFileKeys::compute(const QUrl &url)
{
    Keys keys;
    keys.hasUrl = true;
    const QByteArray encoded = url.toEncoded();
    keys.urlHash = qHash(encoded);
    if (url.isEmpty())
        return keys;
    // A local file's URL without query or fragment reads "file:///folders/name": every URL with the
    // same text up to the last slash has the same folder, and the extension is the text after the
    // name's last dot as it stands when it holds no percent sign. Each distinct folder and
    // extension is worked out once, by the commands' own functions; any other URL is worked out
    // whole.
    const std::string_view text = viewOf(encoded);
    const size_t slash = text.rfind('/');
    const bool plain = text.substr(0, kLocalRoot.size()) == kLocalRoot && text.find_first_of("?#") == text.npos
        && slash + 1 < text.size();
    if (!plain) {
        const QByteArray folderUrl = ResultCommands::folderOfFile(url).toEncoded();
        const auto found = folderByUrl_.find(viewOf(folderUrl));
        if (found != folderByUrl_.end()) {
            keys.folder = found->second;
        } else {
            keys.folder = newFolder(url);
            folderByUrl_.emplace(store(viewOf(folderUrl)), keys.folder);
        }
        keys.type = internType(ResultCommands::fileTypeKey(url).toLower());
        return keys;
    }
    const std::string_view prefix = text.substr(0, slash + 1);
    const auto folder = folderByPrefix_.find(prefix);
    if (folder != folderByPrefix_.end()) {
        keys.folder = folder->second;
    } else {
        keys.folder = newFolder(url);
        folders_.back().fileText = QString::fromUtf8(prefix.data(), qsizetype(prefix.size()));
        folderByPrefix_.emplace(store(prefix), keys.folder);
    }
    const std::string_view name = text.substr(slash + 1);
    const size_t dot = name.rfind('.');
    const std::string_view tail = dot == name.npos ? name : name.substr(dot + 1);
    if (tail.find('%') != tail.npos) {
        keys.type = internType(ResultCommands::fileTypeKey(url).toLower());
        return keys;
    }
    const std::string_view extension = dot == name.npos ? std::string_view() : tail;
    keys.typeFromName = true;
    const auto type = typeByEncoded_.find(extension);
    if (type != typeByEncoded_.end()) {
        keys.type = type->second;
    } else {
        keys.type = internType(ResultCommands::fileTypeKey(url).toLower());
        typeByEncoded_.emplace(store(extension), keys.type);
    }
    return keys;
}

ResultFileKeys::Slot *ResultFileKeys::find(const void *identity)
{
    if (slots_.empty())
        return nullptr;
    const size_t mask = slots_.size() - 1;
    size_t k = size_t((quintptr(identity) * 0x9E3779B97F4A7C15ull) >> shift_);
    while (slots_[k].identity) {
        if (slots_[k].identity == identity)
            return &slots_[k];
        k = (k + 1) & mask;
    }
    return nullptr;
}

void ResultFileKeys::rehash(size_t count)
{
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(count, Slot());
    shift_ = 64;
    for (size_t n = count; n > 1; n >>= 1)
        --shift_;
    const size_t mask = count - 1;
    for (const Slot &slot : old) {
        if (!slot.identity)
            continue;
        size_t k = size_t((quintptr(slot.identity) * 0x9E3779B97F4A7C15ull) >> shift_);
        while (slots_[k].identity)
            k = (k + 1) & mask;
        slots_[k] = slot;
    }
}

void ResultFileKeys::insert(const void *identity, const Keys &keys)
{
    if (2 * (pinned_.size() + 1) > slots_.size())
        rehash(std::max<size_t>(1024, 2 * slots_.size()));
    const size_t mask = slots_.size() - 1;
    size_t k = size_t((quintptr(identity) * 0x9E3779B97F4A7C15ull) >> shift_);
    while (slots_[k].identity)
        k = (k + 1) & mask;
    slots_[k] = Slot{identity, keys};
}

ResultFileKeys::Keys ResultFileKeys::of(const ImageFile &file)
{
    if (!file.url)
        return Keys();
    const void *identity = identityOf(*file.url);
    if (!identity) {
        Keys empty;
        empty.hasUrl = true;
        empty.urlHash = qHash(QByteArray());
        return empty;
    }
    if (const Slot *slot = find(identity))
        return slot->keys;
    const Keys keys = compute(*file.url);
    insert(identity, keys);
    pinned_.push_back(*file.url);
    return keys;
}

void ResultFileKeys::learn(const ImageGroups &groups)
{
    for (const ImageGroup &group : groups)
        for (const ImageFilePtr &file : group)
            if (file)
                of(*file);
}

bool ResultFileKeys::warm(const ResultState &state, int budget)
{
    if (warmList_ == 0 && warmGroup_ == 0 && warmRow_ == 0)
        trimTo(state);
    while (warmList_ < 2) {
        const ImageGroups &groups = warmList_ == 0 ? state.allImages : state.imageDirectories;
        while (warmGroup_ < groups.size()) {
            const ImageGroup &group = groups[warmGroup_];
            while (warmRow_ < group.size()) {
                if (budget-- <= 0)
                    return false;
                if (const ImageFilePtr &file = group[warmRow_++])
                    of(*file);
            }
            ++warmGroup_;
            warmRow_ = 0;
        }
        ++warmList_;
        warmGroup_ = 0;
        warmRow_ = 0;
    }
    warmList_ = 0;
    return true;
}

void ResultFileKeys::trimTo(const ResultState &state)
{
    size_t live = 0;
    for (const ImageGroups *groups : {&state.allImages, &state.imageDirectories})
        for (const ImageGroup &group : *groups)
            live += group.size();
    if (pinned_.size() <= 2 * live + 1024)
        return;
    // The entries of the files in the result stay; every other URL is let go.
    std::vector<std::pair<const void *, Keys>> kept;
    std::vector<QUrl> keptUrls;
    for (const ImageGroups *groups : {&state.allImages, &state.imageDirectories})
        for (const ImageGroup &group : *groups)
            for (const ImageFilePtr &file : group) {
                if (!file || !file->url)
                    continue;
                const void *identity = identityOf(*file->url);
                if (const Slot *slot = identity ? find(identity) : nullptr) {
                    kept.emplace_back(identity, slot->keys);
                    keptUrls.push_back(*file->url);
                }
            }
    slots_.clear();
    pinned_.clear();
    for (size_t k = 0; k < kept.size(); ++k) {
        if (find(kept[k].first))
            continue; // a record in the scanned and the shown groups alike
        insert(kept[k].first, kept[k].second);
        pinned_.push_back(std::move(keptUrls[k]));
    }
}
