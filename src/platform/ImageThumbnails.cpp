#include "platform/ImageThumbnails.h"

#include "platform/AreaReduction.h"
#include "platform/DecodeBudget.h"
#include "platform/ExivCompat.h"
#include "platform/HeifContext.h"
#include "platform/ImageMetadata.h"
#include "platform/ImageSource.h"
#include "platform/JpegDecoding.h"
#include "platform/Log.h"
#include "platform/PngDecoder.h"
#include "platform/RegularFile.h"
#include "platform/TiffDecoder.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform::imaging {

namespace {

constexpr qint64 kThumbnailHintLength = 64 * 1024;

QSize fitWithin(QSize size, int maxPixel)
{
    if (!size.isValid() || (size.width() <= maxPixel && size.height() <= maxPixel))
        return size;
    const QSize scaled = size.scaled(maxPixel, maxPixel, Qt::KeepAspectRatio);
    return QSize(std::max(1, scaled.width()), std::max(1, scaled.height()));
}

// A small embedded picture (an Exif thumbnail or a preview of the file at `path`) decoded from
// memory, within the caps, and turned into the result by `finish` within the decode budget; a JPEG
// whose markers pass the bounds is refused before any reader sees it.
std::optional<QImage> decodeEmbedded(const QString &path, const Exiv2::byte *data, long size,
                                     const std::function<QImage(QImage)> &finish)
{
    if (!data || size <= 0)
        return std::nullopt;
    qint64 metadataBytes = 0;
    if (!embeddedJpegMayBeDecoded(path, data, size, &metadataBytes))
        return std::nullopt;
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (headIsPng(bytes)) {
        // Through our own reader, as every PNG: Qt's would leave libpng's complaints on standard error.
        PngDecoder png(path, bytes, PngRole::Embedded);
        const QSize stored = png.size();
        if (!png.isValid() || qint64(stored.width()) * stored.height() > kMaxFullDecodePixels)
            return std::nullopt;
        AreaReduction reduction(ReductionAxis::plain(stored.width(), stored.width()),
                                ReductionAxis::plain(stored.height(), stored.height()), png.format());
        if (!reduction.isValid())
            return std::nullopt;
        DecodeBudget budget(
            budgetShare(png.decodeBytes() + reduction.workingBytes() + qint64(stored.width()) * stored.height() * 4));
        if (!png.decodeInto(reduction))
            return std::nullopt;
        QImage result = finish(reduction.result());
        if (result.isNull())
            return std::nullopt;
        return result;
    }
    if (headIsTiff(bytes)) {
        TiffDecoder tiff(path, bytes);
        if (!tiff.isValid())
            return std::nullopt;
        DecodeBudget budget(budgetShare(tiff.decodeBytes()));
        std::optional<QImage> image = tiff.decode();
        if (!image)
            return std::nullopt;
        QImage result = finish(std::move(*image));
        if (result.isNull())
            return std::nullopt;
        return result;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QSize size2 = statedSize(reader);
    if (!size2.isValid() || qint64(size2.width()) * size2.height() > kMaxFullDecodePixels)
        return std::nullopt;
    DecodeBudget budget(budgetShare(qint64(size2.width()) * size2.height() * 4 + keptMetadataBytes(metadataBytes)));
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    QImage result = finish(std::move(image));
    if (result.isNull())
        return std::nullopt;
    return result;
}

// The largest preview the file embeds (camera files keep one or more beside the Exif thumbnail),
// turned upright when asked, longer side at most maxPixel.
std::optional<QImage> largestPreview(const QString &path, const RegularFile &file, int maxPixel, bool applyOrientation)
{
    const std::unique_ptr<Exiv2::Image> image = openExiv(path, file);
    if (!image)
        return std::nullopt;
    try {
        Exiv2::PreviewManager manager(*image);
        const Exiv2::PreviewPropertiesList list = manager.getPreviewProperties();
        if (list.empty())
            return std::nullopt;
        // The list runs from the smallest to the largest.
        const Exiv2::PreviewImage preview = manager.getPreviewImage(list.back());
        const QImageIOHandler::Transformations turn =
            applyOrientation ? transformationOf(exifOrientation(path, *image)) : QImageIOHandler::TransformationNone;
        return decodeEmbedded(path, preview.pData(), long(preview.size()), [&](QImage decoded) {
            const QSize target = fitWithin(decoded.size(), maxPixel);
            if (target != decoded.size())
                decoded = AreaReduction::reduced(decoded, target);
            return transformed(std::move(decoded), turn);
        });
    } catch (...) {
        // The caller logs the picture as left out when it has nothing else to show; this tells why.
        logDebug(lcPlatform)
            << QStringLiteral("Embedded preview of %1 could not be read: %2").arg(path, currentExceptionText());
        return std::nullopt;
    }
}

// A HEIC/HEIF picture decoded and reduced to at most maxPixel on its longer side. Above the pixel
// cap only an embedded thumbnail is decoded (the decoder has no reduced scale).
std::optional<QImage> heifThumbnail(const QString &path, const RegularFile &file, int maxPixel, bool applyOrientation)
{
    HeifContext heif;
    if (!heif.openOrLog(path, file))
        return std::nullopt;
    const QSize stored = heif.size();
    const qint64 pixels = qint64(stored.width()) * stored.height();
    // Decoded and reduced within the budget: the decoded picture is let go before it is released.
    const auto decodeReduced = [&](heif_image_handle *handle, qint64 decodedPixels) -> std::optional<QImage> {
        DecodeBudget budget(decodedPixels * 8); // the decoded planes and their RGBA conversion
        std::optional<QImage> image = decodeHeifOrLog(path, handle, applyOrientation);
        if (!image)
            return std::nullopt;
        const QSize target = fitWithin(image->size(), maxPixel);
        if (target != image->size())
            *image = AreaReduction::reduced(*image, target);
        if (image->isNull())
            return std::nullopt;
        return image;
    };
    if (pixels <= kMaxFullDecodePixels)
        return decodeReduced(heif.handle, pixels);
    {
        const int count = heif_image_handle_get_number_of_thumbnails(heif.handle);
        if (count <= 0) {
            logTooManyPixels(path, stored.width(), stored.height());
            return std::nullopt;
        }
        std::vector<heif_item_id> ids(static_cast<size_t>(count));
        heif_image_handle_get_list_of_thumbnail_IDs(heif.handle, ids.data(), count);
        heif_image_handle *best = nullptr;
        qint64 bestPixels = 0;
        for (heif_item_id id : ids) {
            heif_image_handle *thumb = nullptr;
            if (heif_image_handle_get_thumbnail(heif.handle, id, &thumb).code != heif_error_Ok || !thumb)
                continue;
            const qint64 thumbPixels = qint64(heif_image_handle_get_width(thumb)) * heif_image_handle_get_height(thumb);
            if (thumbPixels <= kMaxFullDecodePixels && thumbPixels > bestPixels) {
                if (best)
                    heif_image_handle_release(best);
                best = thumb;
                bestPixels = thumbPixels;
            } else {
                heif_image_handle_release(thumb);
            }
        }
        if (!best) {
            logTooManyPixels(path, stored.width(), stored.height());
            return std::nullopt;
        }
        std::optional<QImage> image = decodeReduced(best, bestPixels);
        heif_image_handle_release(best);
        return image;
    }
}

// The decoder's reduced scale for a JPEG of `stored` pixels on its way to `target`: the smallest of
// 1/8, 1/4 and 1/2 that still leaves the target (for comparing: twice the target, so that the
// averaging of ours does most of the reduction, as it does for a picture decoded whole) on each
// side, else 1.
int jpegDenominator(QSize stored, QSize target, DecoderShrink shrink)
{
    if (target == stored)
        return 1;
    const int margin = shrink == DecoderShrink::ToTwiceTheTarget ? 2 : 1;
    for (int d : {8, 4, 2}) {
        if (stored.width() / d >= margin * target.width() && stored.height() / d >= margin * target.height())
            return d;
    }
    return 1;
}

// `decoded`, the picture of `stored` pixels as the decoder gave it at 1/denominator (each of its
// pixels covering denominator x denominator of the picture, the partial ones at the right and
// bottom edges left out), averaged down to `target`.
QImage reducedFromScale(const QImage &decoded, QSize stored, int denominator, QSize target)
{
    if (decoded.isNull())
        return {};
    if (denominator == 1 && decoded.size() == target)
        return AreaReduction::reducible(decoded);
    ReductionAxis columns{decoded.width(), denominator, stored.width(), 0, stored.width(), target.width()};
    ReductionAxis rows{decoded.height(), denominator, stored.height(), 0, stored.height(), target.height()};
    if (decoded.size() != QSize(stored.width() / denominator, stored.height() / denominator)) {
        // Not the scale asked for: taken as the whole picture.
        columns = ReductionAxis::plain(decoded.width(), target.width());
        rows = ReductionAxis::plain(decoded.height(), target.height());
    }
    // Rows in another layout are converted a band at a time, never the whole picture at once.
    AreaReduction reduction(columns, rows, AreaReduction::reducibleFormat(decoded));
    if (!reduction.isValid())
        return {};
    reduction.addRows(decoded);
    return reduction.result();
}

// A PNG decoded row by row and averaged down as it is read (an interlaced one is held whole in its
// stored form). Refused above the cap of full decodes, as every other picture decoded whole.
// `entry`, when given, is where the PNG lies in the file (an icon's entry).
std::optional<QImage> pngThumbnail(const QString &path, const RegularFile &file, int maxPixel, bool applyOrientation,
                                   const std::function<bool()> &shouldStop, std::optional<PngExtent> entry = {})
{
    PngDecoder png(path, file, entry ? entry->offset : 0, entry ? entry->length : file.size(), PngRole::Picture,
                   shouldStop);
    if (!png.isValid())
        return std::nullopt;
    const QSize stored = png.size();
    if (qint64(stored.width()) * stored.height() > kMaxFullDecodePixels) {
        auto preview = largestPreview(path, file, maxPixel, applyOrientation);
        if (!preview)
            logTooManyPixels(path, stored.width(), stored.height());
        return preview;
    }
    const QSize target = fitWithin(stored, maxPixel);
    return png.decodeReduced(ReductionAxis::plain(stored.width(), target.width()),
                             ReductionAxis::plain(stored.height(), target.height()));
}

// A TIFF decoded (never above the pixel cap: past it, only an embedded preview) and averaged down
// as it is decoded; one to be turned is decoded whole, turned, then averaged.
std::optional<QImage> tiffThumbnail(const QString &path, const RegularFile &file, int maxPixel, bool applyOrientation,
                                    const std::function<bool()> &shouldStop)
{
    TiffDecoder tiff(path, file, shouldStop);
    if (!tiff.isValid())
        return std::nullopt;
    const QSize stored = tiff.size();
    if (qint64(stored.width()) * stored.height() > kMaxFullDecodePixels) {
        auto preview = largestPreview(path, file, maxPixel, applyOrientation);
        if (!preview)
            logTooManyPixels(path, stored.width(), stored.height());
        return preview;
    }
    const QImageIOHandler::Transformations turn =
        applyOrientation ? tiff.transformation() : QImageIOHandler::TransformationNone;
    const QSize target = fitWithin(stored, maxPixel);
    if (turn == QImageIOHandler::TransformationNone && target != stored) {
        // Averaged down a band at a time as it is decoded: the whole picture is never held.
        DecodeBudget budget(budgetShare(tiff.reducedDecodeBytes() + qint64(target.width()) * target.height() * 8));
        return tiff.decodeReduced(ReductionAxis::plain(stored.width(), target.width()),
                                  ReductionAxis::plain(stored.height(), target.height()));
    }
    // A turned picture is held twice while it turns.
    DecodeBudget budget(budgetShare(tiff.decodeBytes() * (turn == QImageIOHandler::TransformationNone ? 1 : 2)));
    std::optional<QImage> decoded = tiff.decode();
    if (!decoded)
        return std::nullopt;
    const QImage upright = transformed(std::move(*decoded), turn);
    QImage result = AreaReduction::reduced(upright, fitWithin(upright.size(), maxPixel));
    if (result.isNull())
        return std::nullopt;
    return result;
}

} // namespace

QImageIOHandler::Transformations transformationOf(qint64 orientation)
{
    switch (orientation) {
    case 2:
        return QImageIOHandler::TransformationMirror;
    case 3:
        return QImageIOHandler::TransformationRotate180;
    case 4:
        return QImageIOHandler::TransformationFlip;
    case 5:
        return QImageIOHandler::TransformationFlipAndRotate90;
    case 6:
        return QImageIOHandler::TransformationRotate90;
    case 7:
        return QImageIOHandler::TransformationMirrorAndRotate90;
    case 8:
        return QImageIOHandler::TransformationRotate270;
    default:
        return QImageIOHandler::TransformationNone;
    }
}

QImage transformed(QImage image, QImageIOHandler::Transformations transformation)
{
    if (transformation == QImageIOHandler::TransformationNone || image.isNull())
        return image;
    if (transformation == QImageIOHandler::TransformationRotate270)
        return image.transformed(QTransform().rotate(270));
    image = image.mirrored(transformation & QImageIOHandler::TransformationMirror,
                           transformation & QImageIOHandler::TransformationFlip);
    if (transformation & QImageIOHandler::TransformationRotate90)
        image = image.transformed(QTransform().rotate(90));
    return image;
}

std::optional<QImage> decodeThumbnail(const QString &path, int maxPixel, bool applyOrientation, DecoderShrink shrink,
                                      const std::function<bool()> &shouldStop)
{
    if (maxPixel <= 0)
        return std::nullopt;
    const std::optional<RegularFile> file = RegularFile::openScanned(path);
    if (!file)
        return std::nullopt;
    const QByteArray head = readHead(*file, 64);
    if (headIsHeif(head))
        return heifThumbnail(path, *file, maxPixel, applyOrientation);
    if (headIsPng(head))
        return pngThumbnail(path, *file, maxPixel, applyOrientation, shouldStop);
    // An icon whose entry shown is PNG data: read through our PNG reader, not Qt's icon reader's.
    if (const std::optional<PngExtent> entry = iconPngEntry(*file))
        return pngThumbnail(path, *file, maxPixel, applyOrientation, shouldStop, entry);
    if (headIsTiff(head))
        return tiffThumbnail(path, *file, maxPixel, applyOrientation, shouldStop);

    bool isJpeg = false;
    std::optional<JpegHeaderFacts> facts;
    std::unique_ptr<QFile> device;
    QImageReader reader;
    if (!openReader(path, *file, device, reader, facts, isJpeg))
        return std::nullopt;
    if (isJpeg) {
        // Decoded at reduced scale (the decoder's DCT scaling) down to no less than the target (or
        // twice that), as stored, then averaged and turned here. Qt's reader is asked for exactly the size its
        // decoder gives at that scale, so that it does no scaling of its own: the whole picture when
        // its sides divide by the scale, else the part that does (the partial pixels of the right and
        // bottom edges, less than one of the decoder's, are left out and the averaging knows it).
        const QSize stored(facts->width, facts->height);
        const QSize target = fitWithin(stored, maxPixel);
        const int denominator = jpegDenominator(stored, target, shrink);
        const QSize decodedSize(stored.width() / denominator, stored.height() / denominator);
        const qint64 estimate = jpegDecodeBytes(*facts, decodedSize);
        if (estimate > maxAloneDecodeBytes()) {
            auto preview = largestPreview(path, *file, maxPixel, applyOrientation);
            if (!preview)
                logDecodeTooLarge(path, facts->width, facts->height, estimate);
            return preview;
        }
        reader.setAutoTransform(false);
        const QImageIOHandler::Transformations turn =
            applyOrientation ? reader.transformation() : QImageIOHandler::TransformationNone;
        if (denominator > 1) {
            if (stored.width() % denominator != 0 || stored.height() % denominator != 0)
                reader.setClipRect(QRect(QPoint(0, 0), decodedSize * denominator));
            reader.setScaledSize(decodedSize);
        }
        return readWithinBudget(path, reader, estimate, [&](QImage decoded) {
            return transformed(reducedFromScale(decoded, stored, denominator, target), turn);
        });
    }

    reader.setAutoTransform(applyOrientation);
    qint64 estimate = kMaxDecodeBytes;
    const QSize size = statedSize(reader);
    if (size.isValid()) {
        // Decoded whole, then averaged: never above the pixel cap. A format whose reader reduces
        // by itself is asked for twice the target above the cap, then averaged.
        const qint64 pixels = qint64(size.width()) * size.height();
        if (pixels > kMaxFullDecodePixels) {
            if (!reader.supportsOption(QImageIOHandler::ScaledSize)) {
                reader.setDevice(nullptr);
                auto preview = largestPreview(path, *file, maxPixel, applyOrientation);
                if (!preview)
                    logTooManyPixels(path, size.width(), size.height());
                return preview;
            }
            const QSize scaled = fitWithin(size, 2 * maxPixel);
            reader.setScaledSize(scaled);
            estimate = qint64(scaled.width()) * scaled.height() * 4;
        } else {
            estimate = pixels * 4;
        }
    }
    const auto reduce = [maxPixel](QImage decoded) {
        return AreaReduction::reduced(decoded, fitWithin(decoded.size(), maxPixel));
    };
    return readWithinBudget(path, reader, estimate, reduce);
}

std::optional<QImage> embeddedThumbnail(const QString &path, bool applyOrientation)
{
    const std::optional<RegularFile> file = RegularFile::openScanned(path);
    if (!file)
        return std::nullopt;
    // Most photos hold no thumbnail: a look at a JPEG's first segments spares them the metadata
    // library's open and parse.
    const std::optional<OpenedJpeg> jpeg = openJpeg(path, *file, kThumbnailHintLength);
    if (jpeg && jpeg->refused)
        return std::nullopt;
    const QByteArray head = jpeg ? jpeg->head : readHead(*file, kThumbnailHintLength);
    if (!jpegMayHoldExifThumbnail(reinterpret_cast<const unsigned char *>(head.constData()), size_t(head.size())))
        return std::nullopt;
    auto image = openExiv(path, *file);
    if (!image)
        return std::nullopt;
    try {
        Exiv2::ExifThumbC thumb(image->exifData());
        const Exiv2::DataBuf data = thumb.copy();
        auto decoded = decodeEmbedded(path, exiv::bytes(data), long(exiv::byteCount(data)),
                                      [](QImage thumbnail) { return thumbnail; });
        if (!decoded)
            return std::nullopt;
        // The picture's own size, as stored (the thumbnail is stored the same way round).
        qint64 width = image->pixelWidth();
        qint64 height = image->pixelHeight();
        if (const auto facts = jpegFactsOf(path, *file)) {
            width = facts->width;
            height = facts->height;
        }
        if (width <= 0 || height <= 0)
            return std::nullopt;
        // A thumbnail of other proportions (black bands around it, or left behind by an editor
        // that cropped the picture) does not stand for the picture.
        const double pictureRatio = double(width) / double(height);
        const double thumbRatio = double(decoded->width()) / double(decoded->height());
        if (std::fabs(thumbRatio - pictureRatio) > 0.03 * pictureRatio)
            return std::nullopt;
        if (applyOrientation)
            *decoded = transformed(*decoded, transformationOf(exifOrientation(path, *image)));
        return decoded;
    } catch (...) {
        logWarning(lcPlatform)
            << QStringLiteral("Exif thumbnail of %1 could not be read: %2").arg(path, currentExceptionText());
        return std::nullopt;
    }
}

} // namespace platform::imaging
