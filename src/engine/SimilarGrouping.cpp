#include "engine/SimilarGrouping.h"

#include "engine/MVNTwinsift.h"
#include "engine/PositionGroups.h"
#include "engine/ScanProgress.h"
#include "platform/Geo.h"
#include "services/TimeAndPlace.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// What the time-and-place test reads of one record, taken once per photo (converting dates and
// looking up the GPS references once per pair would cost more than the whole comparison).
struct PhotoKeys {
    bool carriesCapture = false; // a capture date is present (valid or not)
    bool hasCapture = false;     // ... and valid
    qint64 capture = 0;          // milliseconds since the epoch
    bool hasCreation = false;
    qint64 creation = 0;
    bool hasPosition = false; // signed latitude and longitude both present
    double latitude = 0;
    double longitude = 0;
};

PhotoKeys keysOf(const ImageFile &file)
{
    PhotoKeys keys;
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
    return keys;
}

// timeAndPlaceTest (services/TimeAndPlace.h) on the keys of two records; gives the same answer.
TimeAndPlace testKeys(const PhotoKeys &a, const PhotoKeys &b, int timeThreshold, double distanceThreshold)
{
    TimeAndPlace answer;
    qint64 first = 0;
    qint64 second = 0;
    if (a.carriesCapture && b.carriesCapture) {
        if (!a.hasCapture || !b.hasCapture)
            return answer;
        first = a.capture;
        second = b.capture;
    } else {
        if (!a.hasCreation || !b.hasCreation)
            return answer;
        first = a.creation;
        second = b.creation;
    }
    const qint64 seconds = (second - first) / 1000; // whole seconds, the fraction dropped
    answer.sameTime = std::llabs(seconds) <= qint64(timeThreshold);
    if (!answer.sameTime)
        return answer;
    if (!a.hasPosition || !b.hasPosition) {
        answer.samePlace = true;
        return answer;
    }
    const double distance = platform::geoDistanceMetres(a.latitude, a.longitude, b.latitude, b.longitude);
    answer.samePlace = std::fabs(distance) <= distanceThreshold;
    return answer;
}

} // namespace

SimilarGrouping::SimilarGrouping(std::shared_ptr<ScanFlags> flags, ScanSettings settings, ScanProgress *progress,
                                 unsigned threads)
    : flags_(flags ? std::move(flags) : std::make_shared<ScanFlags>())
    , settings_(std::move(settings))
    , progress_(progress)
    , threads_(threads)
{
}

bool SimilarGrouping::hashPass(const std::vector<ImageFilePtr> &photos, qint64 total)
{
    const ScanFlags &flags = *flags_;
    const size_t n = photos.size();
    const int s = settings_.hashBitmapSize;
    const MVNTwinsift hasher;
    return runOrdered(
        n, threads_, flags, flags.isSecondStepAbort,
        [&](size_t i) {
            ImageFile &photo = *photos[i];
            MVNTwinsift::HashResult hash = hasher.twk(photo.path(), s);
            // Absent and unreadable both leave the photo without a hash.
            if (hash.hasHash())
                photo.imageUint64Hash = std::move(hash.words);
            else
                photo.imageUint64Hash.reset();
        },
        [&](size_t i) {
            waitWhilePaused(flags);
            if (flags.isSecondStepAbort.load())
                return false;
            const int percent = int(qint64(i) * 100 / qint64(n));
            if (i % 4 == 0)
                ++processedCount_;
            if (paceCounter_ % similarStride_ == 0 && progress_) {
                progress_->logHashPercent(percent);
                progress_->showGroupingPercent(percent / 4);
                progress_->showProcessedFiles(processedCount_, total);
            }
            ++paceCounter_;
            return true;
        },
        2);
}

std::optional<std::vector<std::vector<size_t>>> SimilarGrouping::pairPass(const std::vector<ImageFilePtr> &photos,
                                                                          qint64 total)
{
    const ScanFlags &flags = *flags_;
    const size_t n = photos.size();
    const int s = settings_.hashBitmapSize;
    const int timeThreshold = settings_.timeThreshold;
    const double distanceThreshold = settings_.distanceThreshold;
    const float shownLevel = float(settings_.matchingLevel);
    const MVNTwinsift hasher;

    std::vector<PhotoKeys> keys(n);
    std::vector<char> hasHash(n, 0);
    // (time, position) of every hashed photo, sorted by time, once by capture date and once by
    // creation date.
    std::vector<std::pair<qint64, size_t>> byCapture;
    std::vector<std::pair<qint64, size_t>> byCreation;
    for (size_t i = 0; i < n; ++i) {
        keys[i] = keysOf(*photos[i]);
        hasHash[i] = photos[i]->imageUint64Hash.has_value();
        if (!hasHash[i])
            continue;
        if (keys[i].hasCapture)
            byCapture.emplace_back(keys[i].capture, i);
        if (keys[i].hasCreation)
            byCreation.emplace_back(keys[i].creation, i);
    }
    std::sort(byCapture.begin(), byCapture.end());
    std::sort(byCreation.begin(), byCreation.end());
    // Dates whose whole-second difference is within the threshold lie less than threshold + 1 s
    // apart; the window keeps a margin and the test itself decides.
    const bool anyTimeMatches = timeThreshold >= 0;
    const qint64 window = (qint64(std::max(timeThreshold, 0)) + 1) * 1000;

    std::vector<char> grouped(n, 0);
    std::vector<std::vector<size_t>> result;
    std::vector<size_t> candidates;
    qint64 lastShownProcessed = -1;
    int lastShownPercent = -1;

    auto collectWindow = [&](const std::vector<std::pair<qint64, size_t>> &sorted, qint64 time, size_t anchor,
                             bool excludeBothCaptured) {
        auto it = std::lower_bound(sorted.begin(), sorted.end(), std::make_pair(time - window, size_t(0)));
        for (; it != sorted.end() && it->first <= time + window; ++it) {
            const size_t j = it->second;
            if (j <= anchor || grouped[j])
                continue;
            if (excludeBothCaptured && keys[anchor].carriesCapture && keys[j].carriesCapture)
                continue; // such a pair is decided by its capture dates
            candidates.push_back(j);
        }
    };

    for (size_t i = 0; i < n; ++i) {
        if (!hasHash[i])
            continue;
        waitWhilePaused(flags);
        if (flags.isSecondStepAbort.load())
            return std::nullopt;
        if (i % 4 == 0) {
            processedCount_ += 3;
            if (processedCount_ > qint64(n))
                processedCount_ = qint64(n);
        }
        const int percent = int(qint64(i) * 100 / qint64(n));
        ++paceCounter_;
        if (progress_) {
            if (processedCount_ != lastShownProcessed) {
                progress_->showProcessedFiles(processedCount_, total);
                lastShownProcessed = processedCount_;
            }
            const int shown = 25 + percent * 75 / 100;
            if (paceCounter_ % similarStride_ == 0 && shown != lastShownPercent) {
                progress_->showGroupingPercent(shown);
                lastShownPercent = shown;
            }
        }
        if (grouped[i] || !anyTimeMatches)
            continue;

        candidates.clear();
        if (keys[i].hasCapture)
            collectWindow(byCapture, keys[i].capture, i, false);
        if (keys[i].hasCreation)
            collectWindow(byCreation, keys[i].creation, i, true);
        if (candidates.empty())
            continue;
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

        std::vector<size_t> group;
        bool partnerShown = false; // some partner reaches the level, so the group is shown
        qint64 m = 0;
        const std::vector<uint64_t> &anchorHash = *photos[i]->imageUint64Hash;
        for (size_t j : candidates) {
            waitWhilePaused(flags);
            if (flags.isSecondStepAbort.load())
                return std::nullopt;
            const TimeAndPlace close = testKeys(keys[i], keys[j], timeThreshold, distanceThreshold);
            if (!close.sameTime || !close.samePlace)
                continue;
            const float score = hasher.mVNCompare(anchorHash, *photos[j]->imageUint64Hash, s);
            if (!(score >= kGroupingScore))
                continue;
            if (group.empty()) {
                photos[i]->matchingPercentage = score;
                group.push_back(i);
                grouped[i] = 1;
            }
            photos[j]->matchingPercentage = score;
            group.push_back(j);
            grouped[j] = 1;
            // The count is of the files the results show at the level they open with: a partner
            // below it is hidden there, and the anchor shows once a partner does.
            if (!(score >= shownLevel))
                continue;
            duplicateCount_ += partnerShown ? 1 : 2;
            partnerShown = true;
            if (m % similarStride_ == 0 && progress_)
                progress_->showDuplicateCount(duplicateCount_);
            ++m;
        }
        if (group.size() >= 2)
            result.push_back(std::move(group));
    }
    return result;
}

std::optional<ImageGroups> SimilarGrouping::similarGroups(const std::vector<ImageFilePtr> &files)
{
    hashSeconds_ = 0;
    pairSeconds_ = 0;
    std::vector<ImageFilePtr> photos;
    photos.reserve(files.size());
    for (const auto &file : files)
        if (file && !file->isVideo)
            photos.push_back(file);
    const qint64 total = qint64(files.size());
    const size_t n = photos.size();
    if (n < 2)
        return ImageGroups{};

    duplicateCount_ = 0;
    processedCount_ = 0;
    paceCounter_ = 1;
    similarStride_ = n < 20 ? 1 : n < 50 ? 2 : n < 100 ? 3 : 5;

    QElapsedTimer timer;
    timer.start();
    const bool hashed = hashPass(photos, total);
    hashSeconds_ = double(timer.nsecsElapsed()) / 1e9;
    if (!hashed || flags_->isSecondStepAbort.load())
        return std::nullopt;
    paceCounter_ = 1;

    timer.restart();
    auto positions = pairPass(photos, total);
    pairSeconds_ = double(timer.nsecsElapsed()) / 1e9;
    if (!positions || flags_->isSecondStepAbort.load())
        return std::nullopt;
    if (progress_) {
        // The count is shown at a pace while grouping; the last one shown is the final count.
        progress_->showDuplicateCount(duplicateCount_);
        progress_->showProcessedFiles(total, total);
        progress_->showStepComplete(QStringLiteral("IDS_TWK_36"));
    }

    return imageGroupsAt(*positions, photos);
}
