#pragma once

// Whole pictures reduced at a bounded cost: a JPEG at reduced scale from its compressed data, a PNG
// row by row through our own libpng reader, another picture through Qt's reader (whole up to the
// pixel cap), a HEIF through libheif, and the previews and Exif thumbnail a file embeds when the
// picture itself is too large; every one brought to its size by the one area averaging
// (AreaReduction). Also how a picture is turned upright. Internal to ImageSource.

#include <QImage>
#include <QImageIOHandler>
#include <QString>

#include <functional>
#include <optional>

namespace platform::imaging {

// Qt's image transformation for an Exif orientation value.
QImageIOHandler::Transformations transformationOf(qint64 orientation);
// Turns an image as Qt's readers do for the transformation.
QImage transformed(QImage image, QImageIOHandler::Transformations transformation);

// How far a JPEG's decoder may shrink it before the area averaging takes over: to the thumbnail's
// size (fast, for showing), or to twice that (for comparing, ImageSource::comparableThumbnail).
enum class DecoderShrink { ToTheTarget, ToTwiceTheTarget };

// As ImageSource::thumbnail (comparableThumbnail with ToTwiceTheTarget) and
// ImageSource::embeddedThumbnail for the file at `path`.
// `shouldStop` is the caller's stop switch (ImageSource's).
std::optional<QImage> decodeThumbnail(const QString &path, int maxPixel, bool applyOrientation,
                                      DecoderShrink shrink = DecoderShrink::ToTheTarget,
                                      const std::function<bool()> &shouldStop = {});
std::optional<QImage> embeddedThumbnail(const QString &path, bool applyOrientation);

} // namespace platform::imaging
