#pragma once

#include "model/ImageFile.h"
#include "model/InitialDirectory.h"
#include "model/ResultFileKeys.h"
#include "model/ScanFlags.h"
#include "platform/FileStat.h"
#include "engine/OrderedParallel.h"
#include "engine/ScanSettings.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

class ScanProgress;

// A collected file whose record is not read yet: its scan-list entry, whether it is an image, and
// the stat taken when it was collected.
struct PendingRecord {
    size_t entry = 0;
    bool isImage = true;
    platform::FileStat stat;
};

// The files a scan collected, in collection order, with the size each had when it was collected.
// `pending` (same length) marks the records collected without reading them (an exact scan's
// collection); collectFiles reads every record and leaves it all absent.
struct CollectedFiles {
    std::vector<ImageFilePtr> files;
    std::vector<std::optional<quint64>> sizes;
    std::vector<std::optional<PendingRecord>> pending;
    double listSeconds = 0; // time spent listing the folders (the pre-count)
};

// How one run of the scan body ended.
struct ScanOutcome {
    // False when the scan was stopped: nothing may be published then.
    bool completed = false;
    // The result (the sheet's sendData): absent when stopped; the empty list when fewer than two
    // files were collected or no group was found; else the groups.
    std::optional<ImageGroups> sendData;
    // The keys of every file of sendData, worked out on the scan's thread, for the result to take
    // over (null when there are no groups).
    std::shared_ptr<ResultFileKeys> fileKeys;
    qint64 collectedCount = 0;
    // Seconds per stage: "list" and "collect" (the rest of the collection), then "digest", "pair"
    // and "records" (reading the grouped records in full) for an exact scan, or "hash" and "pair"
    // for a similar one.
    std::vector<std::pair<QString, double>> stageSeconds;
};

// The display-free scan: collects the candidate files of a scan list and groups them, reporting
// progress through a ScanProgress and honouring the pause and stop switches of a ScanFlags.
//
// Every collected file is a regular file by lstat. A folder root that is a symbolic link is listed
// at its target and links below a root are not followed; a single-file root that is a link is
// collected as the file it leads to (a Photos library item never follows a link). One file reached
// through several roots is collected once, by device and inode.
//
// Each folder is walked once: the listing made for the pre-count is the one collected. The
// candidate filter runs on several threads and its results are taken in listing order, so the
// files, their order and the progress are those of a file-by-file walk. A similar scan reads every
// candidate's record in full (image properties, dates, position) while collecting. An exact scan
// publishes only the grouped records, so it collects a video or a JPEG (told by its first bytes and
// a readable frame header; the filter keeps such a file whatever its properties hold) from its stat alone and reads the
// records of the grouped ones after grouping, from that stat: the published records are those the
// full reading gives.
//
// Threading: sendDataToScanVC blocks; call it on a worker thread, never on the main thread.
// The progress calls come on that thread (and on no other). The engine keeps no reference to any
// screen: it reads only the settings snapshot it was given and the flags. The records it returns
// belong to the caller once run() has returned.
class ScanEngine
{
public:
    ScanEngine(std::shared_ptr<ScanFlags> flags, ScanSettings settings, ScanProgress *progress = nullptr);

    // The scan body: pre-count, collection, the collection-complete pause, then exact or similar
    // grouping when two or more files were collected.
    ScanOutcome sendDataToScanVC(const std::vector<InitialDirectory> &initialDirectories, bool isSimilarScan);

    // Collection alone, every record read in full; absent when stopped (flags->isFirstStepAbort).
    std::optional<CollectedFiles> collectFiles(const std::vector<InitialDirectory> &initialDirectories);

    // Removes the first entry (with a URL) whose path extension, lower-cased, is "photoslibrary".
    static void removePhotosLibraryRoots(std::vector<InitialDirectory> &initialDirectories);

    // The pause between "collection complete" and grouping (1 s in the application).
    void setCollectionPause(std::chrono::milliseconds pause) { collectionPause_ = pause; }
    // Threads of the parallel stages (default: the machine's hardware threads).
    void setThreadCount(unsigned threads) { threads_ = std::max(1u, threads); }

    const ScanSettings &settings() const { return settings_; }

private:
    // The collection. With deferReading, videos and JPEGs with a readable frame header are kept
    // from their stat and first bytes (which decide the filter for them), records left pending.
    std::optional<CollectedFiles> collect(const std::vector<InitialDirectory> &initialDirectories, bool deferReading);
    // Reads the pending records among the grouped files in full, in place, keeping their digest:
    // each becomes the record the full collection would have made. False when stopped.
    bool completeRecords(const ImageGroups &groups, const CollectedFiles &collected,
                         const std::vector<InitialDirectory> &initialDirectories);
    static void completeRecord(ImageFile &record, const PendingRecord &pending,
                               const std::vector<InitialDirectory> &initialDirectories);

    std::shared_ptr<ScanFlags> flags_;
    ScanSettings settings_;
    ScanProgress *progress_;
    std::chrono::milliseconds collectionPause_{1000};
    unsigned threads_ = defaultThreadCount();
};
