#include "engine/SimilarGrouping.h"

#include "engine/MVNTwinsift.h"
#include "engine/PositionGroups.h"
#include "engine/ScanProgress.h"
#include "engine/SimilarPairPass.h"

#include <QElapsedTimer>

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
    const std::function<bool()> stopped = [&flags] { return flags.isSecondStepAbort.load(); };
    return runOrdered(
        n, threads_, flags, flags.isSecondStepAbort,
        [&](size_t i) {
            ImageFile &photo = *photos[i];
            MVNTwinsift::HashResult hash = hasher.twk(photo.path(), s, stopped);
            // Absent and unreadable both leave the photo without a hash.
            if (hash.hasHash())
                photo.imageUint64Hash = std::move(hash.words);
            else
                photo.imageUint64Hash.reset();
        },
        [&](size_t i) {
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
    const float shownLevel = float(settings_.matchingLevel);
    SimilarPairPass pass(photos, settings_.hashBitmapSize, settings_.timeThreshold, settings_.distanceThreshold);

    std::vector<std::vector<size_t>> result;
    qint64 lastShownProcessed = -1;
    int lastShownPercent = -1;
    const bool completed = pass.run(flags, threads_, [&](size_t i, const std::vector<SimilarPairPass::Match> &matches) {
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
        if (pass.isClaimed(i))
            return true;

        std::vector<size_t> group;
        bool partnerShown = false; // some partner reaches the level, so the group is shown
        qint64 m = 0;
        for (const SimilarPairPass::Match &match : matches) {
            const size_t j = match.partner;
            if (pass.isClaimed(j))
                continue; // a photo belongs to the first group that claims it
            if (group.empty()) {
                photos[i]->matchingPercentage = match.score;
                group.push_back(i);
                pass.claim(i);
            }
            photos[j]->matchingPercentage = match.score;
            group.push_back(j);
            pass.claim(j);
            // The count is of the files the results show at the level they open with: a partner
            // below it is hidden there, and the anchor shows once a partner does.
            if (!(match.score >= shownLevel))
                continue;
            duplicateCount_ += partnerShown ? 1 : 2;
            partnerShown = true;
            if (m % similarStride_ == 0 && progress_)
                progress_->showDuplicateCount(duplicateCount_);
            ++m;
        }
        if (group.size() >= 2)
            result.push_back(std::move(group));
        return true;
    });
    if (!completed)
        return std::nullopt;
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
