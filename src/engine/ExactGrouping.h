#pragma once

#include "model/ImageFile.h"
#include "model/ScanFlags.h"
#include "engine/OrderedParallel.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ScanProgress;

// Groups of byte-identical files (MD5 of the contents).
//
// Result: groups in the order of their first file's position; inside a group the files in
// increasing position. A file without an equal partner, or whose digest could not be read, is in
// no group. Absent when the scan was stopped (flags->isSecondStepAbort).
//
// Only files that share their size with another file can share a digest, and of those only the
// ones whose first 4 KiB also match another's are digested in full; the reads run on several
// threads and are handed on in input order, and equal digests are found through a map from digest
// to group. Progress (digests 0-74 %, pairing 75-99 %, the duplicate
// count) is reported exactly as a file-by-file, pair-by-pair walk reports it.
class ExactGrouping
{
public:
    explicit ExactGrouping(std::shared_ptr<ScanFlags> flags, ScanProgress *progress = nullptr,
                           unsigned threads = defaultThreadCount());

    // Digests the files into their `md5` (files whose size is unique keep none) and groups them.
    // `sizes` holds each file's size as the collection read it; where it is missing or shorter than
    // `files`, the size is read from the file system.
    std::optional<ImageGroups> exactGroups(const std::vector<ImageFilePtr> &files,
                                           std::vector<std::optional<quint64>> sizes = {});

    // The same over plain inputs: `digest(i)` gives the digest of item i, `headKey(i)` a key of its
    // first bytes (equal contents give equal keys; absent when unreadable). Both are called from
    // several threads at once, only for items that may still have a twin. Groups of positions.
    std::optional<std::vector<std::vector<size_t>>>
    groupPositions(const std::vector<std::optional<quint64>> &sizes,
                   const std::function<std::optional<QString>(size_t)> &digest,
                   const std::function<std::optional<quint64>(size_t)> &headKey = {});

    // The positions whose size is shared with another position (all of them when a size is unknown).
    static std::vector<bool> positionsToDigest(const std::vector<std::optional<quint64>> &sizes);
    // Of the wanted positions, those whose (size, head key) is shared with another wanted position
    // (all wanted ones when a size is unknown).
    static std::vector<bool> positionsWithSharedHead(const std::vector<std::optional<quint64>> &sizes,
                                                     const std::vector<bool> &wanted,
                                                     const std::vector<std::optional<quint64>> &heads);
    // A key of the first 4 KiB of the file (absent when it cannot be read).
    static std::optional<quint64> fileHeadKey(const QString &path);
    // Groups of positions with equal present digests, by first position.
    static std::vector<std::vector<size_t>> groupByDigest(const std::vector<std::optional<QString>> &digests);

    // Seconds spent digesting and pairing in the last call (for the benchmark).
    double digestSeconds() const { return digestSeconds_; }
    double pairSeconds() const { return pairSeconds_; }

private:
    std::shared_ptr<ScanFlags> flags_;
    ScanProgress *progress_;
    unsigned threads_;
    double digestSeconds_ = 0;
    double pairSeconds_ = 0;
};
