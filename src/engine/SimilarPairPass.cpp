#include "engine/SimilarPairPass.h"

#include "engine/MVNTwinsift.h"
#include "engine/OrderedParallel.h"
#include "platform/Geo.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>

// What the time-and-place test reads of one record, taken once per photo (converting dates and
// looking up the GPS references once per pair would cost more than the whole comparison).
struct SimilarPairPass::Photo {
    bool hasHash = false;
    bool carriesCapture = false; // a capture date is present (valid or not)
    bool hasCapture = false;     // ... and valid
    bool hasCreation = false;
    bool hasPosition = false; // signed latitude and longitude both present
    qint64 capture = 0;       // milliseconds since the epoch
    qint64 creation = 0;
    double latitude = 0;
    double longitude = 0;
    uint32_t slot = std::numeric_limits<uint32_t>::max(); // its hash in packed_, when in a list
};

struct SimilarPairPass::Entry {
    qint64 time;
    uint32_t index;
    uint32_t slot;
    bool operator<(const Entry &other) const { return time != other.time ? time < other.time : index < other.index; }
};

struct SimilarPairPass::List {
    std::vector<Entry> entries; // sorted by time, then position
};

namespace {

enum ListKind : size_t { ByCapture = 0, ByCreationUndated = 1, ByCreationDated = 2 };

// timeAndPlaceTest (services/TimeAndPlace.h) on the keys of two records; gives the same answer.
template <typename Photo>
bool closeInTimeAndPlace(const Photo &a, const Photo &b, int timeThreshold, double distanceThreshold)
{
    qint64 first = 0;
    qint64 second = 0;
    if (a.carriesCapture && b.carriesCapture) {
        if (!a.hasCapture || !b.hasCapture)
            return false;
        first = a.capture;
        second = b.capture;
    } else {
        if (!a.hasCreation || !b.hasCreation)
            return false;
        first = a.creation;
        second = b.creation;
    }
    const qint64 seconds = (second - first) / 1000; // whole seconds, the fraction dropped
    if (!(std::llabs(seconds) <= qint64(timeThreshold)))
        return false;
    if (!a.hasPosition || !b.hasPosition)
        return true;
    const double distance = platform::geoDistanceMetres(a.latitude, a.longitude, b.latitude, b.longitude);
    return std::fabs(distance) <= distanceThreshold;
}

qint64 saturatingAdd(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    return sum;
}

// The differing bits, counted four words at a time; the count only grows, so stopping once it
// passes the limit changes no answer.
inline __attribute__((always_inline)) uint64_t countBits(const uint64_t *a, const uint64_t *b, size_t words,
                                                         uint64_t limit)
{
    uint64_t d = 0;
    size_t m = 0;
    for (; m + 4 <= words; m += 4) {
        d += uint64_t(std::popcount(a[m] ^ b[m])) + uint64_t(std::popcount(a[m + 1] ^ b[m + 1]))
            + uint64_t(std::popcount(a[m + 2] ^ b[m + 2])) + uint64_t(std::popcount(a[m + 3] ^ b[m + 3]));
        if (d > limit)
            return d;
    }
    for (; m < words; ++m)
        d += uint64_t(std::popcount(a[m] ^ b[m]));
    return d;
}

using CountFunction = uint64_t (*)(const uint64_t *, const uint64_t *, size_t, uint64_t);

uint64_t countBitsBaseline(const uint64_t *a, const uint64_t *b, size_t words, uint64_t limit)
{
    return countBits(a, b, words, limit);
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same count with the population-count instruction, which the baseline processor the build
// targets may lack.
__attribute__((target("popcnt"))) uint64_t countBitsPopcnt(const uint64_t *a, const uint64_t *b, size_t words,
                                                           uint64_t limit)
{
    return countBits(a, b, words, limit);
}
#endif

// Chosen at the first count by what the processor offers. Not through an ifunc resolver: that runs
// while the dynamic loader relocates the program, before a sanitizer's run time is set up, and an
// instrumented resolver crashes there.
CountFunction chooseCount()
{
#if defined(__x86_64__) && defined(__GNUC__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("popcnt"))
        return countBitsPopcnt;
#endif
    return countBitsBaseline;
}

uint64_t countDifferingBits(const uint64_t *a, const uint64_t *b, size_t words, uint64_t limit)
{
    static const CountFunction count = chooseCount();
    return count(a, b, words, limit);
}

// How many window entries a worker scores between two looks at the stop and pause switches.
constexpr size_t kFlagInterval = 2048;

} // namespace

uint64_t SimilarPairPass::distanceWithin(const uint64_t *first, const uint64_t *second, size_t words, uint64_t limit)
{
    return countDifferingBits(first, second, words, limit);
}

SimilarPairPass::SimilarPairPass(const std::vector<ImageFilePtr> &photos, int bitmapSize, int timeThresholdSeconds,
                                 double distanceThresholdMetres)
    : photos_(photos.size())
    , claimed_(new std::atomic<uint8_t>[photos.size()])
    , lists_(3)
    , timeThreshold_(timeThresholdSeconds)
    , distanceThreshold_(distanceThresholdMetres)
{
    const size_t n = photos.size();
    for (size_t i = 0; i < n; ++i)
        claimed_[i].store(0, std::memory_order_relaxed);
    // A pair is close in time when its dates lie at most threshold seconds and 999 ms apart (the
    // whole seconds between them are counted); a negative threshold lets no pair through.
    comparable_ = MVNTwinsift::isValidBitmapSize(bitmapSize) && timeThresholdSeconds >= 0;
    window_ = qint64(std::max(timeThresholdSeconds, 0)) * 1000 + 999;
    if (MVNTwinsift::isValidBitmapSize(bitmapSize)) {
        words_ = MVNTwinsift::wordCount(bitmapSize);
        limit_ = MVNTwinsift::distanceLimit(bitmapSize);
        bits_ = uint32_t(bitmapSize) * uint32_t(bitmapSize);
    }

    for (size_t i = 0; i < n; ++i) {
        const ImageFile &file = *photos[i];
        Photo &keys = photos_[i];
        keys.hasHash = file.imageUint64Hash.has_value();
        keys.carriesCapture = file.captureDate.has_value();
        if (file.captureDate && file.captureDate->isValid()) {
            keys.hasCapture = true;
            keys.capture = file.captureDate->toMSecsSinceEpoch();
        }
        if (file.creationDate && file.creationDate->isValid()) {
            keys.hasCreation = true;
            keys.creation = file.creationDate->toMSecsSinceEpoch();
        }
        const std::optional<double> latitude = file.signedLatitude();
        const std::optional<double> longitude = file.signedLongitude();
        if (latitude && longitude) {
            keys.hasPosition = true;
            keys.latitude = *latitude;
            keys.longitude = *longitude;
        }
        if (!keys.hasHash || !comparable_)
            continue;
        if (keys.hasCapture)
            lists_[ByCapture].entries.push_back({keys.capture, uint32_t(i), 0});
        if (keys.hasCreation)
            lists_[keys.carriesCapture ? ByCreationDated : ByCreationUndated].entries.push_back(
                {keys.creation, uint32_t(i), 0});
    }
    if (!comparable_)
        return;

    // Each listed photo's hash is copied once, in the order of the first list that holds it, with
    // missing words as 0 (as the comparison counts them).
    uint32_t slotCount = 0;
    for (List &list : lists_) {
        std::sort(list.entries.begin(), list.entries.end());
        for (Entry &entry : list.entries) {
            Photo &keys = photos_[entry.index];
            if (keys.slot == std::numeric_limits<uint32_t>::max())
                keys.slot = slotCount++;
            entry.slot = keys.slot;
        }
    }
    packed_.assign(size_t(slotCount) * words_, 0);
    for (size_t i = 0; i < n; ++i) {
        if (photos_[i].slot == std::numeric_limits<uint32_t>::max())
            continue;
        const std::vector<uint64_t> &hash = *photos[i]->imageUint64Hash;
        std::copy_n(hash.begin(), std::min(hash.size(), words_), packed_.begin() + ptrdiff_t(photos_[i].slot * words_));
    }
}

SimilarPairPass::~SimilarPairPass() = default;

size_t SimilarPairPass::scanWindow(const List &list, size_t anchor, qint64 time, std::vector<Match> &out,
                                   const ScanFlags &flags) const
{
    const Photo &a = photos_[anchor];
    const uint64_t *anchorHash = packed_.data() + size_t(a.slot) * words_;
    const qint64 from = saturatingAdd(time, -window_);
    const qint64 to = saturatingAdd(time, window_);
    auto it = std::lower_bound(list.entries.begin(), list.entries.end(), from,
                               [](const Entry &entry, qint64 t) { return entry.time < t; });
    const auto first = it;
    size_t untilFlags = kFlagInterval;
    for (; it != list.entries.end() && it->time <= to; ++it) {
        if (--untilFlags == 0) {
            untilFlags = kFlagInterval;
            if (!waitWhilePaused(flags, flags.isSecondStepAbort))
                break;
        }
        const size_t j = it->index;
        if (j <= anchor || isClaimed(j))
            continue;
        const uint64_t d = countDifferingBits(anchorHash, packed_.data() + size_t(it->slot) * words_, words_, limit_);
        if (d > limit_)
            continue; // the comparison gives 18.0
        if (!closeInTimeAndPlace(a, photos_[j], timeThreshold_, distanceThreshold_))
            continue;
        const float score = float(int32_t(bits_ - uint32_t(d))) / float(int32_t(bits_)) * 100.0f;
        if (score >= 75.0f)
            out.push_back({uint32_t(j), score});
    }
    return size_t(it - first);
}

size_t SimilarPairPass::matchesOf(size_t anchor, std::vector<Match> &out, const ScanFlags &flags) const
{
    const Photo &a = photos_[anchor];
    if (!comparable_ || !a.hasHash || a.slot == std::numeric_limits<uint32_t>::max() || isClaimed(anchor))
        return 0;
    size_t scanned = 0;
    if (a.hasCapture)
        scanned += scanWindow(lists_[ByCapture], anchor, a.capture, out, flags);
    if (a.hasCreation) {
        scanned += scanWindow(lists_[ByCreationUndated], anchor, a.creation, out, flags);
        if (!a.carriesCapture)
            scanned += scanWindow(lists_[ByCreationDated], anchor, a.creation, out, flags);
    }
    std::sort(out.begin(), out.end(), [](const Match &x, const Match &y) { return x.partner < y.partner; });
    return scanned;
}

bool SimilarPairPass::run(const ScanFlags &flags, unsigned threads,
                          const std::function<bool(size_t, const std::vector<Match> &)> &anchor)
{
    std::vector<uint32_t> anchors;
    for (size_t i = 0; i < photos_.size(); ++i)
        if (photos_[i].hasHash)
            anchors.push_back(uint32_t(i));
    const size_t count = anchors.size();
    threads = unsigned(std::min<size_t>(std::max(1u, threads), std::max<size_t>(count, 1)));

    // Workers take runs of consecutive anchors, sized so that a run scores about kRunEntries
    // window entries. A run may start only while it stays within `ahead` anchors of the next one
    // to be handed over and, unless it begins with that one, while the matches waiting stay
    // within kMatchBudget.
    constexpr size_t kRunEntries = 1 << 16;
    constexpr size_t kLongestRun = 256;
    constexpr size_t kMatchBudget = size_t(1) << 21;
    OrderedParallel::Limits limits;
    limits.run = kLongestRun;
    limits.runCost = kRunEntries;
    limits.ahead = size_t(threads) * kLongestRun * 2;
    limits.waitingWeight = kMatchBudget;
    std::vector<std::vector<Match>> handOver(std::min(limits.ahead, count)); // anchor k's in slot k % size
    const size_t slotCount = handOver.size();
    OrderedParallel pool(flags, flags.isSecondStepAbort, threads, limits);
    return pool.run(
        count,
        [&](size_t k) {
            std::vector<Match> &matches = handOver[k % slotCount];
            matches.clear();
            const size_t scanned = matchesOf(anchors[k], matches, flags);
            return OrderedParallel::Report{matches.size(), scanned};
        },
        [&](size_t k) {
            std::vector<Match> &matches = handOver[k % slotCount];
            const bool more = anchor(anchors[k], matches);
            if (matches.capacity() > 4096)
                std::vector<Match>().swap(matches);
            else
                matches.clear();
            return more;
        });
}
