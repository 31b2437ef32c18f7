#include "engine/SimilarGrouping.h"

#include "engine/MVNTwinsift.h"
#include "engine/SimilarPairPass.h"
#include "model/ResultCommands.h"
#include "model/ResultRegrouping.h"
#include "services/MVNAssistance.h"
#include "services/TimeAndPlace.h"
#include "support/ScanFixtures.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <future>
#include <random>
#include <thread>

namespace {

// The plain reading of the pair pass: every anchor against every later photo not yet grouped.
std::vector<std::vector<size_t>> referencePairPass(const std::vector<ImageFilePtr> &photos, int s, int timeThreshold,
                                                   double distanceThreshold)
{
    const MVNTwinsift hasher;
    const size_t n = photos.size();
    std::vector<char> groupedIndices(n, 0);
    auto isGrouped = [&](size_t k) { return groupedIndices[k] != 0; };
    std::vector<std::vector<size_t>> result;
    for (size_t i = 0; i < n; ++i) {
        if (!photos[i]->imageUint64Hash || isGrouped(i))
            continue;
        std::vector<size_t> group;
        for (size_t j = i + 1; j < n; ++j) {
            if (isGrouped(j))
                continue;
            const TimeAndPlace close = timeAndPlaceTest(*photos[i], *photos[j], timeThreshold, distanceThreshold);
            if (!close.sameTime && !close.samePlace)
                continue;
            if (!photos[j]->imageUint64Hash || !close.sameTime || !close.samePlace)
                continue;
            const float score = hasher.mVNCompare(*photos[i]->imageUint64Hash, *photos[j]->imageUint64Hash, s);
            if (!(score >= 75.0f))
                continue;
            if (group.empty()) {
                photos[i]->matchingPercentage = score;
                group.push_back(i);
                groupedIndices[i] = 1;
            }
            photos[j]->matchingPercentage = score;
            group.push_back(j);
            groupedIndices[j] = 1;
        }
        if (group.size() >= 2)
            result.push_back(group);
    }
    return result;
}

std::vector<uint64_t> flipRandomBits(std::vector<uint64_t> hash, int count, std::mt19937 &random)
{
    for (int k = 0; k < count; ++k) {
        const unsigned bit = random() % 5184u;
        hash[bit / 64] ^= uint64_t(1) << (63 - bit % 64);
    }
    return hash;
}

ScanSettings settingsWith(int timeThreshold, double distanceThreshold)
{
    ScanSettings settings = ScanSettings::defaults();
    settings.timeThreshold = timeThreshold;
    settings.distanceThreshold = distanceThreshold;
    return settings;
}

// Random rounds, then dense ones: every photo in one time window, their hashes variations of a few
// pictures whose differences crowd around the grouping limit, so the claim order decides a lot.
// Each round runs on one thread and on several.
TEST(SimilarGroupingEquivalence, RandomTimesPositionsAndHashesGiveThePlainResult)
{
    std::mt19937 random(72);
    const QDateTime base = QDateTime::fromString("2021-05-01T12:00:00", Qt::ISODate);
    size_t groupsSeen = 0;
    for (int round = 0; round < 46; ++round) {
        const bool dense = round >= 40;
        const size_t n = dense ? 900 : size_t(random() % 400);
        const int clusters = dense ? 3 : 1 + int(random() % 20);
        const int timeThreshold = dense ? 1 : std::array<int, 5>{0, 1, 1, 3, -1}[random() % 5];
        const double distanceThreshold = std::array<double, 3>{1.0, 25.0, 5000.0}[random() % 3];
        const qint64 spanMs = dense ? 1999 : 1000 + qint64(random() % 30000);

        std::vector<std::vector<uint64_t>> bases;
        for (int c = 0; c < clusters; ++c) {
            std::vector<uint64_t> words(81);
            for (auto &word : words)
                word = (uint64_t(random()) << 32) ^ random();
            bases.push_back(words);
        }

        std::vector<ImageFile> records;
        for (size_t i = 0; i < n; ++i) {
            ImageFile record;
            if (random() % 15 != 0)
                record.imageUint64Hash =
                    flipRandomBits(bases[random() % unsigned(clusters)],
                                   dense ? 470 + int(random() % 60) : int(random() % 1300), random);
            const unsigned dates = random() % 10;
            auto someTime = [&] { return base.addMSecs(qint64(random() % quint64(spanMs))); };
            if (dates < (dense ? 2u : 6u)) {
                record.captureDate = someTime();
            } else if (dates < 9) {
                record.creationDate = someTime();
            } else if (random() % 2) {
                // Both dates (not made by the scan, but the test must still agree) or an invalid one.
                record.captureDate = someTime();
                record.creationDate = someTime();
            } else {
                record.captureDate = QDateTime();
                record.creationDate = someTime();
            }
            if (random() % 3 == 0) {
                record.latitude = 48.0 + double(random() % 100) * 1e-5;
                if (random() % 8 != 0)
                    record.longitude = 11.0 + double(random() % 100) * 1e-5;
            }
            records.push_back(record);
        }
        auto copies = [&] {
            std::vector<ImageFilePtr> photos;
            for (const ImageFile &record : records)
                photos.push_back(std::make_shared<ImageFile>(record));
            return photos;
        };

        const std::vector<ImageFilePtr> plain = copies();
        const auto expected = referencePairPass(plain, 72, timeThreshold, distanceThreshold);
        for (unsigned threads : {1u, 4u}) {
            const std::vector<ImageFilePtr> fast = copies();
            SimilarGrouping grouping(std::make_shared<ScanFlags>(), settingsWith(timeThreshold, distanceThreshold),
                                     nullptr, threads);
            const auto groups = grouping.pairPass(fast, qint64(n));
            ASSERT_TRUE(groups.has_value());
            ASSERT_EQ(*groups, expected) << "round " << round << ", " << threads << " threads";
            for (size_t i = 0; i < n; ++i)
                ASSERT_EQ(fast[i]->matchingPercentage, plain[i]->matchingPercentage)
                    << "round " << round << " photo " << i << ", " << threads << " threads";
        }
        groupsSeen += expected.size();
    }
    EXPECT_GT(groupsSeen, 100u); // the inputs do form groups
}

// The comparison counts the differing bits as MVNTwinsift does, whichever population count the
// processor offers: exactly up to the limit, above it once passed.
TEST(SimilarGroupingPairs, DistanceWithinTheLimitIsExact)
{
    std::mt19937 random(5);
    std::vector<uint64_t> a(81), b(81);
    for (auto &word : a)
        word = (uint64_t(random()) << 32) ^ random();
    for (int flips : {0, 1, 983, 984, 985, 2000}) {
        b = a;
        for (int k = 0; k < flips; ++k)
            b[size_t(k) / 64] ^= uint64_t(1) << (k % 64);
        const uint64_t d = SimilarPairPass::distanceWithin(a.data(), b.data(), 81, 984);
        if (flips <= 984)
            EXPECT_EQ(d, uint64_t(flips));
        else
            EXPECT_GT(d, 984u);
    }
}

TEST(SimilarGroupingPairs, ClaimedPhotosStayWithTheirFirstAnchorAndPartnersAreNotCompared)
{
    // P-Q and P-R differ by 700 bits, Q-R by 200: one group [P, Q, R], every member scored
    // against P.
    auto withBits = [](std::initializer_list<std::pair<int, int>> ranges) {
        std::vector<uint64_t> words(81, 0);
        for (auto [from, to] : ranges)
            for (int k = from; k < to; ++k)
                words[size_t(k) / 64] |= uint64_t(1) << (63 - k % 64);
        return words;
    };
    const QDateTime when = QDateTime::fromString("2020-01-01T08:00:00", Qt::ISODate);
    std::vector<ImageFilePtr> photos;
    for (auto hash : {withBits({}), withBits({{0, 700}}), withBits({{0, 600}, {700, 800}})}) {
        auto record = std::make_shared<ImageFile>();
        record->imageUint64Hash = hash;
        record->captureDate = when;
        photos.push_back(record);
    }
    SimilarGrouping grouping(std::make_shared<ScanFlags>(), ScanSettings::defaults());
    const auto groups = grouping.pairPass(photos, 3);
    ASSERT_TRUE(groups.has_value());
    ASSERT_EQ(*groups, (std::vector<std::vector<size_t>>{{0, 1, 2}}));
    const float expected = float(5184 - 700) / float(5184) * 100.0f;
    for (const auto &photo : photos)
        EXPECT_EQ(photo->matchingPercentage, expected);

    // Two seconds apart with a one-second window: never grouped, whatever the score.
    photos[1]->captureDate = when.addSecs(2);
    photos[2]->captureDate = when.addSecs(4);
    EXPECT_EQ(*SimilarGrouping(std::make_shared<ScanFlags>(), ScanSettings::defaults()).pairPass(photos, 3),
              std::vector<std::vector<size_t>>{});
}

// Thousands of photos dated within one second, compared on several threads: a pause holds the pass
// while the progress it reported stays put; after the resume the ring and the processed count move
// on until a second pause, and a stop that leaves that pause set ends the pass with nothing
// reported after it.
TEST(SimilarGroupingPairs, PauseAndStopHoldDuringTheParallelComparison)
{
    std::mt19937 random(9);
    const QDateTime when = QDateTime::fromString("2023-07-01T09:00:00", Qt::ISODate);
    std::vector<ImageFilePtr> photos;
    for (int i = 0; i < 6000; ++i) {
        auto record = std::make_shared<ImageFile>();
        std::vector<uint64_t> words(81);
        for (auto &word : words)
            word = (uint64_t(random()) << 32) ^ random();
        record->imageUint64Hash = words;
        record->creationDate = when.addMSecs(i % 1000);
        photos.push_back(record);
    }
    auto flags = std::make_shared<ScanFlags>();
    struct Listener : scanfixtures::RecordingProgress {
        std::shared_ptr<ScanFlags> flags;
        std::atomic<int> calls{0};
        std::atomic<bool> pausedAgain{false};
        std::vector<int> percents;
        void showGroupingPercent(int percent) override
        {
            percents.push_back(percent);
            if (calls++ == 0 || (percent >= 50 && !pausedAgain.exchange(true)))
                flags->isPaused = true;
        }
        void showProcessedFiles(qint64 done, qint64 total) override
        {
            ASSERT_FALSE(flags->isSecondStepAbort.load()); // nothing after the stop
            RecordingProgress::showProcessedFiles(done, total);
        }
    } progress;
    progress.flags = flags;
    std::atomic<bool> done{false};
    std::promise<void> finished;
    std::optional<std::vector<std::vector<size_t>>> groups;
    std::thread worker([&] {
        groups = SimilarGrouping(flags, ScanSettings::defaults(), &progress, 4).pairPass(photos, 6000);
        done = true;
        finished.set_value();
    });
    auto waitUntilHeld = [&](const std::atomic<bool> &paused) {
        for (int i = 0; i < 10000 && (!paused.load() || flags->heldThreads.load() < 2) && !done.load(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_GE(flags->heldThreads.load(), 2); // the caller and the workers wait
    };
    const std::atomic<bool> firstPause{true};
    waitUntilHeld(firstPause);
    EXPECT_EQ(progress.calls.load(), 1);
    flags->isPaused = false;

    waitUntilHeld(progress.pausedAgain);
    flags->isSecondStepAbort = true; // the pause stays set
    // A guard against a pass that never ends, not a timing: every thread leaves its pause at once.
    EXPECT_EQ(finished.get_future().wait_for(std::chrono::minutes(1)), std::future_status::ready);
    flags->isPaused = false;
    worker.join();
    EXPECT_FALSE(groups.has_value());
    ASSERT_GE(progress.percents.size(), 10u);
    EXPECT_TRUE(std::is_sorted(progress.percents.begin(), progress.percents.end()));
    EXPECT_EQ(progress.percents.back(), 50);
}

class SimilarGroupingFiles : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    ImageFilePtr photo(const QString &name, const QImage &image, int quality,
                       const QString &dateTime = "2022:03:04 05:06:07")
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(scanfixtures::writeJpeg(path, image, quality));
        scanfixtures::ExifFields fields;
        fields.dateTime = dateTime;
        EXPECT_TRUE(scanfixtures::writeExif(path, fields));
        return ImageFile::make(QUrl::fromLocalFile(path));
    }
};

TEST_F(SimilarGroupingFiles, GroupsCopiesAndLeavesOthersOut)
{
    const QImage original = scanfixtures::makePhoto(11, 1200, 900);
    std::vector<ImageFilePtr> files = {
        photo("a.jpg", original, 92),
        photo("other.jpg", scanfixtures::makePhoto(12, 1200, 900), 92),
        photo("a-small.jpg", original.scaled(300, 225, Qt::KeepAspectRatio, Qt::SmoothTransformation), 90),
        photo("a-later.jpg", original, 92, "2022:03:04 05:06:17"), // ten seconds later
        photo("a-again.jpg", original, 40),
    };
    QImage flat(200, 200, QImage::Format_RGB32);
    flat.fill(Qt::black);
    files.push_back(photo("black.jpg", flat, 90));
    auto video = std::make_shared<ImageFile>(*files[0]);
    video->isVideo = true;
    files.insert(files.begin() + 1, video);

    std::vector<std::vector<uint64_t>> sequentialHashes;
    for (unsigned threads : {1u, 4u}) {
        for (auto &file : files) {
            file->imageUint64Hash.reset();
            file->matchingPercentage = 100.0f;
        }
        scanfixtures::RecordingProgress progress;
        SimilarGrouping grouping(std::make_shared<ScanFlags>(), ScanSettings::defaults(), &progress, threads);
        const auto groups = grouping.similarGroups(files);
        ASSERT_TRUE(groups.has_value());
        ASSERT_EQ(groups->size(), 1u);
        EXPECT_EQ((*groups)[0], (ImageGroup{files[0], files[3], files[5]}));
        EXPECT_EQ(files[0]->matchingPercentage, files[3]->matchingPercentage); // anchor: its first partner's
        EXPECT_GE(files[3]->matchingPercentage, 90.0f);
        EXPECT_LT(files[5]->matchingPercentage, 100.0f);
        EXPECT_FALSE(video->imageUint64Hash.has_value());
        EXPECT_FALSE(files.back()->imageUint64Hash.has_value()); // flat
        EXPECT_EQ(progress.calls.back(), "complete IDS_TWK_36");

        std::vector<std::vector<uint64_t>> hashes;
        for (auto &file : files)
            hashes.push_back(file->imageUint64Hash.value_or(std::vector<uint64_t>{}));
        if (threads == 1)
            sequentialHashes = hashes;
        else
            EXPECT_EQ(hashes, sequentialHashes); // the parallel hash pass gives the same hashes
    }
}

TEST_F(SimilarGroupingFiles, StopDuringHashingKeepsHashesMadeSoFar)
{
    std::vector<ImageFilePtr> files;
    for (int i = 0; i < 6; ++i)
        files.push_back(photo(QString("p%1.jpg").arg(i), scanfixtures::makePhoto(30 + quint32(i)), 90));
    auto flags = std::make_shared<ScanFlags>();
    struct StopOnSecondPhoto : scanfixtures::RecordingProgress {
        std::shared_ptr<ScanFlags> flags;
        void showProcessedFiles(qint64 done, qint64 total) override
        {
            RecordingProgress::showProcessedFiles(done, total);
            flags->isSecondStepAbort = true;
        }
    } progress;
    progress.flags = flags;
    SimilarGrouping grouping(flags, ScanSettings::defaults(), &progress, 1);
    EXPECT_FALSE(grouping.similarGroups(files).has_value());
    EXPECT_TRUE(files[0]->imageUint64Hash.has_value());
    EXPECT_FALSE(files[5]->imageUint64Hash.has_value());
    EXPECT_EQ(progress.calls.back(), "processed 1/6"); // nothing more after the stop
    EXPECT_EQ(SimilarGrouping(flags, ScanSettings::defaults()).similarGroups({files[0]}), ImageGroups{});
}

} // namespace

// A similar scan gives a group's first file the score of its first partner. With that partner
// below the matching level and a later one above it, the results show [first, later] on arrival,
// and every regrouping at the same level shows exactly that again.
TEST_F(SimilarGroupingFiles, RegroupingAtTheOpeningLevelKeepsTheFirstFileAsTheIntakeDoes)
{
    const QImage original = scanfixtures::makePhoto(21, 1200, 900);
    QImage altered = original.scaled(400, 300, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (int y = 0; y < altered.height() / 8; ++y)
        for (int x = 0; x < altered.width(); ++x)
            altered.setPixel(x, y, qRgb(255 - qRed(altered.pixel(x, y)), qGreen(altered.pixel(x, y)), 40));
    std::vector<ImageFilePtr> files = {photo("first.jpg", original, 92), photo("altered.jpg", altered, 60),
                                       photo("copy.jpg", original, 92)};
    SimilarGrouping grouping(std::make_shared<ScanFlags>(), ScanSettings::defaults());
    const auto groups = grouping.similarGroups(files);
    ASSERT_TRUE(groups.has_value());
    ASSERT_EQ(groups->size(), 1u);
    ASSERT_EQ((*groups)[0], (ImageGroup{files[0], files[1], files[2]}));
    const float first = files[0]->matchingPercentage;
    ASSERT_EQ(first, files[1]->matchingPercentage);
    const int level = int(first) + 1;
    ASSERT_LE(float(level), files[2]->matchingPercentage) << "scores " << first << ", " << files[2]->matchingPercentage;

    const ImageGroups intake = ResultCommands::shownGroupsAtMatchingLevel(*groups, level);
    ASSERT_EQ(intake, (ImageGroups{{files[0], files[2]}}));
    ResultState state;
    state.allImages = *groups;
    state.setShownGroups(intake);
    state.mark(0, 1);
    ResultRegrouping::showGroups(state, ResultRegrouping::groupsAtMatchingLevel(state.allImages, level),
                                 ResultRegrouping::remember(state), false);
    EXPECT_EQ(state.imageDirectories, intake);
    EXPECT_EQ(MVNAssistance::totalItemCount(state.imageDirectories), 2);
}

// The scan sheet's last duplicate count is the number of files the results then show (every
// partner here is an exact copy, so every file reaches every level).
TEST_F(SimilarGroupingFiles, TheSheetsLastCountIsTheNumberOfFilesTheResultsShow)
{
    std::vector<ImageFilePtr> files;
    for (int g = 0; g < 8; ++g) {
        const QImage original = scanfixtures::makePhoto(quint32(100 + g), 320, 240);
        const QString when = QStringLiteral("2022:03:%1 05:06:07").arg(10 + g);
        for (int copy = 0; copy < 3; ++copy)
            files.push_back(photo(QStringLiteral("g%1-%2.jpg").arg(g).arg(copy), original, 90, when));
    }
    scanfixtures::RecordingProgress progress;
    SimilarGrouping grouping(std::make_shared<ScanFlags>(), ScanSettings::defaults(), &progress);
    const auto groups = grouping.similarGroups(files);
    ASSERT_TRUE(groups.has_value());
    ASSERT_EQ(groups->size(), 8u);
    std::string lastCount;
    for (const std::string &call : progress.calls)
        if (call.rfind("dup ", 0) == 0)
            lastCount = call;
    const qint64 shown = MVNAssistance::totalItemCount(ResultCommands::shownGroupsAtMatchingLevel(*groups, 81));
    EXPECT_EQ(shown, 24);
    EXPECT_EQ(lastCount, "dup " + std::to_string(shown));
}
