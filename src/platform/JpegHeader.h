#pragma once

#include <QByteArray>

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

// The most marker segments a JPEG may hold before its first scan. Camera files hold a handful (no
// more than a few dozen with large multi-segment profiles or previews); the JPEG library, and Qt's
// reader over it, keep each comment, Exif or profile segment in a list they walk to the end for
// every new one, so a file with tens of thousands of them takes minutes inside one library call.
// Such a file is refused before any library sees it.
inline constexpr int kMaxJpegSegmentsBeforeScan = 2000;

// The marker segments from SOI up to the first SOS, counted as the JPEG library meets them (fill
// bytes and stray bytes between segments passed over, a segment's body skipped unread), through
// `bytesAt` (up to `length` bytes from `offset`) over a file of `fileSize` bytes. Counting stops at
// `limit` + 1.
int jpegSegmentsBeforeScan(const JpegMoreBytes &bytesAt, qint64 fileSize, int limit);

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
