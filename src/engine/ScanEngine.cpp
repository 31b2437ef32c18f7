#include "engine/ScanEngine.h"

#include "platform/FileManager.h"
#include "platform/FileStat.h"
#include "platform/ImageSource.h"
#include "platform/Log.h"
#include "platform/PathSafety.h"
#include "platform/RegularFile.h"
#include "engine/ExactGrouping.h"
#include "engine/ScanProgress.h"
#include "engine/SimilarGrouping.h"
#include "services/MVNAssistance.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <thread>
#include <unordered_map>
#include <unordered_set>

namespace {

struct IdentityHash {
    size_t operator()(const FileIdentity &id) const noexcept
    {
        return std::hash<quint64>()(id.device * 0x9E3779B97F4A7C15ull ^ id.inode);
    }
};

// The outcome of the candidate filter for one file, before the same-file test. A deferred
// candidate's record holds only its URL and identity; `pending` says how to finish it.
struct Candidate {
    ImageFilePtr record;
    std::optional<quint64> size;
    std::optional<PendingRecord> pending;
    // A record read in full but for its dates, which are read from this stat on the collecting
    // thread (see ImageFile::Dates).
    std::optional<platform::FileStat> datesFrom;
};

// The files collected so far and what identifies them, so that one file reached through two paths
// (two roots, a link, "a/../a", a bind mount) is collected once.
class Collection
{
public:
    CollectedFiles collected;

    void add(Candidate candidate)
    {
        ImageFile &record = *candidate.record;
        if (record.identity) {
            if (!identities_.insert(*record.identity).second)
                return;
        } else {
            const QString key = QFileInfo(record.path()).canonicalFilePath();
            if (!key.isEmpty() && paths_.contains(key))
                return;
            if (!key.isEmpty())
                paths_.insert(key);
        }
        collected.files.push_back(std::move(candidate.record));
        collected.sizes.push_back(candidate.size);
        collected.pending.push_back(std::move(candidate.pending));
    }
    qint64 count() const { return qint64(collected.files.size()); }

private:
    std::unordered_set<FileIdentity, IdentityHash> identities_;
    QSet<QString> paths_;
};

// Takes the candidate into the collection, first giving a record read without its dates its dates.
void addCandidate(Collection &collection, Candidate &candidate)
{
    if (candidate.datesFrom)
        candidate.record->readDates(&*candidate.datesFrom);
    collection.add(std::move(candidate));
}

// Step 4 of the candidate filter on a record read in full: the scan-list entry's Photos library
// facts, and the drop of an image without properties. False when the record is dropped.
bool finishRecord(ImageFile &record, const InitialDirectory &entry, bool isImage, const platform::FileStat &stat)
{
    record.isPhotoLibrary = entry.isPhotoLibrary;
    record.photoLibraryProperties = entry.photoLibraryProperties;
    if (entry.photoLibraryProperties)
        record.fileName = entry.photoLibraryProperties->OriginalFileName;
    if (isImage) {
        if (!record.properties)
            return false;
    } else {
        record.isVideo = true;
    }
    if (!record.identity)
        record.identity = FileIdentity{stat.device, stat.inode};
    return true;
}

// A listed file that cannot be stat'ed: one that vanished since the listing, or a name the system
// does not take back as it was decoded (one that is not valid in the file-name encoding).
void logStatFailure(const QString &path, int error)
{
    QString reason;
    if (path.contains(QChar::ReplacementCharacter) && (error == ENOENT || error == 0))
        reason = QStringLiteral("the name is not valid in the file-name encoding");
    else if (error == ENOENT || error == ENOTDIR)
        reason = QStringLiteral("it vanished since it was listed");
    else
        reason = error ? QString::fromLocal8Bit(std::strerror(error)) : QStringLiteral("not a usable path");
    platform::logSkippedFile(lcEngine(), path, platform::SkipReason::Unreadable, reason);
}

// Steps 1 to 4 of the candidate filter for the file at `url`; an empty record when it is dropped.
// With `deferReading`, a video or a JPEG whose frame header reads (whose properties are then never
// absent, so step 4 keeps it whatever they hold) is kept without reading it: its record
// is finished by completeRecord, from the stat taken here.
Candidate filterCandidate(const QUrl &url, size_t entryIndex, const InitialDirectory &entry,
                          const ScanSettings &settings, bool deferReading)
{
    Candidate candidate;
    if (!url.isLocalFile())
        return candidate;
    const QString path = url.toLocalFile();
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension.isEmpty() || !settings.scanExtensions.contains(extension))
        return candidate;
    // Only a regular file is a candidate: a link never stands for its target here (a root link is
    // resolved before it comes here), and a pipe or a device is never opened.
    errno = 0;
    const std::optional<platform::FileStat> stat = platform::FileStat::of(path);
    if (!stat) {
        logStatFailure(path, errno);
        return candidate;
    }
    if (!stat->isRegularFile)
        platform::logSkippedFile(lcEngine(), path, platform::SkipReason::NotRegularFile);
    if (!stat->isRegularFile || !(stat->size > settings.minimumFileSize))
        return candidate;
    const bool isImage = settings.imageExtensions.contains(extension);
    if (!isImage && !settings.scanVideos)
        return candidate; // a video while videos are off: no need to read the file

    if (deferReading && (!isImage || platform::ImageSource::hasJpegFrameHeader(path))) {
        auto record = std::make_shared<ImageFile>();
        record->url = url;
        record->identity = FileIdentity{stat->device, stat->inode};
        candidate.record = std::move(record);
        candidate.size = stat->size;
        candidate.pending = PendingRecord{entryIndex, isImage, *stat};
        return candidate;
    }

    // The record reads its identity, size and dates from this stat instead of stat'ing the file
    // again; the dates are read on the collecting thread (addCandidate).
    auto record = ImageFile::make(url, &*stat, ImageFile::Dates::Later);
    if (!finishRecord(*record, entry, isImage, *stat)) {
        // A photo without properties: one whose open was refused (the reason is that open's, and
        // the path is never opened again: what is there now may be a pipe or a link), or one whose
        // contents do not read.
        const std::optional<platform::RegularFile::Refusal> refusal = platform::RegularFile::lastScannedRefusal();
        if (refusal && refusal->path == path)
            platform::logSkippedFile(lcEngine(), path, refusal->reason, refusal->detail);
        else
            platform::logSkippedFile(lcEngine(), path, platform::SkipReason::Damaged);
        return candidate;
    }
    candidate.record = std::move(record);
    candidate.size = stat->size;
    candidate.datesFrom = *stat;
    return candidate;
}

// The file a single-file entry stands for: the entry's own path, or, when the user gave a
// symbolic link (chosen or dropped), the file it leads to, so the file is collected once under its
// real path and never as a second photo of its own. A Photos library item is taken as it stands:
// the reader resolved it inside its package, and the scan never follows a link out of it.
std::optional<QUrl> singleFileTarget(const InitialDirectory &entry)
{
    const QString path = entry.url->toLocalFile();
    const std::optional<platform::FileStat> stat = platform::FileStat::of(path);
    if (!stat)
        return std::nullopt;
    if (!stat->isSymbolicLink)
        return *entry.url;
    if (entry.isPhotoLibrary)
        return std::nullopt;
    const QString target = QFileInfo(path).canonicalFilePath();
    if (target.isEmpty())
        return std::nullopt; // a dangling link or a loop of links
    return QUrl::fromLocalFile(target);
}

// A scan-list entry whose URL names a local path the system can be handed.
bool hasUsablePath(const InitialDirectory &entry)
{
    return entry.url && entry.url->isLocalFile() && platform::PathSafety::isUsable(entry.url->toLocalFile());
}

} // namespace

ScanEngine::ScanEngine(std::shared_ptr<ScanFlags> flags, ScanSettings settings, ScanProgress *progress)
    : flags_(flags ? std::move(flags) : std::make_shared<ScanFlags>())
    , settings_(std::move(settings))
    , progress_(progress)
{
}

void ScanEngine::removePhotosLibraryRoots(std::vector<InitialDirectory> &initialDirectories)
{
    for (auto it = initialDirectories.begin(); it != initialDirectories.end(); ++it) {
        if (!it->url)
            continue;
        if (QFileInfo(it->url->path()).suffix().toLower() == QLatin1String("photoslibrary")) {
            initialDirectories.erase(it);
            return;
        }
    }
}

std::optional<CollectedFiles> ScanEngine::collectFiles(const std::vector<InitialDirectory> &initialDirectories)
{
    return collect(initialDirectories, false);
}

void ScanEngine::completeRecord(ImageFile &record, const PendingRecord &pending,
                                const std::vector<InitialDirectory> &initialDirectories)
{
    // The record the collection would have made from the same stat, with what the grouping wrote.
    ImageFile full(*record.url, &pending.stat);
    full.md5 = record.md5;
    // The drop of step 4 cannot apply here: a deferred image is a JPEG whose frame header reads.
    finishRecord(full, initialDirectories[pending.entry], pending.isImage, pending.stat);
    record = std::move(full);
}

bool ScanEngine::completeRecords(const ImageGroups &groups, const CollectedFiles &collected,
                                 const std::vector<InitialDirectory> &initialDirectories)
{
    std::unordered_map<const ImageFile *, const PendingRecord *> pendingOf;
    for (size_t i = 0; i < collected.files.size() && i < collected.pending.size(); ++i)
        if (collected.pending[i])
            pendingOf.emplace(collected.files[i].get(), &*collected.pending[i]);
    std::vector<std::pair<ImageFile *, const PendingRecord *>> work;
    for (const ImageGroup &group : groups)
        for (const ImageFilePtr &file : group)
            if (auto it = pendingOf.find(file.get()); it != pendingOf.end())
                work.emplace_back(file.get(), it->second);
    ScanFlags &flags = *flags_;
    return runOrdered(
        work.size(), threads_, flags, flags.isSecondStepAbort,
        [&](size_t i) { completeRecord(*work[i].first, *work[i].second, initialDirectories); },
        [&](size_t) { return !flags.isFirstStepAbort.load() && !flags.isSecondStepAbort.load(); });
}

std::optional<CollectedFiles> ScanEngine::collect(const std::vector<InitialDirectory> &initialDirectories,
                                                  bool deferReading)
{
    ScanFlags &flags = *flags_;
    MVNAssistance &assistance = sharedAssistance();
    platform::ImageSource::initializeLibraries();

    qint64 processed = 0;
    qint64 total = 0;
    auto percent = [&] { return total > 0 ? int(processed * 100 / total) : 0; };

    // Pre-count. Each folder's listing is kept for the collection, so a folder is walked once.
    QElapsedTimer listTimer;
    listTimer.start();
    std::vector<std::optional<std::vector<QUrl>>> listings(initialDirectories.size());
    for (size_t e = 0; e < initialDirectories.size(); ++e) {
        const InitialDirectory &entry = initialDirectories[e];
        waitWhilePaused(flags, flags.isFirstStepAbort);
        if (flags.isFirstStepAbort.load())
            return std::nullopt;
        if (!entry.file || !entry.isChecked)
            continue;
        if (entry.file->isFolder) {
            if (hasUsablePath(entry))
                listings[e] = assistance.listFiles(*entry.url, flags_);
            if (listings[e])
                total += qint64(listings[e]->size());
        } else {
            total += 1;
        }
    }

    // Collection.
    Collection collection;
    collection.collected.listSeconds = double(listTimer.nsecsElapsed()) / 1e9;
    const unsigned collectionThreads = threads_;
    qint64 singleFileCounter = 0;
    for (size_t e = 0; e < initialDirectories.size(); ++e) {
        const InitialDirectory &entry = initialDirectories[e];
        if (!hasUsablePath(entry) || !QFileInfo::exists(entry.url->toLocalFile()))
            continue;
        waitWhilePaused(flags, flags.isFirstStepAbort);
        if (flags.isFirstStepAbort.load())
            return std::nullopt;
        if (!entry.file || !entry.isChecked)
            continue;

        if (entry.file->isFolder) {
            if (!listings[e])
                continue;
            const std::vector<QUrl> &listing = *listings[e];
            std::vector<Candidate> candidates(listing.size());
            const bool completed = runOrdered(
                listing.size(), collectionThreads, flags, flags.isFirstStepAbort,
                [&](size_t i) { candidates[i] = filterCandidate(listing[i], e, entry, settings_, deferReading); },
                [&](size_t i) {
                    waitWhilePaused(flags, flags.isFirstStepAbort);
                    if (flags.isFirstStepAbort.load())
                        return false;
                    if (candidates[i].record)
                        addCandidate(collection, candidates[i]);
                    candidates[i] = {};
                    ++processed;
                    if (i % 9 == 0) {
                        waitWhilePaused(flags, flags.isFirstStepAbort);
                        if (flags.isFirstStepAbort.load())
                            return false;
                        if (progress_)
                            progress_->showCollectProgress(collection.count(), percent());
                    }
                    return true;
                });
            if (!completed)
                return std::nullopt;
        } else {
            ++processed;
            if (singleFileCounter % 9 == 0) {
                if (flags.isFirstStepAbort.load())
                    return std::nullopt;
                if (progress_)
                    progress_->showCollectProgress(collection.count(), percent());
            }
            ++singleFileCounter;
            if (const std::optional<QUrl> target = singleFileTarget(entry)) {
                Candidate candidate = filterCandidate(*target, e, entry, settings_, deferReading);
                if (candidate.record)
                    addCandidate(collection, candidate);
            }
        }
    }
    return std::move(collection.collected);
}

ScanOutcome ScanEngine::sendDataToScanVC(const std::vector<InitialDirectory> &initialDirectories, bool isSimilarScan)
{
    ScanFlags &flags = *flags_;
    ScanOutcome outcome;
    const QString collectKey = QStringLiteral("IDS_TWK_35");

    QElapsedTimer timer;
    timer.start();
    // An exact scan publishes only the files that end up in groups: the others are collected from
    // their stat and first bytes alone, and the grouped ones read in full afterwards.
    std::optional<CollectedFiles> collected = collect(initialDirectories, !isSimilarScan);
    const double collectSeconds = double(timer.nsecsElapsed()) / 1e9;
    if (!collected)
        return outcome;
    outcome.stageSeconds.emplace_back(QStringLiteral("list"), collected->listSeconds);
    outcome.stageSeconds.emplace_back(QStringLiteral("collect"), collectSeconds - collected->listSeconds);
    outcome.collectedCount = qint64(collected->files.size());

    if (progress_)
        progress_->showStepComplete(collectKey);
    // The pause after the collection ends at once on a stop.
    const auto pauseEnd = std::chrono::steady_clock::now() + collectionPause_;
    for (;;) {
        const uint32_t seen = flags.changeCount();
        if (flags.isFirstStepAbort.load() || flags.isSecondStepAbort.load()
            || !flags.waitForChangeUntil(seen, pauseEnd))
            break;
    }
    if (progress_)
        progress_->setRingAnimated(false);

    ImageGroups sendData;
    const size_t n = collected->files.size();
    if (n >= 2) {
        if (flags.isFirstStepAbort.load() || flags.isSecondStepAbort.load())
            return outcome;
        if (progress_)
            progress_->showGroupingStart(qint64(n));
        std::optional<ImageGroups> groups;
        if (isSimilarScan) {
            SimilarGrouping grouping(flags_, settings_, progress_, threads_);
            groups = grouping.similarGroups(collected->files);
            outcome.stageSeconds.emplace_back(QStringLiteral("hash"), grouping.hashSeconds());
            outcome.stageSeconds.emplace_back(QStringLiteral("pair"), grouping.pairSeconds());
        } else {
            ExactGrouping grouping(flags_, progress_, threads_);
            groups = grouping.exactGroups(collected->files, collected->sizes);
            outcome.stageSeconds.emplace_back(QStringLiteral("digest"), grouping.digestSeconds());
            outcome.stageSeconds.emplace_back(QStringLiteral("pair"), grouping.pairSeconds());
            timer.restart();
            if (groups && !completeRecords(*groups, *collected, initialDirectories))
                groups.reset();
            outcome.stageSeconds.emplace_back(QStringLiteral("records"), double(timer.nsecsElapsed()) / 1e9);
        }
        if (groups)
            sendData = std::move(*groups);
    } else {
        waitWhilePaused(flags, flags.isFirstStepAbort);
        if (flags.isFirstStepAbort.load())
            return outcome;
        if (progress_)
            progress_->showStepComplete(collectKey);
    }

    waitWhilePaused(flags);
    if (flags.isFirstStepAbort.load() || flags.isSecondStepAbort.load())
        return outcome;
    outcome.completed = true;
    if (!sendData.empty()) {
        outcome.fileKeys = std::make_shared<ResultFileKeys>();
        outcome.fileKeys->learn(sendData);
    }
    outcome.sendData = std::move(sendData);
    return outcome;
}
