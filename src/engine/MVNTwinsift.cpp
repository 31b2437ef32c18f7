#include "engine/MVNTwinsift.h"

#include "platform/ImageSource.h"

#include <QImageReader>

#include <bit>

namespace {

QSize fitWithin(QSize size, int maxPixel)
{
    if (!size.isValid() || (size.width() <= maxPixel && size.height() <= maxPixel))
        return size;
    QSize scaled = size.scaled(maxPixel, maxPixel, Qt::KeepAspectRatio);
    return QSize(std::max(1, scaled.width()), std::max(1, scaled.height()));
}

// Pictures the Qt readers cannot decode (HEIC and HEIF photos) go through the image source,
// which knows the further formats; orientation applied, longer side at most maxPixel.
QImage thumbnailFromImageSource(const QString &path, int maxPixel)
{
    const std::optional<QImage> image = platform::ImageSource(path).thumbnail(maxPixel, true);
    return image ? *image : QImage();
}

// The picture at `path`, turned upright, longer side at most maxPixel. With `reducedDecode` the
// decoder is asked for the reduced size directly (JPEG: a DCT-scaled decode); else the whole picture
// is decoded and then reduced.
QImage readThumbnail(const QString &path, int maxPixel, bool reducedDecode)
{
    if (maxPixel < 1)
        return {};
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (reducedDecode) {
        const QSize stored = reader.size();
        if (stored.isValid()) {
            const QSize target = fitWithin(stored, maxPixel);
            if (target != stored)
                reader.setScaledSize(target);
        }
    }
    QImage image = reader.read();
    if (image.isNull())
        return thumbnailFromImageSource(path, maxPixel);
    // Formats whose size is only known after decoding still end up within maxPixel.
    const QSize target = fitWithin(image.size(), maxPixel);
    if (target != image.size())
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace

QImage MVNTwinsift::thumbnail(const QString &path, int maxPixel)
{
    return readThumbnail(path, maxPixel, true);
}

QImage MVNTwinsift::thumbnailFromFullDecode(const QString &path, int maxPixel)
{
    return readThumbnail(path, maxPixel, false);
}

MVNTwinsift::HashResult MVNTwinsift::hashThumbnail(const QImage &thumbnail, int bitmapSize)
{
    HashResult result;
    if (thumbnail.isNull() || !isValidBitmapSize(bitmapSize)) {
        result.outcome = HashOutcome::Unreadable;
        return result;
    }
    const int s = bitmapSize;
    // Transparent parts are drawn over black, as on an empty bitmap.
    QImage square = thumbnail.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                        .scaled(s, s, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (square.isNull() || square.width() != s || square.height() != s) {
        result.outcome = HashOutcome::Unreadable;
        return result;
    }

    std::vector<uint8_t> grey(size_t(s) * size_t(s));
    for (int y = 0; y < s; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(square.constScanLine(y));
        for (int x = 0; x < s; ++x) {
            const QRgb p = line[x];
            grey[size_t(y) * size_t(s) + size_t(x)] =
                uint8_t((unsigned(qRed(p)) + unsigned(qGreen(p)) + unsigned(qBlue(p))) / 3u);
        }
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
