#include "platform/ImagePreviews.h"

#include "platform/AreaReduction.h"
#include "platform/DecodeBudget.h"
#include "platform/HeifContext.h"
#include "platform/ImageMetadata.h"
#include "platform/ImageThumbnails.h"
#include "platform/JpegDecoding.h"
#include "platform/PngDecoder.h"
#include "platform/RegularFile.h"
#include "platform/TiffDecoder.h"

#include <QFile>
#include <QImageReader>
#include <QTransform>

#include <algorithm>

namespace platform::imaging {

namespace {

// Where a point of the stored picture (size `stored`) lies once Qt's reader has turned it by
// `transformation` (as transformed() turns it).
QTransform uprightTransform(QSize stored, QImageIOHandler::Transformations transformation)
{
    const qreal w = stored.width(), h = stored.height();
    if (transformation == QImageIOHandler::TransformationRotate270)
        return QTransform(0, -1, 1, 0, 0, w); // (x, y) -> (y, w - x)
    QTransform turn;
    if (transformation & QImageIOHandler::TransformationMirror)
        turn *= QTransform(-1, 0, 0, 1, w, 0);
    if (transformation & QImageIOHandler::TransformationFlip)
        turn *= QTransform(1, 0, 0, -1, 0, h);
    if (transformation & QImageIOHandler::TransformationRotate90)
        turn *= QTransform(0, 1, -1, 0, h, 0); // (x, y) -> (h - y, x)
    return turn;
}

// The size `part` takes fitted within `size`, never larger than itself.
QSize partOutputSize(QSize part, QSize size)
{
    if (part.width() <= size.width() && part.height() <= size.height())
        return part;
    const QSize fitted = part.scaled(size, Qt::KeepAspectRatio);
    return QSize(std::max(1, fitted.width()), std::max(1, fitted.height()));
}

// The part `wanted` (upright full-size pixels) averaged down to `output` from a decode that covers
// `covers` of the picture, each of its pixels `unit` x `unit` of them.
QImage drawnPart(const QImage &decoded, const QRect &covers, int unit, const QRect &wanted, QSize output)
{
    if (decoded.isNull() || !covers.intersects(wanted))
        return {};
    if (qint64(decoded.width()) * unit < covers.width() || qint64(decoded.height()) * unit < covers.height()
        || qint64(decoded.width() - 1) * unit >= covers.width()
        || qint64(decoded.height() - 1) * unit >= covers.height())
        return {};
    const ReductionAxis columns{decoded.width(),         unit,           covers.width(),
                                wanted.x() - covers.x(), wanted.width(), output.width()};
    const ReductionAxis rows{decoded.height(), unit,           covers.height(), wanted.y() - covers.y(),
                             wanted.height(),  output.height()};
    // Rows in another layout are converted a band at a time, never the whole picture at once.
    AreaReduction reduction(columns, rows, AreaReduction::reducibleFormat(decoded));
    if (!reduction.isValid())
        return {};
    reduction.addRows(decoded);
    return reduction.result();
}

// The part of a PNG: decoded row by row, only the part averaged down as the rows go by.
std::optional<QImage> pngRegion(const QString &path, const RegularFile &file, const QRect &rect, QSize size,
                                const std::function<bool()> &shouldStop, std::optional<PngExtent> entry = {})
{
    PngDecoder png(path, file, entry ? entry->offset : 0, entry ? entry->length : file.size(), PngRole::Picture,
                   shouldStop);
    if (!png.isValid())
        return std::nullopt;
    const QSize stored = png.size();
    if (qint64(stored.width()) * stored.height() > kMaxFullDecodePixels) {
        logTooManyPixels(path, stored.width(), stored.height());
        return std::nullopt;
    }
    const QRect wanted = rect.intersected(QRect(QPoint(0, 0), stored));
    if (wanted.isEmpty())
        return std::nullopt;
    const QSize output = partOutputSize(wanted.size(), size);
    return png.decodeReduced(
        ReductionAxis{stored.width(), 1, stored.width(), wanted.x(), wanted.width(), output.width()},
        ReductionAxis{stored.height(), 1, stored.height(), wanted.y(), wanted.height(), output.height()});
}

// The part of a HEIC/HEIF picture: decoded whole (never above the pixel cap), then cut.
std::optional<QImage> heifRegion(const QString &path, const RegularFile &file, const QRect &rect, QSize size,
                                 bool applyOrientation)
{
    HeifContext heif;
    if (!heif.openOrLog(path, file))
        return std::nullopt;
    const QSize stored = heif.size();
    const qint64 pixels = qint64(stored.width()) * stored.height();
    if (pixels > kMaxFullDecodePixels) {
        logTooManyPixels(path, stored.width(), stored.height());
        return std::nullopt;
    }
    // Cut within the budget: the decoded picture is let go before it is released.
    DecodeBudget budget(budgetShare(pixels * 8));
    const std::optional<QImage> image = decodeHeifOrLog(path, heif.handle, applyOrientation);
    if (!image)
        return std::nullopt;
    const QRect wanted = rect.intersected(image->rect());
    if (wanted.isEmpty())
        return std::nullopt;
    QImage part = drawnPart(*image, image->rect(), 1, wanted, partOutputSize(wanted.size(), size));
    if (part.isNull())
        return std::nullopt;
    return part;
}

// The part of a TIFF (never above the pixel cap): averaged down as it is decoded; one to be turned
// is decoded whole, turned, then cut.
std::optional<QImage> tiffRegion(const QString &path, const RegularFile &file, const QRect &rect, QSize size,
                                 bool applyOrientation, const std::function<bool()> &shouldStop)
{
    TiffDecoder tiff(path, file, shouldStop);
    if (!tiff.isValid())
        return std::nullopt;
    const QSize stored = tiff.size();
    if (qint64(stored.width()) * stored.height() > kMaxFullDecodePixels) {
        logTooManyPixels(path, stored.width(), stored.height());
        return std::nullopt;
    }
    const QImageIOHandler::Transformations turn =
        applyOrientation ? tiff.transformation() : QImageIOHandler::TransformationNone;
    if (turn == QImageIOHandler::TransformationNone) {
        // Only the part averaged down, a band at a time as it is decoded.
        const QRect wanted = rect.intersected(QRect(QPoint(0, 0), stored));
        if (wanted.isEmpty())
            return std::nullopt;
        const QSize output = partOutputSize(wanted.size(), size);
        DecodeBudget budget(budgetShare(tiff.reducedDecodeBytes() + qint64(output.width()) * output.height() * 8));
        return tiff.decodeReduced(
            ReductionAxis{stored.width(), 1, stored.width(), wanted.x(), wanted.width(), output.width()},
            ReductionAxis{stored.height(), 1, stored.height(), wanted.y(), wanted.height(), output.height()});
    }
    // A turned picture is held twice while it turns.
    DecodeBudget budget(budgetShare(tiff.decodeBytes() * (turn == QImageIOHandler::TransformationNone ? 1 : 2)));
    std::optional<QImage> decoded = tiff.decode();
    if (!decoded)
        return std::nullopt;
    const QImage image = transformed(std::move(*decoded), turn);
    const QRect wanted = rect.intersected(image.rect());
    if (wanted.isEmpty())
        return std::nullopt;
    QImage part = drawnPart(image, image.rect(), 1, wanted, partOutputSize(wanted.size(), size));
    if (part.isNull())
        return std::nullopt;
    return part;
}

} // namespace

std::optional<QImage> decodeRegion(const QString &path, const QRect &rect, QSize size, bool applyOrientation,
                                   const std::function<bool()> &shouldStop)
{
    if (rect.isEmpty() || size.isEmpty())
        return std::nullopt;
    const std::optional<RegularFile> file = RegularFile::openScanned(path);
    if (!file)
        return std::nullopt;
    const QByteArray head = readHead(*file, 64);
    if (headIsHeif(head))
        return heifRegion(path, *file, rect, size, applyOrientation);
    // A PNG has no orientation of its own for Qt's reader either: its upright picture is as stored.
    if (headIsPng(head))
        return pngRegion(path, *file, rect, size, shouldStop);
    if (const std::optional<PngExtent> entry = iconPngEntry(*file))
        return pngRegion(path, *file, rect, size, shouldStop, entry);
    if (headIsTiff(head))
        return tiffRegion(path, *file, rect, size, applyOrientation, shouldStop);

    bool isJpeg = false;
    std::optional<JpegHeaderFacts> facts;
    std::unique_ptr<QFile> device;
    QImageReader reader;
    if (!openReader(path, *file, device, reader, facts, isJpeg))
        return std::nullopt;
    // Cut and reduced as stored, then turned here: the reader's cut is in stored pixels.
    reader.setAutoTransform(false);
    const QSize stored = isJpeg ? QSize(facts->width, facts->height) : statedSize(reader);
    if (!stored.isValid())
        return std::nullopt;
    const QImageIOHandler::Transformations turn =
        applyOrientation ? reader.transformation() : QImageIOHandler::TransformationNone;
    const QTransform toUpright = uprightTransform(stored, turn);
    const QRect upright = toUpright.mapRect(QRectF(QPointF(0, 0), QSizeF(stored))).toRect();
    const QRect wanted = rect.intersected(QRect(QPoint(0, 0), upright.size()));
    if (wanted.isEmpty())
        return std::nullopt;
    const QSize output = partOutputSize(wanted.size(), size);
    const bool sideways = turn & QImageIOHandler::TransformationRotate90;
    const QSize storedOutput = sideways ? output.transposed() : output;
    const QRect part =
        toUpright.inverted().mapRect(QRectF(wanted)).toAlignedRect().intersected(QRect(QPoint(0, 0), stored));

    QRect clip = part;
    int denominator = 1;
    qint64 estimate = 0;
    if (isJpeg) {
        // The smallest of the decoder's scales 1/8, 1/4, 1/2 that still gives the output; the cut
        // then lies on that scale's pixel grid (a side at the picture's edge loses less than one
        // output pixel), as the reader needs to cut at reduced scale.
        for (int d : {8, 4, 2}) {
            if (part.width() / d < storedOutput.width() || part.height() / d < storedOutput.height())
                continue;
            const int left = part.left() / d * d;
            const int top = part.top() / d * d;
            const int right = std::min((part.right() + d) / d * d, stored.width() / d * d);
            const int bottom = std::min((part.bottom() + d) / d * d, stored.height() / d * d);
            if (right > left && bottom > top) {
                denominator = d;
                clip = QRect(left, top, right - left, bottom - top);
                break;
            }
        }
        const qint64 decoded = qint64(clip.width() / denominator) * (clip.height() / denominator) * 4;
        estimate = facts->bufferedBytes + decoded * 2 + qint64(output.width()) * output.height() * 4
            + qint64(stored.width()) * 4 + keptMetadataBytes(facts->metadataBytes);
        if (estimate > maxAloneDecodeBytes()) {
            logDecodeTooLarge(path, stored.width(), stored.height(), estimate);
            return std::nullopt;
        }
        reader.setScaledSize(clip.size() / denominator);
    } else {
        const qint64 pixels = qint64(stored.width()) * stored.height();
        if (pixels > kMaxFullDecodePixels) {
            logTooManyPixels(path, stored.width(), stored.height());
            return std::nullopt;
        }
        estimate = pixels * 4 + qint64(clip.width()) * clip.height() * 8 + qint64(output.width()) * output.height() * 4;
    }
    reader.setClipRect(clip);
    const QRect covers = toUpright.mapRect(QRectF(clip)).toRect();
    const auto cut = [&](QImage read) {
        const QImage decoded = transformed(std::move(read), turn);
        return drawnPart(decoded, covers, denominator, wanted, output);
    };
    return readWithinBudget(path, reader, estimate, cut);
}

} // namespace platform::imaging
