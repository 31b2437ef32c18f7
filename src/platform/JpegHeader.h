#pragma once

// What a JPEG's head tells before any decoder sees the file, read over a JpegSegmentWalk: the
// frame header in the plain layout, the markers counted against the walk's bounds, and whether an
// Exif thumbnail may be embedded; and the frame header as the JPEG library itself reads it.

#include "platform/JpegSegmentWalk.h"

#include <QByteArray>

#include <cstddef>
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
// header) with every field in the range the library accepts, all within `size` bytes and the
// bounds of JpegSegmentWalk. Anything else (arithmetic coding, stray bytes between segments the
// library would skip with a warning, a segment cut off by the end of the data, a table or field
// the library would reject) gives no answer, and the caller asks the decoder instead. The walk
// reads the bodies of the tables and headers it checks, no other byte.
std::optional<JpegHeaderFacts> readJpegHeader(const JpegMoreBytes &bytesAt, qint64 size);
// The same over bytes in memory.
std::optional<JpegHeaderFacts> readJpegHeader(const unsigned char *data, size_t size);

// The markers of a JPEG counted by a JpegSegmentWalk over data of `dataSize` bytes read through
// `bytesAt`, to `extent`: the walk ends at EOI, a second SOI, the end of the data, or as soon as a
// bound is passed. Not a JPEG (no FF D8 at the start) counts nothing.
JpegMarkerCount countJpegMarkers(const JpegMoreBytes &bytesAt, qint64 dataSize, JpegExtent extent);

// The frame header as the system JPEG library reads it (the reading Qt's JPEG reader makes for its
// size and pixel format: the same byte stream with the same end-of-data
// filler), but from bytes in memory and without a word on the terminal. `data` holds the file's
// first `available` bytes of `fileSize`; `more` gives the rest when the header lies further on, a
// piece at a time, each dropped once the library has passed it. Nothing past `fileSize` is read, so
// a caller bounds the reading by the extent it passes.
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
