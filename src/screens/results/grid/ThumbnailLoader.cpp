#include "screens/results/grid/ThumbnailLoader.h"

#include "platform/ImageSource.h"
#include "services/MVNAssistance.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QRunnable>
#include <QUrl>

#include <algorithm>

ThumbnailLoader::ThumbnailLoader(qint64 memoryCapBytes, QObject *parent)
    : QObject(parent)
    , shared_(std::make_shared<Shared>())
{
    cache_.setMaxCost(qint64(std::max<qint64>(1, memoryCapBytes / 1024)));
    pool_.setMaxThreadCount(std::clamp(QThread::idealThreadCount() - 1, 2, 6));
}

ThumbnailLoader::~ThumbnailLoader()
{
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->pending.clear();
        shared_->stopped = true;
    }
    pool_.waitForDone();
}

QImage ThumbnailLoader::imageFor(const ImageFile &file, int maxPixel)
{
    const QString path = file.path();
    if (path.isEmpty() || maxPixel <= 0)
        return {};
    QImage held;
    if (const QImage *cached = cache_.object(path))
        held = *cached;
    const int heldSize = held.isNull() ? 0 : std::max(held.width(), held.height());
    // A picture smaller than asked only because the file itself is small is good enough.
    const bool enough = !held.isNull() && (heldSize >= maxPixel * 9 / 10 || held.text(QStringLiteral("full")) == "1");
    if (enough || failedSize_.value(path, INT_MAX) <= maxPixel || requestedSize_.value(path, 0) >= maxPixel)
        return held;
    requestedSize_.insert(path, maxPixel);
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->pending.push_back({path, file.isVideo, maxPixel});
    }
    startWorkers();
    return held;
}

void ThumbnailLoader::keepOnly(const QSet<QString> &paths)
{
    std::lock_guard<std::mutex> lock(shared_->mutex);
    auto &pending = shared_->pending;
    const auto end = std::remove_if(pending.begin(), pending.end(), [&](const Request &request) {
        if (paths.contains(request.path))
            return false;
        requestedSize_.remove(request.path);
        return true;
    });
    pending.erase(end, pending.end());
}

void ThumbnailLoader::clear()
{
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->pending.clear();
    }
    requestedSize_.clear();
    failedSize_.clear();
    unshown_.clear();
    cache_.clear();
}

int ThumbnailLoader::pendingCount() const
{
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return int(shared_->pending.size());
}

qint64 ThumbnailLoader::cachedBytes() const
{
    return qint64(cache_.totalCost()) * 1024;
}

void ThumbnailLoader::startWorkers()
{
    while (running_ < pool_.maxThreadCount()) {
        ++running_;
        QPointer<ThumbnailLoader> self(this);
        std::shared_ptr<Shared> shared = shared_;
        pool_.start([self, shared] {
            for (;;) {
                Request request;
                {
                    std::lock_guard<std::mutex> lock(shared->mutex);
                    if (shared->stopped || shared->pending.empty())
                        break;
                    // Newest first: what the user looks at now.
                    request = std::move(shared->pending.back());
                    shared->pending.pop_back();
                }
                platform::DecodeOutcome outcome{QImage()};
                if (request.isVideo)
                    outcome = platform::DecodeOutcome(
                        sharedAssistance()
                            .videoThumbnail(QUrl::fromLocalFile(request.path), request.maxPixel, request.maxPixel)
                            .value_or(QImage()));
                else
                    outcome = platform::ImageSource(request.path).thumbnailOutcome(request.maxPixel, true);
                QImage image = outcome.takePicture();
                if (!image.isNull()) {
                    if (std::max(image.width(), image.height()) < request.maxPixel * 9 / 10)
                        image.setText(QStringLiteral("full"), QStringLiteral("1"));
                    if (image.format() != QImage::Format_ARGB32_Premultiplied && image.format() != QImage::Format_RGB32)
                        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                              : QImage::Format_RGB32);
                }
                QMetaObject::invokeMethod(
                    qApp,
                    [self, request, image, outcome] {
                        if (self)
                            self->deliver(request, image, outcome);
                    },
                    Qt::QueuedConnection);
            }
            QMetaObject::invokeMethod(
                qApp,
                [self] {
                    if (!self)
                        return;
                    --self->running_;
                    // A request queued while this worker was leaving still gets a worker.
                    if (self->pendingCount() > 0)
                        self->startWorkers();
                },
                Qt::QueuedConnection);
        });
    }
}

std::optional<platform::DecodeOutcome> ThumbnailLoader::unshownOutcome(const QString &path) const
{
    if (cache_.contains(path))
        return std::nullopt;
    const auto it = unshown_.constFind(path);
    if (it == unshown_.constEnd())
        return std::nullopt;
    return *it;
}

void ThumbnailLoader::deliver(const Request &request, const QImage &image, const platform::DecodeOutcome &outcome)
{
    const QString &path = request.path;
    const int maxPixel = request.maxPixel;
    if (requestedSize_.value(path, 0) <= maxPixel)
        requestedSize_.remove(path);
    if (image.isNull()) {
        failedSize_.insert(path, maxPixel);
        if (!request.isVideo) {
            unshown_.insert(path, outcome);
            emit thumbnailReady(path); // its card shows why
        }
        return;
    }
    unshown_.remove(path);
    if (const QImage *held = cache_.object(path);
        held && std::max(held->width(), held->height()) > std::max(image.width(), image.height()))
        return;
    ++decoded_;
    cache_.insert(path, new QImage(image), std::max<qsizetype>(1, image.sizeInBytes() / 1024));
    emit thumbnailReady(path);
}
