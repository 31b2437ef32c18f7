#pragma once

#include "engine/AutoMarkAccessors.h"
#include "model/ImageFile.h"
#include "model/SelectionPriority.h"

#include <QDateTime>

#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// The file values of one marking (size, modification date, whether metadata tags are present),
// read at most once per file. prefetch() reads, in parallel on worker threads, the values that the
// given rules need for every file of the groups; accessors() then answers from what was read and
// reads a value it lacks once through the underlying accessors, on the calling thread.
//
// A cache belongs to one marking action: a later marking makes a new one, so it sees the files as
// they are then. Apart from prefetch(), use it from one thread.
class AutoMarkValueCache
{
public:
    explicit AutoMarkValueCache(AutoMarkAccessors source = AutoMarkAccessors::fromServices());

    // Reads what `order` needs of every file in `groups` that has not been read yet, on up to
    // `threads` worker threads (0: one per hardware thread). Returns when everything is read.
    void prefetch(const ImageGroups &groups, const std::vector<SelectionPriority> &order, unsigned threads = 0);

    // Accessors backed by this cache (the cache must outlive them).
    AutoMarkAccessors accessors();

    // While deferred, a metadata question the cache cannot answer yet is noted and answered "no
    // tags" instead of being read on the calling thread. Reading metadata is the costly read, and
    // only files still tied when the metadata rule is reached need it.
    void setMetadataDeferred(bool deferred) { metadataDeferred_ = deferred; }
    // Reads the metadata of the files noted while deferred, in parallel, and returns them.
    std::unordered_set<const ImageFile *> fetchDeferredMetadata(unsigned threads = 0);

    // How many times the underlying accessors were asked, per value (for tests).
    int sizeReads() const { return sizeReads_; }
    int dateReads() const { return dateReads_; }
    int metadataReads() const { return metadataReads_; }

private:
    struct Entry {
        std::optional<std::optional<quint64>> size;
        std::optional<std::optional<QDateTime>> modificationDate;
        std::optional<bool> hasMetadataTags;
    };
    AutoMarkAccessors source_;
    std::unordered_map<const ImageFile *, Entry> entries_;
    bool metadataDeferred_ = false;
    std::unordered_set<const ImageFile *> deferredMetadata_;
    int sizeReads_ = 0;
    int dateReads_ = 0;
    int metadataReads_ = 0;
};
