#pragma once

// Whole pictures reduced at a bounded cost: a JPEG at reduced scale from its compressed data,
// another picture through Qt's reader (whole up to the pixel cap), a HEIF through libheif, and the
// previews and Exif thumbnail a file embeds when the picture itself is too large. Also how a
// picture is turned upright. Internal to ImageSource.

#include <QImage>
#include <QImageIOHandler>
#include <QString>

#include <optional>

namespace platform::imaging {

// Qt's image transformation for an Exif orientation value.
QImageIOHandler::Transformations transformationOf(qint64 orientation);
// Turns an image as Qt's readers do for the transformation.
QImage transformed(QImage image, QImageIOHandler::Transformations transformation);

// As ImageSource::thumbnail and ImageSource::embeddedThumbnail for the file at `path`.
std::optional<QImage> decodeThumbnail(const QString &path, int maxPixel, bool applyOrientation);
std::optional<QImage> embeddedThumbnail(const QString &path, bool applyOrientation);

} // namespace platform::imaging
