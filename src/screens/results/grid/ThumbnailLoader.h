#pragma once

#include "model/ImageFile.h"
#include "platform/ImageSource.h"

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>

#include <deque>
#include <memory>
#include <mutex>
#include <optional>

// Thumbnails of result files, decoded off the GUI thread. The views ask for the files they show;
// a missing or too small picture is queued and decoded on a thread pool (photos at a reduced
// JPEG scale, videos from their first frame), newest request first, so the cells on screen come
// before those the user has scrolled past. Requests for files no longer wanted are dropped before
// they are decoded. Decoded pictures are kept in a cache with a memory cap. GUI thread only, except
// for the decoding itself.
class ThumbnailLoader : public QObject
{
    Q_OBJECT
public:
    explicit ThumbnailLoader(qint64 memoryCapBytes = 256LL * 1024 * 1024, QObject *parent = nullptr);
    ~ThumbnailLoader() override;

    // The best picture held for the file (null when none yet); when it is missing or its longer
    // side is below maxPixel, a decode at maxPixel is queued (once, and never again after a
    // failure at that size).
    QImage imageFor(const ImageFile &file, int maxPixel);
    // Why the photo's picture is missing: its last decode gave none, for this reason (the log's).
    // Absent while a picture is held, before a decode was tried, and for a video.
    std::optional<platform::DecodeOutcome> unshownOutcome(const QString &path) const;
    // Only the given paths are still wanted: queued requests for any other file are dropped.
    void keepOnly(const QSet<QString> &paths);
    // Drops every queued request and every held picture.
    void clear();

    int pendingCount() const;
    qint64 cachedBytes() const;
    int decodedCount() const { return decoded_; }

signals:
    // A picture for `path` has arrived, or its decode gave none (unshownOutcome; main thread).
    void thumbnailReady(const QString &path);

private:
    struct Request {
        QString path;
        bool isVideo = false;
        int maxPixel = 0;
    };
    struct Shared {
        std::mutex mutex;
        std::deque<Request> pending;
        bool stopped = false;
    };
    void startWorkers();
    // `outcome`: the decode's, its picture taken out into `image`.
    void deliver(const Request &request, const QImage &image, const platform::DecodeOutcome &outcome);

    std::shared_ptr<Shared> shared_;
    QThreadPool pool_;
    QCache<QString, QImage> cache_;                   // cost in KiB
    QHash<QString, int> requestedSize_;               // largest size asked for and not yet delivered or failed
    QHash<QString, int> failedSize_;                  // size at which a decode failed
    QHash<QString, platform::DecodeOutcome> unshown_; // photos whose decode gave no picture, and why
    int running_ = 0;
    int decoded_ = 0;
};
