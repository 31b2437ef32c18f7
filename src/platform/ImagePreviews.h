#pragma once

// A part of a picture decoded at a bounded cost, for the close look: a JPEG decodes only the rows
// down to the part, at the smallest reduced scale that still gives the size asked for; another
// picture is decoded whole (up to the pixel cap) and cut. Internal to ImageSource.

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

namespace platform::imaging {

// As ImageSource::region for the file at `path`; `shouldStop` is the caller's stop switch.
std::optional<QImage> decodeRegion(const QString &path, const QRect &rect, QSize size, bool applyOrientation,
                                   const std::function<bool()> &shouldStop = {});

} // namespace platform::imaging
