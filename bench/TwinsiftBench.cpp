// twinsift-bench: runs the scan engine of the application on folders and single files, without
// any window, and prints the result and the time of each stage as one JSON object.
//
//   twinsift-bench --exact|--similar [--videos] [--min-size BYTES] [--threads N] PATH...
//
// Each PATH is one entry of the scan list, as the home screen makes it: a folder (or a link to one)
// is walked, a single file is collected as the scan list would collect it.
//   twinsift-bench --synthetic-pairs N [--undated] [--seed S] [--threads N]
//
// Defaults are those of a fresh installation: videos off, minimum size 1024 bytes, hash size 72,
// time window 1 s, distance 1 m. The second form times the pair pass of the similar scan alone on N
// made-up photos (times spread over days with bursts of near-copies, some GPS positions; with
// --undated, photos dated only by creation times that all fall within seconds).
// The other modes (--results, --automark, --trash, --deletion, --hashes) are listed by the usage text below and
// described in bench/README.md.

#include "AutoMarkBench.h"
#include "DeletionBench.h"
#include "HashesMode.h"
#include "TrashMode.h"
#include "ResultsBench.h"
#include "model/ImageFile.h"
#include "model/InitialDirectory.h"
#include "engine/ScanEngine.h"
#include "engine/SimilarGrouping.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

#include <nlohmann/json.hpp>

#include <sys/resource.h>

#include <cstdio>
#include <iostream>
#include <random>

namespace {

double peakResidentMegabytes()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB on Linux
}

// Every mode the driver takes, one line each.
int usage()
{
    std::fprintf(stderr,
                 "usage: twinsift-bench --exact|--similar [--videos] [--min-size BYTES] [--threads N] PATH...\n"
                 "       twinsift-bench --synthetic-pairs N [--undated] [--seed S] [--threads N]\n"
                 "       twinsift-bench --results [--groups N] [--files M >= 2N] [--seed S]\n"
                 "       twinsift-bench --automark [--groups N] [--seed S]\n"
                 "       twinsift-bench --trash PATH...\n"
                 "       twinsift-bench --hashes [--size S] PATH...\n"
                 "       twinsift-bench --deletion [--files N >= 2] [--marked M < N]\n"
                 "       twinsift-bench --deletion --walk N [--toggle-pause MS] [--same-name]\n");
    return 2;
}

// Photos without capture dates whose files were all written in one go (about 5,000 a second, as
// bench/make-corpus --no-dates writes them), dated by those creation times; their hashes are
// variations of 8 scenes, so that many pairs lie just past the grouping limit and are compared in full.
std::vector<ImageFilePtr> undatedPhotos(qint64 count, std::mt19937 &random)
{
    const QDateTime start = QDateTime::fromString("2024-02-01T10:00:00", Qt::ISODate);
    std::vector<std::vector<uint64_t>> scenes(8, std::vector<uint64_t>(81));
    for (auto &scene : scenes)
        for (auto &word : scene)
            word = (uint64_t(random()) << 32) ^ random();
    std::vector<ImageFilePtr> photos;
    photos.reserve(size_t(count));
    for (qint64 i = 0; i < count; ++i) {
        auto photo = std::make_shared<ImageFile>();
        std::vector<uint64_t> hash = scenes[random() % scenes.size()];
        const int flips = 500 + int(random() % 250);
        for (int k = 0; k < flips; ++k) {
            const unsigned bit = random() % 5184u;
            hash[bit / 64] ^= uint64_t(1) << (63 - bit % 64);
        }
        photo->creationDate = start.addMSecs(i / 5 + qint64(random() % 3));
        photo->imageUint64Hash = std::move(hash);
        photos.push_back(std::move(photo));
    }
    return photos;
}

int syntheticPairs(qint64 count, quint32 seed, bool undated, unsigned threads)
{
    std::mt19937 random(seed);
    const QDateTime start = QDateTime::fromString("2019-06-01T08:00:00", Qt::ISODate);
    std::vector<ImageFilePtr> photos;
    photos.reserve(size_t(count));
    if (undated)
        photos = undatedPhotos(count, random);
    std::vector<uint64_t> lastHash(81);
    QDateTime lastTime = start;
    qint64 offsetMs = 0;
    for (qint64 i = 0; i < count && !undated; ++i) {
        auto photo = std::make_shared<ImageFile>();
        std::vector<uint64_t> hash(81);
        const bool burst = i > 0 && random() % 5 == 0; // a near-copy of the previous photo
        if (burst) {
            hash = lastHash;
            for (int k = 0; k < 200; ++k) {
                const unsigned bit = random() % 5184u;
                hash[bit / 64] ^= uint64_t(1) << (63 - bit % 64);
            }
            photo->captureDate = lastTime.addMSecs(qint64(random() % 900));
        } else {
            for (auto &word : hash)
                word = (uint64_t(random()) << 32) ^ random();
            offsetMs += 1000 + qint64(random() % 60000); // a photo every few seconds on average
            photo->captureDate = start.addMSecs(offsetMs);
        }
        if (random() % 10 == 0) {
            photo->captureDate.reset();
            // Files without a capture date: their creation dates, spread over the copy of a library.
            photo->creationDate = start.addMSecs(qint64(random() % quint64(count * 72)));
        }
        if (random() % 3 == 0) {
            photo->latitude = 47.0 + double(random() % 1000) * 1e-6;
            photo->longitude = 8.0 + double(random() % 1000) * 1e-6;
        }
        lastHash = hash;
        if (photo->captureDate)
            lastTime = *photo->captureDate;
        photo->imageUint64Hash = std::move(hash);
        photos.push_back(std::move(photo));
    }

    SimilarGrouping grouping(std::make_shared<ScanFlags>(), ScanSettings::defaults(), nullptr,
                             threads > 0 ? threads : defaultThreadCount());
    QElapsedTimer timer;
    timer.start();
    const auto groups = grouping.pairPass(photos, count);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    nlohmann::ordered_json out;
    out["photos"] = count;
    out["groups"] = groups ? groups->size() : 0;
    out["stages"] = {{"pair", seconds}};
    out["peak_rss_mb"] = peakResidentMegabytes();
    std::cout << out.dump(1) << std::endl;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.value(0) == "--automark")
        return autoMarkBench(args.mid(1));
    if (args.value(0) == "--trash")
        return trashMode(args.mid(1));
    if (args.value(0) == "--results")
        return resultsBench(args.mid(1));
    if (args.value(0) == "--deletion")
        return deletionBench(args.mid(1));
    if (args.value(0) == "--hashes")
        return hashesMode(args.mid(1));

    bool similar = false;
    bool kindGiven = false;
    ScanSettings settings = ScanSettings::defaults();
    unsigned threads = 0;
    QStringList roots;
    qint64 synthetic = -1;
    bool undated = false;
    quint32 seed = 1;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        bool ok = true;
        if (arg == "--exact") {
            similar = false;
            kindGiven = true;
        } else if (arg == "--similar") {
            similar = true;
            kindGiven = true;
        } else if (arg == "--videos") {
            settings.scanVideos = true;
        } else if (arg == "--min-size" && i + 1 < args.size()) {
            settings.minimumFileSize = args[++i].toULongLong(&ok);
        } else if (arg == "--threads" && i + 1 < args.size()) {
            threads = args[++i].toUInt(&ok);
        } else if (arg == "--synthetic-pairs" && i + 1 < args.size()) {
            synthetic = args[++i].toLongLong(&ok);
        } else if (arg == "--undated") {
            undated = true;
        } else if (arg == "--seed" && i + 1 < args.size()) {
            seed = args[++i].toUInt(&ok);
        } else if (arg.startsWith("--")) {
            return usage();
        } else {
            roots << QFileInfo(arg).absoluteFilePath();
        }
        if (!ok)
            return usage();
    }
    if (synthetic >= 0)
        return syntheticPairs(synthetic, seed, undated, threads);
    if (!kindGiven || roots.isEmpty())
        return usage();

    std::vector<InitialDirectory> entries;
    for (const QString &root : roots) {
        InitialDirectory entry(QUrl::fromLocalFile(root));
        if (!entry.file) {
            std::fprintf(stderr, "twinsift-bench: cannot read: %s\n", qPrintable(root));
            return 1;
        }
        entries.push_back(std::move(entry));
    }

    ScanEngine engine(std::make_shared<ScanFlags>(), settings);
    engine.setCollectionPause(std::chrono::milliseconds(0));
    if (threads > 0)
        engine.setThreadCount(threads);
    QElapsedTimer timer;
    timer.start();
    const ScanOutcome outcome = engine.sendDataToScanVC(entries, similar);
    const double total = double(timer.nsecsElapsed()) / 1e9;

    nlohmann::ordered_json groups = nlohmann::ordered_json::array();
    nlohmann::ordered_json scores = nlohmann::ordered_json::array();
    if (outcome.sendData) {
        for (const auto &group : *outcome.sendData) {
            nlohmann::ordered_json paths = nlohmann::ordered_json::array();
            nlohmann::ordered_json values = nlohmann::ordered_json::array();
            for (const auto &file : group) {
                paths.push_back(file->path().toStdString());
                values.push_back(double(file->matchingPercentage));
            }
            groups.push_back(std::move(paths));
            scores.push_back(std::move(values));
        }
    }
    nlohmann::ordered_json stages = nlohmann::ordered_json::object();
    for (const auto &[name, seconds] : outcome.stageSeconds)
        stages[name.toStdString()] = seconds;
    stages["total"] = total;

    nlohmann::ordered_json out;
    out["groups"] = std::move(groups);
    out["scores"] = std::move(scores);
    out["files"] = outcome.collectedCount;
    out["stages"] = std::move(stages);
    out["peak_rss_mb"] = peakResidentMegabytes();
    std::cout << out.dump() << std::endl;
    return outcome.completed ? 0 : 1;
}
