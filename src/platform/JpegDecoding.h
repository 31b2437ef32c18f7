#pragma once

// JPEG files on the quick road: opening one through a checked descriptor (refusing a flood of
// marker segments), reading its frame header without a decoder, its properties through one open,
// the memory a reduced-scale decode of it takes, and pointing Qt's reader at it. Internal to
// ImageSource.

#include "platform/JpegHeader.h"

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
// input reads further when it does not). The resolution in a JPEG's own header lies in its first
// 18 bytes, so this shorter head gives it as the 64 KiB head of the plain path does. A file of up to
// kJpegHeaderSearch bytes is read whole at the first look further, and its header is then read from
// memory.
inline constexpr qint64 kJpegHeadLength = 8 * 1024;
inline constexpr qint64 kJpegHeaderSearch = 256 * 1024;

// A file opened for the JPEG reading: its descriptor (owned by the RegularFile it was read from),
// size and first bytes.
struct OpenedJpeg {
    int fd = -1;
    qint64 size = 0;
    QByteArray head;
    // More marker segments before the first scan than any camera writes: no library or reader may
    // see the file, its header is unreadable on every road.
    bool refused = false;
};

// Reads the head of a file that starts with the JPEG signature; absent for any other file. A file
// with a flood of marker segments is refused here, with a line in the log naming it.
std::optional<OpenedJpeg> openJpeg(const QString &path, const RegularFile &file, qint64 headLength);

// The reading of a file through jpegProperties.
struct JpegReading {
    bool isJpeg = false;              // a regular file starting with FF D8, opened here
    std::optional<QVariantMap> props; // absent when its frame header cannot be read
};

// The properties of a file that starts with the JPEG signature, read through one open: the head
// is read once, the frame header is parsed from it (or from the whole file held in memory when it
// is small), and exiv2 reads the metadata from the same descriptor. Gives exactly what
// propertiesByImageReaders gives for such a file: Qt's image readers pick their JPEG handler for
// any data starting with FF D8 (no handler probed before it accepts that signature), the header
// facts are those the JPEG library gives Qt's reader, and exiv2 meets the same bytes and the same
// stream behaviour as through its own file input. A JPEG whose frame header cannot be read has no
// properties. Not a JPEG reading when the file is no such JPEG or cannot be opened here; the
// caller then takes the plain path.
JpegReading jpegProperties(const QString &path, const RegularFile &file);

// The frame header of the JPEG `file` at `path`; absent when it is none or cannot be read.
// `isJpeg`, when given, tells whether the file starts with the JPEG signature.
std::optional<JpegHeaderFacts> jpegFactsOf(const QString &path, const RegularFile &file, bool *isJpeg = nullptr);

// Memory a JPEG decode asked for `target` takes: the output at the scale Qt's reader picks (the
// smallest of 1/1, 1/2, 1/4, 1/8 that still gives at least the target), Qt's own reduction of it,
// and the coefficient buffer of a progressive or multi-scan picture.
qint64 jpegDecodeBytes(const JpegHeaderFacts &facts, QSize target);

// As ImageSource::hasJpegFrameHeader.
bool hasJpegFrameHeader(const QString &path);

// Points `reader` at the picture `file` at `path`, read through `device`. A file that starts with the
// JPEG signature goes to the JPEG reader without probing every image plug-in (which takes a lock that
// several decoding threads would queue on), and its frame header is read into `facts`. False for a
// broken JPEG header or a file no plug-in reads.
bool openReader(const QString &path, const RegularFile &file, std::unique_ptr<QFile> &device, QImageReader &reader,
                std::optional<JpegHeaderFacts> &facts, bool &isJpeg);

} // namespace platform::imaging
