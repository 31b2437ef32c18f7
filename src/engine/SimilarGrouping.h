#pragma once

#include "model/ImageFile.h"
#include "model/ScanFlags.h"
#include "engine/OrderedParallel.h"
#include "engine/ScanSettings.h"

#include <memory>
#include <optional>
#include <vector>

class ScanProgress;

// Groups of visually alike photos.
//
// Only photos (records that are not videos) take part. Each is hashed (MVNTwinsift) into its
// imageUint64Hash. Then every photo with a hash, in input order, is an anchor unless an earlier
// group already holds it: it collects, in increasing position, every later photo not yet in a group
// that was taken close to it in time and place (timeAndPlaceTest with the scan's thresholds) and whose hash scores at
// least 75.0 against the anchor's. A partner's matchingPercentage is its score against the anchor; the anchor's is its
// score against its first partner. Absent when the scan was stopped.
//
// Faster than the plain reading but with the same groups, order and scores: the hashes are made on
// several threads (JPEG decoded at reduced scale) and handed on in input order, and the pairs are
// scored on several threads, each anchor only against the photos of its time window
// (SimilarPairPass), while the claim itself runs anchor by anchor in input order.
class SimilarGrouping
{
public:
    SimilarGrouping(std::shared_ptr<ScanFlags> flags, ScanSettings settings, ScanProgress *progress = nullptr,
                    unsigned threads = defaultThreadCount());

    // Hashes the photos among `files` and groups them.
    std::optional<ImageGroups> similarGroups(const std::vector<ImageFilePtr> &files);

    // The pair pass alone over photos whose imageUint64Hash is already set (absent = no hash):
    // groups of positions in `photos`; writes matchingPercentage on grouped photos. `total` is the
    // figure shown after " / " (the number of input files).
    std::optional<std::vector<std::vector<size_t>>> pairPass(const std::vector<ImageFilePtr> &photos, qint64 total);

    // The lowest score that puts two photos into one group.
    static constexpr float kGroupingScore = 75.0f;

    double hashSeconds() const { return hashSeconds_; }
    double pairSeconds() const { return pairSeconds_; }

private:
    bool hashPass(const std::vector<ImageFilePtr> &photos, qint64 total);

    std::shared_ptr<ScanFlags> flags_;
    ScanSettings settings_;
    ScanProgress *progress_;
    unsigned threads_;

    // The figures the progress display shows, as one run of the grouping advances them. The
    // duplicate count is of the files shown at the settings' matchingLevel.
    qint64 duplicateCount_ = 0;
    qint64 processedCount_ = 0;
    qint64 paceCounter_ = 1;
    qint64 similarStride_ = 1;

    double hashSeconds_ = 0;
    double pairSeconds_ = 0;
};
