#pragma once

#include "model/ImageFile.h"
#include "model/ScanFlags.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// The pairs of the similar grouping: for each anchor, the later photos it would claim.
//
// For a photo i with a hash, its matches are every photo j > i with a hash, not yet claimed, that
// was taken close to it in time and place (timeAndPlaceTest with the given thresholds: both
// capture dates, else both creation dates, within the window; positions, when both carry one,
// within the distance) and whose hash scores at least 75.0 against i's (MVNTwinsift::mVNCompare),
// in increasing j, each with that score. The scores are those the plain pair-by-pair comparison
// gives; only the work is organised differently:
//
// - a photo is only ever compared with the photos of its time window: the hashed photos are
//   sorted by capture date (the photos that carry one) and by creation date (separately for the
//   photos with and without a capture date, since a pair is dated by its capture dates only when
//   both carry one), and each anchor walks the part of those lists its window covers;
// - the hashes are copied into one buffer in the order of those lists, so a window is read
//   front to back; the comparison counts the differing bits with the processor's population
//   count where it has one (chosen at run time) and stops once they pass the limit;
// - the anchors are scored on several threads and handed to the caller strictly in increasing
//   position, so the caller's greedy claim runs exactly as in one loop. Photos the caller has
//   claimed already (claim()) are left out of later work, which only saves work: a claimed photo
//   is skipped by the claim anyway. Only a bounded number of anchors run ahead of the caller, and
//   fewer when their matches pile up, so memory stays bounded when most pairs match.
class SimilarPairPass
{
public:
    struct Match {
        uint32_t partner; // position of photo j
        float score;
    };

    // Takes what the test reads of every photo (dates, positions, hash) at construction (fewer than
    // 2^32 photos); the records are not read again. `bitmapSize` is the hash size the hashes were made for.
    SimilarPairPass(const std::vector<ImageFilePtr> &photos, int bitmapSize, int timeThresholdSeconds,
                    double distanceThresholdMetres);
    ~SimilarPairPass();

    // Hands every photo with a hash, in increasing position, to anchor(i, matches of i); `matches`
    // leaves out the photos claimed before the call. Runs on up to `threads` threads (the calls of
    // `anchor` all come on the calling thread). Every thread holds while flags.isPaused is set and
    // gives up once flags.isSecondStepAbort is, paused or not; false when it was set or `anchor`
    // answered false before the last photo.
    bool run(const ScanFlags &flags, unsigned threads,
             const std::function<bool(size_t, const std::vector<Match> &)> &anchor);

    // Marks photo i as placed in a group (from the `anchor` callback).
    void claim(size_t i) { claimed_[i].store(1, std::memory_order_relaxed); }
    bool isClaimed(size_t i) const { return claimed_[i].load(std::memory_order_relaxed) != 0; }

    // The differing bits of two hashes of `words` words, or some value above `limit` once they
    // pass it.
    static uint64_t distanceWithin(const uint64_t *first, const uint64_t *second, size_t words, uint64_t limit);

private:
    struct Photo;
    struct Entry;
    struct List;

    // Both give the number of window entries they looked at.
    size_t matchesOf(size_t anchor, std::vector<Match> &out, const ScanFlags &flags) const;
    size_t scanWindow(const List &list, size_t anchor, qint64 time, std::vector<Match> &out,
                      const ScanFlags &flags) const;

    std::vector<Photo> photos_;
    std::unique_ptr<std::atomic<uint8_t>[]> claimed_;
    std::vector<uint64_t> packed_; // hashes, `words_` each, in list order
    std::vector<List> lists_;      // by capture date; by creation date without / with a capture date
    size_t words_ = 0;
    uint64_t limit_ = 0;
    uint32_t bits_ = 0;
    bool comparable_ = false; // a valid hash size and a time window that can hold a pair
    int timeThreshold_ = 0;
    double distanceThreshold_ = 0;
    qint64 window_ = 0; // the largest date difference (ms) the time test can accept
};
