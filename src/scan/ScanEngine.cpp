#include "scan/ScanEngine.h"

#include "platform/FileManager.h"
#include "platform/ImageSource.h"
#include "scan/ExactGrouping.h"
#include "scan/ScanProgress.h"
#include "scan/SimilarGrouping.h"
#include "services/MVNAssistance.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>

#include <thread>
#include <unordered_set>

namespace {

struct IdentityHash {
    size_t operator()(const FileIdentity &id) const noexcept
    {
        return std::hash<quint64>()(id.device * 0x9E3779B97F4A7C15ull ^ id.inode);
    }
};

// The outcome of the candidate filter for one file, before the same-file test.
struct Candidate {
    ImageFilePtr record;
    std::optional<quint64> size;
};

// The files collected so far and what identifies them, so that one file reached through two paths
// (two roots, a link, "a/../a", a bind mount) is collected once.
class Collection {
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
    }
    qint64 count() const { return qint64(collected.files.size()); }

private:
    std::unordered_set<FileIdentity, IdentityHash> identities_;
    QSet<QString> paths_;
};

// Steps 1 to 4 of the candidate filter for the file at `url`; an empty record when it is dropped.
Candidate filterCandidate(const QUrl &url, const InitialDirectory &entry, const ScanSettings &settings)
{
    Candidate candidate;
    if (!url.isLocalFile())
        return candidate;
    const QString path = url.toLocalFile();
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension.isEmpty() || !settings.scanExtensions.contains(extension))
        return candidate;
    const std::optional<platform::FileAttributes> attributes = platform::FileManager::attributes(path);
    if (!attributes || !(attributes->size > settings.minimumFileSize))
        return candidate;
    const bool isImage = settings.imageExtensions.contains(extension);
    if (!isImage && !settings.scanVideos)
        return candidate; // a video while videos are off: no need to read the file

    auto record = ImageFile::make(url);
    record->isPhotoLibrary = entry.isPhotoLibrary;
    record->photoLibraryProperties = entry.photoLibraryProperties;
    if (entry.photoLibraryProperties)
        record->fileName = entry.photoLibraryProperties->OriginalFileName;
    if (isImage) {
        if (!record->properties)
            return candidate;
    } else {
        record->isVideo = true;
    }
    if (!record->identity)
        record->identity = FileIdentity{attributes->device, attributes->inode};
    candidate.record = std::move(record);
    candidate.size = attributes->size;
    return candidate;
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
        waitWhilePaused(flags);
        if (flags.isFirstStepAbort.load())
            return std::nullopt;
        if (!entry.file || !entry.isChecked)
            continue;
        if (entry.file->isFolder) {
            if (entry.url)
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
    const unsigned collectionThreads = std::min(threads_, kCollectionThreads);
    qint64 singleFileCounter = 0;
    for (size_t e = 0; e < initialDirectories.size(); ++e) {
        const InitialDirectory &entry = initialDirectories[e];
        if (!entry.url || !entry.url->isLocalFile() || !QFileInfo::exists(entry.url->toLocalFile()))
            continue;
        waitWhilePaused(flags);
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
                [&](size_t i) { candidates[i] = filterCandidate(listing[i], entry, settings_); },
                [&](size_t i) {
                    waitWhilePaused(flags);
                    if (flags.isFirstStepAbort.load())
                        return false;
                    if (candidates[i].record)
                        collection.add(std::move(candidates[i]));
                    candidates[i] = {};
                    ++processed;
                    if (i % 9 == 0) {
                        waitWhilePaused(flags);
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
            Candidate candidate = filterCandidate(*entry.url, entry, settings_);
            if (candidate.record)
                collection.add(std::move(candidate));
        }
    }
    return std::move(collection.collected);
}

ScanOutcome ScanEngine::sendDataToScanVC(const std::vector<InitialDirectory> &initialDirectories,
                                         bool isSimilarScan)
{
    ScanFlags &flags = *flags_;
    ScanOutcome outcome;
    const QString collectKey = QStringLiteral("IDS_TWK_35");

    QElapsedTimer timer;
    timer.start();
    std::optional<CollectedFiles> collected = collectFiles(initialDirectories);
    const double collectSeconds = double(timer.nsecsElapsed()) / 1e9;
    if (!collected)
        return outcome;
    outcome.stageSeconds.emplace_back(QStringLiteral("list"), collected->listSeconds);
    outcome.stageSeconds.emplace_back(QStringLiteral("collect"), collectSeconds - collected->listSeconds);
    outcome.collectedCount = qint64(collected->files.size());

    if (progress_)
        progress_->showStepComplete(collectKey);
    if (collectionPause_.count() > 0)
        std::this_thread::sleep_for(collectionPause_);
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
            groups = grouping.exactGroups(collected->files, std::move(collected->sizes));
            outcome.stageSeconds.emplace_back(QStringLiteral("digest"), grouping.digestSeconds());
            outcome.stageSeconds.emplace_back(QStringLiteral("pair"), grouping.pairSeconds());
        }
        if (groups)
            sendData = std::move(*groups);
    } else {
        waitWhilePaused(flags);
        if (flags.isFirstStepAbort.load())
            return outcome;
        if (progress_)
            progress_->showStepComplete(collectKey);
    }

    waitWhilePaused(flags);
    if (flags.isFirstStepAbort.load() || flags.isSecondStepAbort.load())
        return outcome;
    outcome.completed = true;
    outcome.sendData = std::move(sendData);
    return outcome;
}
