#pragma once

// A PNG decoded through libpng row by row into an area reduction, so a large picture reaches a
// thumbnail without its whole decoded picture in memory (an interlaced one is held whole: its
// passes fill the rows out of order). libpng's errors and warnings come to callbacks of our own:
// nothing goes to standard error, and a damaged file is logged once, naming it.
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

#include <memory>
#include <optional>

namespace platform {
class RegularFile;
}

namespace platform::imaging {

// Whether `head` starts with the PNG signature.
bool headIsPng(const QByteArray &head);

class PngDecoder
{
public:
    // Reads the header of the PNG `file` at `path`; a file whose header does not read is logged
    // (once) as damaged and isValid() is false.
    PngDecoder(const QString &path, const RegularFile &file);
    ~PngDecoder();
    PngDecoder(const PngDecoder &) = delete;
    PngDecoder &operator=(const PngDecoder &) = delete;

    bool isValid() const;
    QSize size() const;
    // The format the rows come in (see above).
    QImage::Format format() const;
    // Memory the decoder takes besides the reduction fed: its row buffers, zlib's window, and the
    // whole stored picture for an interlaced file.
    qint64 decodeBytes() const;

    // Decodes the picture into `reduction` (made for size() rows of format()); false, with the
    // file logged as damaged, when the data does not decode. Call once.
    bool decodeInto(AreaReduction &reduction);

    // The picture, or the window of it the axes name, reduced to the axes' targets through one
    // area reduction, within the decode budget; absent when the axes are empty or the data does
    // not decode. Call once.
    std::optional<QImage> decodeReduced(const ReductionAxis &columns, const ReductionAxis &rows);

    struct State; // the reading in progress, shared with libpng's callbacks

private:
    std::unique_ptr<State> d_;
};

} // namespace platform::imaging
