#pragma once

// The cost bounds of picture decoding: the most pixels ever decoded in full, the memory one decode
// may take, and the budget that decodes running at once on several threads share. Internal to
// ImageSource and the decoders it calls.

#include <QImage>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class QImageReader;

namespace platform::imaging {

// A picture is never decoded at full size above this many pixels; a JPEG is decoded at a reduced
// scale straight from its compressed data, whatever its size, as long as the decoder's memory
// stays within kMaxDecodeBytes.
inline constexpr qint64 kMaxFullDecodePixels = 50'000'000;
inline constexpr qint64 kMaxDecodeBytes = 100 * 1024 * 1024;
// All decodes running at once (the parallel hash pass, the thumbnail workers) share this much.
inline constexpr qint64 kDecodeBudgetBytes = 320 * 1024 * 1024;

// A decode that needs more than kMaxDecodeBytes (a progressive JPEG keeps all its coefficients
// while it decodes: some 146 MB for a 48 MP photo) runs alone, up to this much: 1 GB, or a quarter
// of the machine's memory when that is less. Enough for progressive photos of about 100 MP and more.
qint64 maxAloneDecodeBytes();

// The budget a decode needing `bytes` takes: its own size, or all of it when it is one of the
// large decodes that run alone.
qint64 budgetShare(qint64 bytes);

// Tells the log that the picture at `path` is left undecoded because its decoder would pass the cap.
void logDecodeTooLarge(const QString &path, int width, int height, qint64 bytes);
// Tells the log that the picture at `path` is left undecoded because it has more pixels than are
// ever decoded in full (and no smaller preview serves instead).
void logTooManyPixels(const QString &path, int width, int height);
// The size `reader` states for its picture, as stored; invalid when it states none. Qt's BMP reader
// states a picture stored top row first with its height negated: that picture is as tall as the
// height's magnitude, and every bound is taken on that.
QSize statedSize(const QImageReader &reader);
// Tells the log that Qt's reader failed on the picture at `path`, with the reader's own reason.
void logReadFailed(const QString &path, const QImageReader &reader);
// Reads the picture `reader` points at and turns it into the result with `finish` (a reduction: it
// must take no budget of its own), holding a decode budget of budgetShare(`estimate`) until the
// decoded picture is let go; absent, with logReadFailed, when the reader fails, and absent without
// a line when `finish` gives a null picture.
std::optional<QImage> readWithinBudget(const QString &path, QImageReader &reader, qint64 estimate,
                                       const std::function<QImage(QImage)> &finish);

// The memory decodes in flight may use together: a decode waits until its estimate fits, and one
// larger than the whole budget runs alone. Held for the length of one decode and of the work on
// its decoded picture, until that picture is let go. Never taken by a thread that holds one
// already: it would wait for itself.
class DecodeBudget
{
public:
    explicit DecodeBudget(qint64 bytes);
    ~DecodeBudget();
    DecodeBudget(const DecodeBudget &) = delete;
    DecodeBudget &operator=(const DecodeBudget &) = delete;

private:
    qint64 bytes_;
};

} // namespace platform::imaging
