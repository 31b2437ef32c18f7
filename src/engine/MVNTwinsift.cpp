#include "engine/MVNTwinsift.h"

#include "platform/ImageSource.h"

#include <QPainter>

#include <algorithm>
#include <bit>

namespace {

QSize fitWithin(QSize size, int maxPixel)
{
    if (!size.isValid() || (size.width() <= maxPixel && size.height() <= maxPixel))
        return size;
    QSize scaled = size.scaled(maxPixel, maxPixel, Qt::KeepAspectRatio);
    return QSize(std::max(1, scaled.width()), std::max(1, scaled.height()));
}

} // namespace

QImage MVNTwinsift::thumbnail(const QString &path, int maxPixel)
{
    if (maxPixel < 1)
        return {};
    const platform::ImageSource source(path);
    // The thumbnail the file embeds, when it has one, spares decoding the picture.
    if (std::optional<QImage> embedded = source.embeddedThumbnail(true)) {
        const QSize target = fitWithin(embedded->size(), maxPixel);
        if (target != embedded->size())
            *embedded = embedded->scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return *embedded;
    }
    // Else the picture, decoded at reduced size (and never at full size when it is huge).
    const std::optional<QImage> image = source.thumbnail(maxPixel, true);
    return image ? *image : QImage();
}

MVNTwinsift::HashResult MVNTwinsift::hashThumbnail(const QImage &thumbnail, int bitmapSize)
{
    HashResult result;
    if (thumbnail.isNull() || !isValidBitmapSize(bitmapSize)) {
        result.outcome = HashOutcome::Unreadable;
        return result;
    }
    const int s = bitmapSize;
    // The picture stretched over the s x s square; transparent parts over black, as on an empty
    // bitmap.
    const QImage stretched = thumbnail.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                 .scaled(s, s, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (stretched.isNull() || stretched.width() != s || stretched.height() != s) {
        result.outcome = HashOutcome::Unreadable;
        return result;
    }
    QImage canvas(s, s, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        painter.drawImage(0, 0, stretched);
    }
    // Drawn into an 8-bit grey bitmap: g is the pixel's grey level (its luminance), so a black and
    // white copy of a colour photo gives the photo's own grey levels.
    const QImage greyBitmap = canvas.convertToFormat(QImage::Format_Grayscale8);
    std::vector<uint8_t> grey(size_t(s) * size_t(s));
    for (int y = 0; y < s; ++y) {
        const uchar *line = greyBitmap.constScanLine(y);
        std::copy(line, line + s, grey.begin() + std::ptrdiff_t(size_t(y) * size_t(s)));
    }

    std::vector<uint64_t> words(wordCount(s), 0);
    const int bw = s / 4;
    const int bh = s / 4;
    if (bw == 0 || bh == 0) {
        // Below 4 pixels the grid has no blocks and no bit can be set.
        result.outcome = HashOutcome::Flat;
        return result;
    }

    bool anySet = false;
    uint32_t k = 0;
    for (int band = 0; band < 4; ++band) {
        for (int column = 0; column < 4; ++column) {
            const int x0 = column * bw;
            const int y0 = band * bh;
            int32_t sum = 0;
            for (int y = y0; y < y0 + bh; ++y)
                for (int x = x0; x < x0 + bw; ++x)
                    sum += grey[size_t(y) * size_t(s) + size_t(x)];
            const int32_t mean = sum / int32_t(bw * bh);
            for (int y = y0; y < y0 + bh; ++y) {
                for (int x = x0; x < x0 + bw; ++x, ++k) {
                    if (int32_t(grey[size_t(y) * size_t(s) + size_t(x)]) > mean) {
                        words[k / 64] |= uint64_t(1) << (63 - (k % 64));
                        anySet = true;
                    }
                }
            }
        }
    }
    // Positions from 16 * bw * bh on (sizes that are not a multiple of 4) stay 0.
    if (!anySet) {
        result.outcome = HashOutcome::Flat;
        return result;
    }
    result.outcome = HashOutcome::Hash;
    result.words = std::move(words);
    return result;
}

MVNTwinsift::HashResult MVNTwinsift::twk(const QString &path, int bitmapSize) const
{
    if (!isValidBitmapSize(bitmapSize))
        return {};
    const QImage thumb = thumbnail(path, bitmapSize);
    if (thumb.isNull())
        return {};
    return hashThumbnail(thumb, bitmapSize);
}

uint32_t MVNTwinsift::distanceLimit(int bitmapSize)
{
    const uint32_t n = uint32_t(bitmapSize) * uint32_t(bitmapSize);
    return uint32_t(int32_t(double(n) * 0.18999999999999995));
}

size_t MVNTwinsift::wordCount(int bitmapSize)
{
    if (bitmapSize < 1)
        return 0;
    const uint64_t n = uint64_t(uint32_t(bitmapSize) * uint32_t(bitmapSize));
    return size_t((n + 63) / 64);
}

float MVNTwinsift::mVNCompare(const std::vector<uint64_t> &hash1, const std::vector<uint64_t> &hash2,
                              int bitmapSize) const
{
    if (!isValidBitmapSize(bitmapSize))
        return 18.0f;
    const uint32_t n = uint32_t(bitmapSize) * uint32_t(bitmapSize);
    const uint32_t limit = distanceLimit(bitmapSize);
    const size_t words = wordCount(bitmapSize);
    uint64_t d = 0;
    for (size_t m = 0; m < words; ++m) {
        // A hash shorter than the size says counts its missing words as 0.
        const uint64_t a = m < hash1.size() ? hash1[m] : 0;
        const uint64_t b = m < hash2.size() ? hash2[m] : 0;
        d += hashofhashhash(a ^ b);
        if (d > limit)
            return 18.0f;
    }
    return float(int32_t(n - uint32_t(d))) / float(int32_t(n)) * 100.0f;
}

uint64_t MVNTwinsift::hashofhashhash(uint64_t word) const
{
    return uint64_t(std::popcount(word));
}
