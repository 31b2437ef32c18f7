#include "services/ImageHelpers.h"

#include "model/Metadata.h"

#include <algorithm>
#include <cmath>

std::optional<QImage> thumbnailFromImageSource(const platform::ImageSource &source)
{
    return source.thumbnail(kThumbnailMaxPixel, /*applyOrientation=*/true);
}

std::optional<QImage> makeThumbnail(const QUrl &url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    const platform::ImageSource source(url.toLocalFile());
    if (!source.typeIdentifier())
        return std::nullopt;
    return thumbnailFromImageSource(source);
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
