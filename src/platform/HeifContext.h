#pragma once

// HEIC/HEIF pictures through libheif: telling one from its first bytes, opening its primary
// picture from a checked file, and decoding a picture handle to RGBA. Internal to ImageSource.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <libheif/heif.h>

#include <optional>

namespace platform {
class RegularFile;
}

namespace platform::imaging {

// True when the first bytes (at least 12) are those of a HEIF file libheif decodes.
bool headIsHeif(const QByteArray &head);

// The primary picture of a HEIF file, released with this.
struct HeifContext {
    heif_context *ctx = nullptr;
    heif_image_handle *handle = nullptr;
    HeifContext() = default;
    HeifContext(const HeifContext &) = delete;
    HeifContext &operator=(const HeifContext &) = delete;
    ~HeifContext();
    // Opens the checked `file` (through its descriptor's path: the very file that was checked);
    // false when libheif cannot read it or it has no primary picture.
    bool open(const RegularFile &file);
    // As open, and tells the log when the picture at `path` cannot be read.
    bool openOrLog(const QString &path, const RegularFile &file);
    // The primary picture's stored size.
    QSize size() const;
};

// The picture behind `handle` as RGBA, turned by its stored transformations when applyOrientation.
// Absent when it cannot be decoded.
std::optional<QImage> decodeHeifHandle(heif_image_handle *handle, bool applyOrientation);

// As decodeHeifHandle, and tells the log when the picture at `path` cannot be decoded.
std::optional<QImage> decodeHeifOrLog(const QString &path, heif_image_handle *handle, bool applyOrientation);

} // namespace platform::imaging
