#pragma once

// A PNG decoded through libpng row by row into an area reduction, so a large picture reaches a
// thumbnail without its whole decoded picture in memory (an interlaced one is held whole: its
// passes fill the rows out of order). The one reader of a PNG's header too (its size and sample
// layout for the properties), for a PNG file as for PNG data in another file (an icon's entry, an
// embedded preview), so that no PNG reaches Qt's PNG reader. libpng's errors and warnings come to
// callbacks of our own: nothing goes to standard error, and a damaged file is logged once, naming
// it. Every call into libpng runs under a setjmp frame of its own that its errors jump back to;
// the error callback jumps only into a live one, and ends the process with a line in the log
// rather than jump into a frame that has returned.
//
// The work is bounded by the picture, not by the file: libpng is given the file in pieces, chunk by
// chunk as the one PNG chunk walk (PngChunks) meets them, the ancillary chunks it does not need
// (texts, profiles, metadata) passed over unread; a header chunk longer than any real one is
// refused, and so is a chunk that claims more bytes than the file holds; and the compressed picture data is read only
// until the last row (of the last pass) is in, as far as twice what the rows take and a mebibyte more; a stream that
// gives no rows for that length is refused. A stop switch, asked before every piece, ends a decode (and a header
// reading) without a line in the log.
//
// The pixels are those Qt's PNG reader gives for the same file, in the layout of AreaReduction:
// samples as stored, without gamma or colour-profile conversion; grey without transparency as
// Grayscale8, colour without it as RGB32, anything with an alpha channel, a transparent colour or a
// palette entry with alpha as premultiplied ARGB32; 16-bit samples rounded to 8 bits; a palette
// index past the palette takes entry 0 (in a 1-bit picture, black or white).
// Internal to ImageSource.

#include "platform/AreaReduction.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace platform {
class RegularFile;
}

namespace platform::imaging {

// Whether `head` starts with the PNG signature.
bool headIsPng(const QByteArray &head);

// Where a PNG lies in a file: `length` bytes from `offset`.
struct PngExtent {
    qint64 offset = 0;
    qint64 length = 0;
};
// The PNG the icon (ICO, or Apple's ICNS) or cursor (CUR) `file` shows: the entry Qt's reader for
// it shows (an ICO's first one), when that entry holds PNG data (which Qt's reader would read
// through Qt's PNG reader), as far as Qt's reader takes it; absent for any other file or entry.
std::optional<PngExtent> iconPngEntry(const RegularFile &file);
// Whether the Apple icon (ICNS) `file` is laid out as one: its stated length within the file, and
// every entry, those its table of contents names included, at least a header long and within that
// length (at most kMaxIcnsEntries of them). Qt's icon reader takes those lengths as they stand, so
// an entry of length 0 has it ask for gigabytes.
inline constexpr int kMaxIcnsEntries = 1000;
bool icnsIsWellFormed(const RegularFile &file);

// What a PNG is to the file at its path, for the line one that does not read gives: the file's
// own picture (the file, or the icon entry a reader shows of it), logged as the file left out; or
// a picture beside it (an Exif thumbnail, a preview), logged as part of its metadata left out.
enum class PngRole { Picture, Embedded };

class PngDecoder
{
public:
    // Reads the header of the PNG `file` at `path`; a file whose header does not read is logged
    // (once) as damaged and isValid() is false. `shouldStop` (when given) is the stop switch.
    PngDecoder(const QString &path, const RegularFile &file, std::function<bool()> shouldStop = {});
    // The same for a PNG held in `file` as `length` bytes from `offset` (an icon's entry).
    PngDecoder(const QString &path, const RegularFile &file, qint64 offset, qint64 length, PngRole role,
               std::function<bool()> shouldStop = {});
    // The same for a PNG held in memory (`data`, which must outlive the decoder: it is not copied).
    PngDecoder(const QString &path, const QByteArray &data, PngRole role);
    ~PngDecoder();
    PngDecoder(const PngDecoder &) = delete;
    PngDecoder &operator=(const PngDecoder &) = delete;

    bool isValid() const;
    QSize size() const;
    // The header's sample depth (1 to 16 bits), whether the picture is grey, and whether it has
    // transparency (an alpha channel, a transparent colour or palette entry): what format() tells.
    int bitDepth() const;
    bool isGrey() const;
    bool hasAlpha() const;
    // The format the rows come in (see above).
    QImage::Format format() const;
    // Memory the decoder takes besides the reduction fed: libpng's two row buffers and our converted
    // row, zlib's window, and the whole stored picture for an interlaced file.
    qint64 decodeBytes() const;

    // Decodes the picture into `reduction` (made for size() rows of format()); false, with the
    // file logged as damaged, when the data does not decode; false, logged as too large, when its
    // row buffers would pass kMaxDecodeBytes (a colour line of some ten million pixels and more) or
    // the whole decode maxAloneDecodeBytes(); false without a line when the stop switch ended it.
    // Call once.
    bool decodeInto(AreaReduction &reduction);

    // The picture, or the window of it the axes name, reduced to the axes' targets through one
    // area reduction, within the decode budget; absent when the axes are empty or the data does
    // not decode. Call once.
    std::optional<QImage> decodeReduced(const ReductionAxis &columns, const ReductionAxis &rows);

    struct State; // the reading in progress, shared with libpng's callbacks

private:
    // Logs the picture as too large (and the decoder as no longer valid) when its decode would
    // pass the bounds decodeInto tells.
    bool refusedAsTooLarge();

    std::unique_ptr<State> d_;
};

} // namespace platform::imaging
