#pragma once

// The one walk over the markers of a JPEG that every reading of its head, and every check made
// before a decoder sees it, goes through. It meets the markers as the JPEG library does: from
// SOI, fill bytes (FF) and stray bytes between segments passed over, a segment's body skipped
// unread, and (when asked) the compressed data after each SOS header searched for the next marker,
// stuffed FF 00 pairs and restart markers being part of that data. It reads through a short window
// that the next read replaces, so no byte it passes is kept, and it keeps the bounds past which no
// library may see a file: the number of segments, the bytes of comment and application segments,
// and the bytes before the first scan.

#include <QByteArray>
#include <QString>

#include <functional>

namespace platform {

// Bytes of a JPEG: up to `length` bytes from `offset` (fewer near the end of the data, empty at
// the end or after a read error).
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
// The most bytes from SOI to the first scan's header. Past the metadata, a real head holds a few
// kilobytes of tables; every reader of the head (the JPEG library, the metadata library) reads
// byte by byte through fill and stray bytes and through tables, so a file padded there would cost
// a pass over all of it for each reading.
inline constexpr qint64 kMaxJpegHeadBytes = kMaxJpegMetadataBytes + 4 * 1024 * 1024;

// How far a walk goes: to the first scan's header (what a header or metadata reading meets), or
// through the compressed data of every scan to EOI (what a decode meets).
enum class JpegExtent { BeforeScan, ThroughEnd };

// What a walk over the markers of a JPEG found.
struct JpegMarkerCount {
    int segments = 0;         // marker segments met (restart markers inside a scan not counted)
    qint64 metadataBytes = 0; // bytes of the comment and APPn segments among them
    qint64 headBytes = 0;     // bytes walked before the first scan's header
    // Why no library may see the file (past kMaxJpegSegments, kMaxJpegMetadataBytes or
    // kMaxJpegHeadBytes), for a log line; empty when it may.
    QString refusal() const;
};

// One marker as the walk meets it.
struct JpegSegment {
    int marker = 0;     // the marker code (FF xx)
    qint64 offset = 0;  // where its length field starts (the byte after the code)
    qint64 length = 0;  // its length field (two bytes and the body); 0 for a marker without one
                        // (RSTn, TEM), -1 when the data ends inside the field
    qint64 skipped = 0; // bytes passed over before it: fill bytes and stray bytes
    bool stray = false; // some of those were stray bytes (not FF, or a stuffed FF 00 pair)
    qint64 end() const { return offset + length; }
};

class JpegSegmentWalk
{
public:
    // Why the walk stopped.
    enum class End {
        Walking,     // not yet
        NotJpeg,     // no FF D8 at the start
        FirstScan,   // BeforeScan: the first SOS segment was given
        EndOfImage,  // EOI
        SecondImage, // another SOI, where the library stops
        EndOfData,   // the data ran out (or could not be read)
        PastBound,   // a bound of JpegMarkerCount was passed
    };

    // A walk over `size` bytes read through `bytesAt`, up to `extent`.
    JpegSegmentWalk(JpegMoreBytes bytesAt, qint64 size, JpegExtent extent);

    // The next segment with a length field (SOS included), or, before the first scan, the next
    // marker without one; false once the walk has ended (see end()).
    bool next(JpegSegment &segment);

    End end() const { return end_; }
    const JpegMarkerCount &count() const { return count_; }

    // `length` bytes from `offset`, read anew (fewer when the data ends first).
    QByteArray bytes(qint64 offset, qint64 length) const;

private:
    // The byte at `offset`; -1 past the end or after a read error.
    int at(qint64 offset);
    // The first offset in [offset, limit) holding FF (or, with `ff` false, not FF); `limit` when
    // there is none, -1 after a read error.
    qint64 find(qint64 offset, qint64 limit, bool ff);
    bool load(qint64 offset, qint64 length);
    bool pastBound() const;

    JpegMoreBytes bytesAt_;
    qint64 size_;
    JpegExtent extent_;
    QByteArray window_;
    qint64 windowStart_ = 0;
    qint64 position_ = 0; // the next byte to walk
    bool inScan_ = false; // after the first SOS header
    End end_ = End::Walking;
    JpegMarkerCount count_;
};

} // namespace platform
