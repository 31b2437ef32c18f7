#pragma once

// JPEG files on the quick road: opening one through a checked descriptor (refusing a flood of
// marker segments or of metadata), checking a JPEG held in memory the same way, reading its frame
// header without a decoder, its properties through one open, the memory a reduced-scale decode of
// it takes, and pointing Qt's reader at it. Internal to ImageSource.

#include "platform/JpegHeader.h"
#include "platform/MetadataBound.h"

#include <QByteArray>
#include <QImageReader>
#include <QSize>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

class QFile;

namespace platform {
class CachedFileIo;
class RegularFile;
} // namespace platform

namespace platform::imaging {

// The JPEG reading starts from the first 8 KiB (the metadata of most photos ends before that; the
// walk over its markers reads further, a window at a time, when it does not). The resolution in a
// JPEG's own header lies in its first 18 bytes, so this shorter head gives it as the 64 KiB head of
// the plain path does. hasJpegFrameHeader looks for the frame header within kJpegHeaderSearch bytes.
inline constexpr qint64 kJpegHeadLength = 8 * 1024;
inline constexpr qint64 kJpegHeaderSearch = 256 * 1024;

// A file opened for the JPEG reading: its descriptor (owned by the RegularFile it was read from),
// size and first bytes.
struct OpenedJpeg {
    int fd = -1;
    qint64 size = 0;
    QByteArray head;
    // More marker segments or metadata within the walked extent, or more bytes before the first
    // scan, than any camera writes: no library or reader may see the file, its header is
    // unreadable on every road.
    bool refused = false;
    // Bytes of the comment and APPn segments within the walked extent.
    qint64 metadataBytes = 0;
};

// Reads the head of a file that starts with the JPEG signature; absent for any other file. Its
// markers are counted up to the first scan (what a header or metadata reading meets) or, for a
// decode, through every scan to EOI (one pass over the file); a file past a bound of the walk
// (JpegSegmentWalk) is refused here, with a line in the log naming it and the bound.
std::optional<OpenedJpeg> openJpeg(const QString &path, const RegularFile &file, qint64 headLength,
                                   JpegExtent extent = JpegExtent::BeforeScan);

// Whether the JPEG held in memory (`data`, `size` bytes; an Exif thumbnail or a preview the file at
// `path` embeds) may go to a decoder: false past a bound of the walk (JpegSegmentWalk), with a line in
// the log naming the file. Data that is no JPEG passes. `metadataBytes`, when given, receives the
// bytes of its comment and APPn segments.
bool embeddedJpegMayBeDecoded(const QString &path, const unsigned char *data, qint64 size,
                              qint64 *metadataBytes = nullptr);

// The reading of a file through jpegProperties.
struct JpegReading {
    bool isJpeg = false;              // a regular file starting with FF D8, opened here
    std::optional<QVariantMap> props; // absent when its frame header cannot be read
};

// The properties of a file that starts with the JPEG signature, read through one open: the head
// is read once, the frame header is read from it (and from windows further on when it lies
// there), and exiv2 reads the metadata from the same descriptor. Gives exactly what
// propertiesByImageReaders gives for such a file: Qt's image readers pick their JPEG handler for
// any data starting with FF D8 (no handler probed before it accepts that signature), the header
// facts are those the JPEG library gives Qt's reader, and exiv2 meets the same bytes and the same
// stream behaviour as through its own file input. A JPEG whose frame header cannot be read has no
// properties. Not a JPEG reading when the file is no such JPEG or cannot be opened here; the
// caller then takes the plain path.
JpegReading jpegProperties(const QString &path, const RegularFile &file);

// The frame header of the JPEG `file` at `path`; absent when it is none, cannot be read or is
// refused within `extent` (with ThroughEnd its metadataBytes tell the whole file's). `isJpeg`, when
// given, tells whether the file starts with the JPEG signature.
std::optional<JpegHeaderFacts> jpegFactsOf(const QString &path, const RegularFile &file, bool *isJpeg = nullptr,
                                           JpegExtent extent = JpegExtent::BeforeScan);

// Memory Qt's reader takes for the comment and APPn segments it keeps while decoding (the segments
// themselves and its copies of them) when they hold `metadataBytes`.
qint64 keptMetadataBytes(qint64 metadataBytes);

// Memory a JPEG decode asked for `target` takes: the output at the scale Qt's reader picks (the
// smallest of 1/1, 1/2, 1/4, 1/8 that still gives at least the target), Qt's own reduction of it,
// the coefficient buffer of a progressive or multi-scan picture and the metadata the reader keeps.
qint64 jpegDecodeBytes(const JpegHeaderFacts &facts, QSize target);

// As ImageSource::hasJpegFrameHeader.
bool hasJpegFrameHeader(const QString &path);

// Points `reader` at the picture `file` at `path`, read through `device`. A file that starts with the
// JPEG signature goes to the JPEG reader without probing every image plug-in (which takes a lock that
// several decoding threads would queue on), its markers are counted through to EOI and its frame
// header is read into `facts`. False for a broken or refused JPEG, or a file no plug-in reads (a
// TIFF is never given to Qt's reader: TiffDecoder reads it).
bool openReader(const QString &path, const RegularFile &file, std::unique_ptr<QFile> &device, QImageReader &reader,
                std::optional<JpegHeaderFacts> &facts, bool &isJpeg);

} // namespace platform::imaging
