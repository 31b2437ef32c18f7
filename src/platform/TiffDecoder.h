#pragma once

// A TIFF read through libtiff by code of ours: the one reader of a TIFF's header (its size and
// sample layout for the properties) and of its pixels, for a TIFF file as for TIFF data in another
// file (an embedded preview), so that no TIFF reaches Qt's TIFF reader.
//
// Its bounds come before libtiff reads anything: the first directory is walked (TiffDirectoryWalk)
// and a TIFF whose fields would take more than maxAloneDecodeBytes() to read, that states more
// strips or tiles than kMaxTiffStrips or more samples a pixel than any picture has is refused, with
// one line in the log. libtiff itself is held to maxAloneDecodeBytes() for any one allocation, and
// its errors and warnings come to handlers of ours: nothing goes to standard error; a warning is
// a debug line in the log, once for the file, and the last error is the reason a damaged file is
// left out. Strips and tiles are decoded whole, never row by row (which costs libtiff's LZW decoder
// some microseconds a row whatever the row's width), a band at a time, and a stop switch, asked
// before every band, ends a decode without a line in the log.
//
// The pixels are those Qt's TIFF reader gives for the same file, in the same formats, with two
// mends: a tiled picture whose tile holds more bytes than the picture (a small scan in 256 x 256
// tiles) and one with more samples a pixel than its format keeps are read, where Qt's reader
// refuses them; and CMYK without an alpha channel comes as RGB32, not as ARGB32. Rows as stored:
// one-bit grey as Mono; 8-bit grey as Grayscale8 (white on black) or Indexed8 (black on white, and
// palettes); 16-bit grey as Grayscale16; 16-bit colour as RGBX64 or RGBA64 (premultiplied when
// the alpha channel is associated), 16- and 32-bit floating point as their RGBX/RGBA FPx4 formats;
// everything else through libtiff's RGBA conversion as RGB32, ARGB32 or premultiplied ARGB32.
// Internal to ImageSource.

#include "platform/AreaReduction.h"

#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace platform {
class RegularFile;
}

namespace platform::imaging {

// Whether `head` starts with a TIFF's header, classic or BigTIFF, in either byte order.
bool headIsTiff(const QByteArray &head);

// No picture is stored in more strips or tiles than this (a picture at the pixel cap in tiles of
// 16 x 16 has some 200,000); libtiff reads their offsets and lengths as it opens the file.
inline constexpr qint64 kMaxTiffStrips = 250'000;

// Sends what libtiff says outside a reading of TiffDecoder's to the log (as debug lines), not to
// standard error. Called once, before any picture is read.
void routeTiffMessagesToLog();

class TiffDecoder
{
public:
    // Reads the header (the first directory) of the TIFF `file` at `path`; a file whose header does
    // not read or that passes a bound is logged (once) and isValid() is false. `shouldStop` (when
    // given) is the stop switch.
    TiffDecoder(const QString &path, const RegularFile &file, std::function<bool()> shouldStop = {});
    // The same for a TIFF held in memory (`data`, which must outlive the decoder: it is not
    // copied), a picture the file at `path` embeds: what does not read is logged as part of its
    // metadata left out.
    TiffDecoder(const QString &path, const QByteArray &data);
    ~TiffDecoder();
    TiffDecoder(const TiffDecoder &) = delete;
    TiffDecoder &operator=(const TiffDecoder &) = delete;

    bool isValid() const;
    QSize size() const;
    // The format the picture comes in (see above).
    QImage::Format format() const;
    // The turn the directory's Orientation field states; the picture comes as stored.
    QImageIOHandler::Transformations transformation() const;
    // Memory a decode takes: the fields libtiff reads, the picture and the strip or tile buffer;
    // and a reduced decode, which holds a band of the picture instead of all of it (the reduction's
    // own memory not counted).
    qint64 decodeBytes() const;
    qint64 reducedDecodeBytes() const;

    // The whole picture, as stored; absent, with the file logged as damaged, when its data does not
    // decode, or logged as too large when it has more pixels than are ever decoded in full or its
    // decode would take more than maxAloneDecodeBytes(); absent without a line when the stop switch
    // ended it. The caller holds the decode budget (decodeBytes()). Call once.
    std::optional<QImage> decode();
    // The picture, or the window of it the axes name, as stored, reduced to the axes' targets
    // through one area reduction fed a band at a time: what AreaReduction gives for the whole
    // picture. Absent as decode(), or when the axes are empty. Call once, instead of decode().
    std::optional<QImage> decodeReduced(const ReductionAxis &columns, const ReductionAxis &rows);

    struct State; // the reading in progress, shared with libtiff's callbacks

private:
    std::unique_ptr<State> d_;
};

} // namespace platform::imaging
