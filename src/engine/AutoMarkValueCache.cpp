#include "engine/AutoMarkValueCache.h"

#include "engine/OrderedParallel.h"
#include "model/ScanFlags.h"

#include <atomic>
#include <unordered_set>

AutoMarkValueCache::AutoMarkValueCache(AutoMarkAccessors source)
    : source_(std::move(source))
{
}

void AutoMarkValueCache::prefetch(const ImageGroups &groups, const std::vector<SelectionPriority> &order,
                                  unsigned threads)
{
    bool needSize = false;
    bool needDate = false;
    bool needTags = false;
    for (const SelectionPriority &criterion : order) {
        needSize |= criterion.kind == SelectionPriority::Kind::ImageSize;
        needDate |= criterion.kind == SelectionPriority::Kind::ModificationDate;
        needTags |= criterion.kind == SelectionPriority::Kind::ImageMetadata;
    }
    needSize &= bool(source_.fileSize);
    needDate &= bool(source_.modificationDate);
    needTags &= bool(source_.hasMetadataTags);
    if (!needSize && !needDate && !needTags)
        return;

    // Each file once, even when it stands in several groups; the entries are made here, before
    // the workers start, so that every worker writes only its own entry.
    std::vector<const ImageFile *> files;
    std::vector<Entry *> targets;
    std::unordered_set<const ImageFile *> queued;
    for (const ImageGroup &group : groups) {
        for (const ImageFilePtr &file : group) {
            if (!file)
                continue;
            Entry &entry = entries_[file.get()];
            const bool missing = (needSize && !entry.size) || (needDate && !entry.modificationDate)
                || (needTags && !entry.hasMetadataTags);
            if (!missing)
                continue;
            if (queued.insert(file.get()).second) {
                files.push_back(file.get());
                targets.push_back(&entry);
            }
        }
    }
    if (files.empty())
        return;

    std::atomic<int> sizeReads{0};
    std::atomic<int> dateReads{0};
    std::atomic<int> metadataReads{0};
    const ScanFlags flags; // never paused nor stopped
    runOrdered(
        files.size(), threads == 0 ? defaultThreadCount() : threads, flags, flags.isSecondStepAbort,
        [&](size_t i) {
            const ImageFile &file = *files[i];
            Entry &entry = *targets[i];
            if (needSize && !entry.size) {
                entry.size = source_.fileSize(file);
                ++sizeReads;
            }
            if (needDate && !entry.modificationDate) {
                entry.modificationDate = source_.modificationDate(file);
                ++dateReads;
            }
            if (needTags && !entry.hasMetadataTags) {
                entry.hasMetadataTags = source_.hasMetadataTags(file);
                ++metadataReads;
            }
        },
        [](size_t) { return true; }, 0);
    sizeReads_ += sizeReads.load();
    dateReads_ += dateReads.load();
    metadataReads_ += metadataReads.load();
}

AutoMarkAccessors AutoMarkValueCache::accessors()
{
    AutoMarkAccessors accessors;
    if (source_.fileSize)
        accessors.fileSize = [this](const ImageFile &file) {
            Entry &entry = entries_[&file];
            if (!entry.size) {
                entry.size = source_.fileSize(file);
                ++sizeReads_;
            }
            return *entry.size;
        };
    if (source_.modificationDate)
        accessors.modificationDate = [this](const ImageFile &file) {
            Entry &entry = entries_[&file];
            if (!entry.modificationDate) {
                entry.modificationDate = source_.modificationDate(file);
                ++dateReads_;
            }
            return *entry.modificationDate;
        };
    if (source_.hasMetadataTags)
        accessors.hasMetadataTags = [this](const ImageFile &file) {
            Entry &entry = entries_[&file];
            if (!entry.hasMetadataTags) {
                if (metadataDeferred_) {
                    deferredMetadata_.insert(&file);
                    return false;
                }
                entry.hasMetadataTags = source_.hasMetadataTags(file);
                ++metadataReads_;
            }
            return *entry.hasMetadataTags;
        };
    return accessors;
}

std::unordered_set<const ImageFile *> AutoMarkValueCache::fetchDeferredMetadata(unsigned threads)
{
    std::unordered_set<const ImageFile *> fetched = std::move(deferredMetadata_);
    deferredMetadata_.clear();
    if (fetched.empty() || !source_.hasMetadataTags)
        return fetched;
    std::vector<const ImageFile *> files(fetched.begin(), fetched.end());
    std::vector<Entry *> targets;
    for (const ImageFile *file : files)
        targets.push_back(&entries_[file]);
    const ScanFlags flags; // never paused nor stopped
    runOrdered(
        files.size(), threads == 0 ? defaultThreadCount() : threads, flags, flags.isSecondStepAbort,
        [&](size_t i) {
            if (!targets[i]->hasMetadataTags)
                targets[i]->hasMetadataTags = source_.hasMetadataTags(*files[i]);
        },
        [](size_t) { return true; }, 0);
    metadataReads_ += int(files.size());
    return fetched;
}
