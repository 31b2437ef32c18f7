#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace platform {

// What the frame header of a JPEG says, read from the file's first bytes without a decoder.
struct JpegHeaderFacts {
    int width = 0;
    int height = 0;
    int components = 0;
    // Bytes of the whole-image coefficient buffer the decoder keeps for a progressive or
    // multi-scan picture (0 when it decodes the picture row by row), whatever the output scale.
    qint64 bufferedBytes = 0;
    // Bytes of the comment and APPn segments the walk before a decode found (Qt's reader keeps
    // them while it decodes); 0 when the frame header alone was read.
    qint64 metadataBytes = 0;
};

// Reads the markers of a JPEG from SOI up to and including the first SOS header and returns the
// frame size and component count, exactly as the system JPEG library reports them when it reads
// the header. The reading is strict: it answers only for the plain layout (SOI; APPn, COM, DQT,
// DHT, DRI segments; one baseline, extended or progressive Huffman frame; a well-formed SOS
// header) with every field in the range the library accepts, all within `size` bytes. Anything
// else (arithmetic coding, fill bytes between segments the library would skip with a warning, a
// segment cut off by the end of the data, a table or field the library would reject) gives no
// answer, and the caller asks the decoder instead.
std::optional<JpegHeaderFacts> readJpegHeader(const unsigned char *data, size_t size);

// Further bytes of a file for decodeJpegHeader: up to `length` bytes from `offset` (empty at the end
// of the file or after a read error).
using JpegMoreBytes = std::function<QByteArray(qint64 offset, qint64 length)>;

// The most marker segments a JPEG may hold from SOI to EOI. Camera files hold a handful (a few
// dozen with large multi-segment profiles or previews, a few more between the scans of a
// progressive picture); the JPEG library, and Qt's reader over it, keep each comment, Exif or
// profile segment in a list they walk to the end for every new one, wherever it stands, so a file
// with tens of thousands of them takes minutes inside one library call. Such a file is refused
// before any library sees it.
inline constexpr int kMaxJpegSegments = 2000;
// The most bytes the comment and application (APPn) segments of a JPEG may hold together. Qt's
// reader keeps every comment, Exif and profile segment and makes several copies of them (the
// comments as text), some five times their size in all; the largest real metadata (profiles,
// extended XMP holding a depth map or a second picture) stays within a few megabytes.
inline constexpr qint64 kMaxJpegMetadataBytes = 16 * 1024 * 1024;

// How far countJpegMarkers walks: to the first scan (what a header or metadata reading meets), or
// through the compressed data of every scan to EOI (what a decode meets).
enum class JpegExtent { BeforeScan, ThroughEnd };

// What a walk over the markers of a JPEG found.
struct JpegMarkerCount {
    int segments = 0;         // marker segments met (restart markers inside a scan not counted)
    qint64 metadataBytes = 0; // bytes of the comment and APPn segments among them
    // Why no library may see the file (past kMaxJpegSegments or kMaxJpegMetadataBytes), for a log
    // line; empty when it may.
    QString refusal() const;
};

// The markers of a JPEG counted as the JPEG library meets them, through `bytesAt` (up to `length`
// bytes from `offset`) over data of `dataSize` bytes: fill bytes and stray bytes between segments
// passed over, a segment's body skipped unread, and with ThroughEnd the compressed data after each
// SOS header searched for the next marker (stuffed FF 00 pairs and restart markers are part of the
// data). The walk ends at EOI, a second SOI, the end of the data, or as soon as either bound is
// passed. Not a JPEG (no FF D8 at the start) counts nothing.
JpegMarkerCount countJpegMarkers(const JpegMoreBytes &bytesAt, qint64 dataSize, JpegExtent extent);

// The frame header as the system JPEG library reads it (the reading Qt's JPEG reader makes for its
// size and pixel format: the same byte stream with the same end-of-data
// filler), but from bytes in memory and without a word on the terminal. `data` holds the file's
// first `available` bytes of `fileSize`; `more` gives the rest when the header lies further on.
// `components` is the number of output components. Data that ends early gives up at once instead
// of feeding the library two filler bytes at a time. No marker is kept (the size needs none), so a
// long run of segments costs what reading them costs. Absent when the library refuses the header.
std::optional<JpegHeaderFacts> decodeJpegHeader(const unsigned char *data, size_t available, qint64 fileSize,
                                                const JpegMoreBytes &more = {});

// Whether the JPEG whose first `size` bytes are `data` may embed an Exif thumbnail. The thumbnail
// lives in the second image directory (IFD1) of an Exif APP1 segment; this walks the segments up
// to the first SOS and answers false only when every Exif segment on the way was read whole and
// links no second directory. Anything it cannot read to the end within the bytes given (a segment
// running past them, an odd marker, a broken TIFF header) gives true: the caller asks the metadata
// library then, so a file's answer never changes, only files without a thumbnail get it cheaper.
bool jpegMayHoldExifThumbnail(const unsigned char *data, size_t size);

} // namespace platform
