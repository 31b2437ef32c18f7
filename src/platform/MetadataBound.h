#pragma once

// Whether the metadata library may read a picture's metadata: the metadata blocks of a PNG, a TIFF
// or a WebP counted from the container's own structure (chunk lengths and types, directory
// entries), no block read, before exiv2 opens the file. exiv2 copies every block it meets (a text
// chunk, an XMP packet, a tag's data) and parses it, several times its size in memory, while the
// picture itself never needs those bytes; so past the bounds a JPEG's head keeps (16 MB of
// metadata, 2,000 blocks) the file's metadata is left out and the picture is read as usual. A
// JPEG's markers are counted by the JPEG walk (JpegSegmentWalk) before any library sees it, and
// the Exif block of its APP1 segment here, as a TIFF's directories are; the other formats exiv2
// reads for us (GIF, BMP, TGA, HEIF) give it a header only or nothing it copies. The same walk
// tells what libtiff's opening of a TIFF costs (tiffOpening), checked by TiffDecoder before
// libtiff opens it. Internal to ImageSource.

#include "platform/JpegSegmentWalk.h"

#include <QString>

namespace platform {
class RegularFile;
}

namespace platform::imaging {

class TiffBytes;

// The most bytes of metadata blocks, and the most such blocks (chunks, or a TIFF's fields), exiv2
// is given.
inline constexpr qint64 kMaxMetadataBytes = kMaxJpegMetadataBytes;
inline constexpr int kMaxMetadataBlocks = kMaxJpegSegments;

// What the walk over a file's structure found.
struct MetadataExtent {
    int blocks = 0;   // metadata chunks of a PNG or WebP, fields of a TIFF's directories
    qint64 bytes = 0; // bytes of the metadata blocks (within the file)
    // A structure past the bound of its container (more chunks than maxPngChunks), for a log line;
    // empty when there is none.
    QString structure;
    // Why exiv2 may not read the file, for a log line; empty when it may.
    QString refusal() const;
};

// The metadata blocks of `file` as exiv2 would meet them: a PNG's text, Exif, profile and unknown
// ancillary chunks (its picture data and the chunks a decoder needs not counted) through to IEND;
// the data of a TIFF's tags in the directories exiv2 reads (IFD0 to IFD3, their sub-images and
// the Exif, GPS and interoperability directories), and as much of the Exif block of a PNG, a WebP
// or a JPEG (its first APP1 segment that holds one); a WebP's Exif, XMP, profile and unknown chunks.
// The walk ends as soon as a bound is passed. Nothing counted for other files.
MetadataExtent metadataExtent(const RegularFile &file);

// What opening a TIFF through Qt's reader (for its size as for its pixels) costs before a pixel is
// decoded: libtiff reads every field of the first directory and keeps it, the largest read once
// more before it is copied, so a field of a gigabyte (which a sparse file holds at no cost on
// disk) takes two.
struct TiffOpening {
    bool isTiff = false;
    qint64 fieldBytes = 0;  // the data of those fields within the file, and once more the largest
    qint64 pixels = 0;      // width x height as the first directory states them
    qint64 height = 0;      // rows, as the first directory states them
    qint64 compression = 1; // the directory's Compression field (1: none, its default)
    qint64 samples = 1;     // samples a pixel (SamplesPerPixel; 1, its default)
    qint64 strips = 0;      // strips or tiles (the count of StripOffsets or TileOffsets)
    qint64 entries = -1;    // entries of the first directory as stated; -1 when it cannot be read
};

// No directory holds more entries than a classic TIFF's count can state; a BigTIFF stating more
// is damaged.
inline constexpr qint64 kMaxTiffEntries = 65'535;

// The first directory of the TIFF `file` walked, no field read; all zero for a file that is no TIFF.
TiffOpening tiffOpening(const RegularFile &file);
// The same for a TIFF structure of `length` bytes read through `bytes`.
TiffOpening tiffOpening(TiffBytes &bytes, qint64 length);

// Whether the WebP `file` at `path` may go to any reader (Qt's, exiv2): its RIFF size and every
// chunk (those of an animation's frames too) within the bytes the file holds, and no frame with
// more picture data (its VP8 or VP8L bitstream and its alpha) than four bytes a pixel of the size
// it states and a mebibyte of headers, more than any encoder writes; else it is damaged. Qt's
// reader takes the whole file into memory, so a sparse file of a gigabyte behind a small canvas
// would cost that on every road: past its picture data it may hold 64 MB (metadata, chunks of
// other kinds), or it is too large. False for a WebP refused, with one line in the log naming it;
// true for a file that is no WebP.
bool webpMayBeRead(const QString &path, const RegularFile &file);

// True when exiv2 may read the metadata of `file` at `path`; false past a bound, with one line in
// the log naming the file (its metadata left out, the picture still read); false too for a WebP
// no reader may see (webpMayBeRead), with its own line.
bool metadataMayBeRead(const QString &path, const RegularFile &file);

} // namespace platform::imaging
