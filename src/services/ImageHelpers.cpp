#include "services/ImageHelpers.h"

#include "model/Metadata.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

std::optional<QImage> makeThumbnail(const QUrl &url)
{
    return makeThumbnailOutcome(url).toOptional();
}

platform::DecodeOutcome makeThumbnailOutcome(const QUrl &url)
{
    if (!url.isLocalFile())
        return platform::DecodeOutcome(platform::DecodeOutcome::Reason::Unreadable);
    // A file of no picture format is told by its decode, which gives up on it at once.
    return platform::ImageSource(url.toLocalFile()).thumbnailOutcome(kThumbnailMaxPixel, /*applyOrientation=*/true);
}

QImage resizedToFit(const QImage &image, double maxWidth, double maxHeight)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0 || maxWidth <= 0 || maxHeight <= 0)
        return image;
    const double scale = std::min(maxWidth / image.width(), maxHeight / image.height());
    const int width = std::max(1, int(std::lround(image.width() * scale)));
    const int height = std::max(1, int(std::lround(image.height() * scale)));
    return image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage imageRotatedByDegreess(const QImage &image, double degrees)
{
    if (image.isNull() || !std::isfinite(degrees))
        return image;
    // Image rows run downwards, so a counter-clockwise turn on screen is a negative angle here.
    QTransform turn;
    turn.rotate(-degrees);
    const QRectF bounds = turn.mapRect(QRectF(0, 0, image.width(), image.height()));
    // Right angles map onto whole sizes up to rounding noise; keep that noise from adding a row.
    const int width = std::max(1, int(std::ceil(bounds.width() - 1e-6)));
    const int height = std::max(1, int(std::ceil(bounds.height() - 1e-6)));

    QImage turned(width, height, QImage::Format_ARGB32_Premultiplied);
    turned.setDevicePixelRatio(image.devicePixelRatio());
    turned.fill(Qt::transparent);
    QPainter painter(&turned);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const double ratio = image.devicePixelRatio();
    painter.translate(width / (2.0 * ratio), height / (2.0 * ratio));
    painter.rotate(-degrees);
    const QSizeF size = image.deviceIndependentSize();
    painter.drawImage(QPointF(-size.width() / 2.0, -size.height() / 2.0), image);
    painter.end();
    return turned;
}

std::optional<QImage> previewImage(const QUrl &url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    const platform::ImageSource source(url.toLocalFile());
    // Decoded at a bounded size: the preview is at most 300 x 200, and the aspect ratio (all the
    // fit depends on) is kept by the bounded decode.
    const auto properties = source.properties();
    auto image = source.thumbnail(1200, true);
    if (!image)
        return std::nullopt;
    int width = image->width(), height = image->height();
    if (properties) {
        // The size test is made on the image's own size, not on the bounded decode.
        const qint64 w = properties->value(platform::ImageProperty::PixelWidth).toLongLong();
        const qint64 h = properties->value(platform::ImageProperty::PixelHeight).toLongLong();
        if (w > 0 && h > 0) {
            width = int(w);
            height = int(h);
        }
    }
    if (width > 80 && height > 80)
        return resizedToFit(*image, 300, 200);
    return image;
}

std::optional<QByteArray> pngRepresentation(const QImage &image)
{
    // The same encoding the file-and-folder record uses for its icons.
    QByteArray data = pngData(image);
    if (data.isEmpty())
        return std::nullopt;
    return data;
}
