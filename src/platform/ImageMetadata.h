#pragma once

// What a picture says about itself: its format, the Exif, GPS and IPTC dictionaries and the tags
// exiv2 reads, its orientation and resolution, and the properties read the plain way through Qt's
// image readers. Internal to ImageSource.

#include "platform/ExivCompat.h"

#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <memory>
#include <optional>

namespace platform {
class RegularFile;
}

namespace platform::imaging {

// The text of the exception being handled, for a log line; call only inside a catch block.
QString currentExceptionText();

QByteArray readHead(const RegularFile &file, qint64 length);

// The metadata of the checked `file` at `path`, read by exiv2; null when exiv2 cannot read it (a
// line at debug level tells why), or when the file holds more metadata than exiv2 is given
// (MetadataBound; a line in the log tells it once).
std::unique_ptr<Exiv2::Image> openExiv(const QString &path, const RegularFile &file);

// The type identifier ("public.jpeg" and the like) of a Qt image format name.
QString typeForFormat(const QByteArray &format);
// The format Qt's image readers tell from the contents of `file`; absent when none reads it.
std::optional<QByteArray> qtFormat(const RegularFile &file);

// Adds the Exif, GPS and IPTC dictionaries read by exiv2 (image may be null: no metadata), the
// orientation and the resolution (Exif first, else the JPEG/PNG container's, from head). A damaged
// metadata block leaves what was read before it, and a line in the log naming `path`.
void addMetadataProperties(const QString &path, QVariantMap &props, Exiv2::Image *image, const QByteArray &head);

// The Exif orientation (1 to 8) of the picture at `path`; 1 when it has none or it cannot be read.
qint64 exifOrientation(const QString &path, Exiv2::Image &image);

// As ImageSource::propertiesByImageReaders and ImageSource::metadataTags for the file at `path`.
std::optional<QVariantMap> propertiesByImageReaders(const QString &path);
std::optional<QVariantList> metadataTags(const QString &path);

} // namespace platform::imaging
