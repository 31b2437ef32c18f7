#pragma once

#include "engine/AutoMarkAccessors.h"
#include "model/ImageFile.h"
#include "model/SelectionPriority.h"

#include <QDateTime>

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

// The file values of one marking (size, modification date, whether metadata tags are present),
// read at most once per file. prefetch() reads, in parallel on worker threads, the values that the
// given rules need for every file of the groups; accessors() then answers from what was read and
// reads a value it lacks once through the underlying accessors, on the calling thread.
//
// A cache belongs to one marking action: a later marking makes a new one, so it sees the files as
// they are then. Apart from prefetch(), use it from one thread.
class AutoMarkValueCache {
public:
    explicit AutoMarkValueCache(AutoMarkAccessors source = AutoMarkAccessors::fromServices());

    // Reads what `order` needs of every file in `groups` that has not been read yet, on up to
    // `threads` worker threads (0: one per hardware thread). Returns when everything is read.
    void prefetch(const ImageGroups &groups, const std::vector<SelectionPriority> &order, unsigned threads = 0);

    // Accessors backed by this cache (the cache must outlive them).
    AutoMarkAccessors accessors();

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
    int sizeReads_ = 0;
    int dateReads_ = 0;
    int metadataReads_ = 0;
};
