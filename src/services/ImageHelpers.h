#pragma once

#include "model/ImageFile.h"
#include "platform/ImageSource.h"

#include <QByteArray>
#include <QImage>
#include <QUrl>

#include <optional>

// Longer side of every thumbnail, in pixels.
inline constexpr int kThumbnailMaxPixel = 540;

// A thumbnail of the file: decoded from the whole image at most kThumbnailMaxPixel pixels on its
// longer side and turned upright. Absent for a file that is no image or cannot be decoded.
std::optional<QImage> makeThumbnail(const QUrl &url);
// As makeThumbnail, with the reason when there is no picture (the one its decode logs).
platform::DecodeOutcome makeThumbnailOutcome(const QUrl &url);

// The image redrawn (high-quality interpolation) at the largest size that fits maxWidth x
// maxHeight with its aspect ratio kept; small images are enlarged. A null image stays null.
QImage resizedToFit(const QImage &image, double maxWidth, double maxHeight);

// The image turned by `degrees` about its centre (positive values turn it counter-clockwise),
// drawn into a new image just large enough for the turned bounds; the corners outside the
// picture are transparent. A null image stays null.
QImage imageRotatedByDegreess(const QImage &image, double degrees);

// The picture of the results preview for a file: its image fitted into 300 x 200 when both sides
// exceed 80 pixels, else the image at its own size. Absent when it cannot be decoded.
std::optional<QImage> previewImage(const QUrl &url);

// The image encoded as PNG; absent when encoding fails (or the image is null).
std::optional<QByteArray> pngRepresentation(const QImage &image);
