#include "engine/ExactGrouping.h"

#include "engine/PositionGroups.h"
#include "engine/ScanProgress.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"
#include "services/MVNAssistance.h"

#include <QElapsedTimer>
#include <QHash>

#include <algorithm>
#include <string_view>
#include <unordered_map>

ExactGrouping::ExactGrouping(std::shared_ptr<ScanFlags> flags, ScanProgress *progress, unsigned threads)
    : flags_(flags ? std::move(flags) : std::make_shared<ScanFlags>())
    , progress_(progress)
    , threads_(threads)
{
}

std::vector<bool> ExactGrouping::positionsToDigest(const std::vector<std::optional<quint64>> &sizes)
{
    // A file of unknown size may equal any other: then every file is digested.
    if (std::any_of(sizes.begin(), sizes.end(), [](const auto &size) { return !size; }))
        return std::vector<bool>(sizes.size(), true);
    std::unordered_map<quint64, size_t> counts;
    counts.reserve(sizes.size());
    for (const auto &size : sizes)
        ++counts[*size];
    std::vector<bool> result(sizes.size(), false);
    for (size_t i = 0; i < sizes.size(); ++i)
        result[i] = !sizes[i] || counts[*sizes[i]] > 1;
    return result;
}

std::vector<bool> ExactGrouping::positionsWithSharedHead(const std::vector<std::optional<quint64>> &sizes,
                                                         const std::vector<bool> &wanted,
                                                         const std::vector<std::optional<quint64>> &heads)
{
    if (std::any_of(sizes.begin(), sizes.end(), [](const auto &size) { return !size; }))
        return wanted;
    struct PairHash {
        size_t operator()(const std::pair<quint64, quint64> &p) const noexcept
        {
            return std::hash<quint64>()(p.first * 0x9E3779B97F4A7C15ull ^ p.second);
        }
    };
    std::unordered_map<std::pair<quint64, quint64>, size_t, PairHash> counts;
    for (size_t i = 0; i < sizes.size(); ++i)
        if (wanted[i] && heads[i])
            ++counts[{*sizes[i], *heads[i]}];
    std::vector<bool> result(sizes.size(), false);
    for (size_t i = 0; i < sizes.size(); ++i)
        result[i] = wanted[i] && heads[i] && counts[{*sizes[i], *heads[i]}] > 1;
    return result;
}

std::optional<quint64> ExactGrouping::fileHeadKey(const QString &path)
{
    const std::optional<platform::RegularFile> file = platform::RegularFile::openScanned(path);
    if (!file)
        return std::nullopt;
    const qint64 wanted = std::min<qint64>(4096, file->size());
    const QByteArray head = file->readAt(0, wanted);
    if (head.size() < wanted) { // a read error (or a file cut short while read)
        platform::logSkippedFile(lcEngine(), path, platform::SkipReason::Unreadable, QStringLiteral("cut short"));
        return std::nullopt;
    }
    return quint64(std::hash<std::string_view>()(std::string_view(head.constData(), size_t(head.size()))));
}

std::vector<std::vector<size_t>> ExactGrouping::groupByDigest(const std::vector<std::optional<QString>> &digests)
{
    std::vector<std::vector<size_t>> groups;
    QHash<QString, size_t> groupOf;
    groupOf.reserve(qsizetype(digests.size()));
    for (size_t i = 0; i < digests.size(); ++i) {
        if (!digests[i])
            continue;
        auto it = groupOf.constFind(*digests[i]);
        if (it == groupOf.constEnd()) {
            groupOf.insert(*digests[i], groups.size());
            groups.push_back({i});
        } else {
            groups[*it].push_back(i);
        }
    }
    std::vector<std::vector<size_t>> result;
    for (auto &group : groups)
        if (group.size() >= 2)
            result.push_back(std::move(group));
    return result;
}

std::optional<std::vector<std::vector<size_t>>>
ExactGrouping::groupPositions(const std::vector<std::optional<quint64>> &sizes,
                              const std::function<std::optional<QString>(size_t)> &digest,
                              const std::function<std::optional<quint64>(size_t)> &headKey)
{
    const size_t n = sizes.size();
    digestSeconds_ = 0;
    pairSeconds_ = 0;
    if (n < 2)
        return std::vector<std::vector<size_t>>{};

    const ScanFlags &flags = *flags_;
    const qint64 digestStride = n >= 20 ? 18 : 2;
    const qint64 groupingStride = n >= 20 ? 9 : 2;

    // Pass 1: digests.
    QElapsedTimer timer;
    timer.start();
    std::vector<bool> wanted = positionsToDigest(sizes);
    if (headKey) {
        // The first 4 KiB of every file that shares its size: a cheap read that rules out most
        // files of equal size but different contents before their full digest.
        std::vector<std::optional<quint64>> heads(n);
        const bool read = runOrdered(
            n, threads_, flags, flags.isSecondStepAbort,
            [&](size_t i) {
                if (wanted[i])
                    heads[i] = headKey(i);
            },
            [](size_t) { return true; });
        if (!read)
            return std::nullopt;
        wanted = positionsWithSharedHead(sizes, wanted, heads);
    }
    std::vector<std::optional<QString>> digests(n);
    qint64 k1 = 1;
    const bool digested = runOrdered(
        n, threads_, flags, flags.isSecondStepAbort,
        [&](size_t i) {
            if (wanted[i])
                digests[i] = digest(i);
        },
        [&](size_t i) {
            if (k1 % digestStride == 0 && progress_)
                progress_->showGroupingPercent(int(qint64(i) * 75 / qint64(n)));
            ++k1;
            return true;
        });
    digestSeconds_ = double(timer.nsecsElapsed()) / 1e9;
    if (!digested || flags.isSecondStepAbort.load())
        return std::nullopt;

    // Pass 2: grouping.
    timer.restart();
    std::vector<std::vector<size_t>> groups = groupByDigest(digests);
    std::vector<qint64> groupStartingAt(n, -1);
    for (size_t g = 0; g < groups.size(); ++g)
        groupStartingAt[groups[g].front()] = qint64(g);

    qint64 duplicateCount = 0;
    qint64 k2 = 1;
    for (size_t i = 0; i < n; ++i) {
        if (!waitWhilePaused(flags, flags.isSecondStepAbort))
            return std::nullopt;
        if (k2 % groupingStride == 0 && progress_)
            progress_->showGroupingPercent(75 + int(qint64(i) * 25 / qint64(n)));
        ++k2;
        const qint64 g = groupStartingAt[i];
        if (g < 0)
            continue;
        // The first file of the group is always shown; its partners every groupingStride-th.
        ++duplicateCount;
        if (progress_)
            progress_->showDuplicateCount(duplicateCount);
        for (size_t m = 0; m + 1 < groups[size_t(g)].size(); ++m) {
            ++duplicateCount;
            if (qint64(m) % groupingStride == 0 && progress_)
                progress_->showDuplicateCount(duplicateCount);
        }
    }
    pairSeconds_ = double(timer.nsecsElapsed()) / 1e9;
    return groups;
}

std::optional<ImageGroups> ExactGrouping::exactGroups(const std::vector<ImageFilePtr> &files,
                                                      std::vector<std::optional<quint64>> sizes)
{
    const size_t n = files.size();
    if (n < 2)
        return ImageGroups{};
    sizes.resize(n);
    MVNAssistance &assistance = sharedAssistance();
    for (size_t i = 0; i < n; ++i)
        if (!sizes[i] && files[i] && files[i]->url)
            sizes[i] = assistance.fileSize(files[i]->path());

    const std::shared_ptr<ScanFlags> flags = flags_;
    auto positions = groupPositions(
        sizes,
        [&](size_t i) -> std::optional<QString> {
            const ImageFilePtr &file = files[i];
            if (!file || !file->url)
                return std::nullopt;
            // Each worker writes only its own record; the records are read again after the pass.
            file->md5 = assistance.fileMD5(*file->url, flags);
            return file->md5;
        },
        [&](size_t i) -> std::optional<quint64> {
            const ImageFilePtr &file = files[i];
            if (!file || !file->url)
                return std::nullopt;
            return fileHeadKey(file->path());
        });
    if (!positions)
        return std::nullopt;

    return imageGroupsAt(*positions, files);
}
