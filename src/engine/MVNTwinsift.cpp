#include "engine/MVNTwinsift.h"

#include "platform/AreaReduction.h"
#include "platform/ImageSource.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <vector>

namespace {

// Grey levels as the luminance of the sRGB colour, worked out in linear light in integers, so that
// every release of the system libraries gives the same level for the same colour:
// Y = 0.2126 R + 0.7152 G + 0.0722 B on linear values, coded back to the sRGB curve and rounded.
struct GreyTables {
    static constexpr int kBucketShift = 16;
    std::array<uint32_t, 256> linear{};     // sRGB level -> linear light, 0 ... 65535
    std::array<uint64_t, 255> thresholds{}; // the weighted linear sum at which level k + 1 begins
    // For each span of 2^16 sums, the thresholds below its start: thresholds lie further apart
    // than that (the closest, at the dark end, some 199,000 apart), so a span holds one at most.
    std::vector<uint8_t> below;

    GreyTables()
    {
        auto toLinear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
        for (int i = 0; i < 256; ++i)
            linear[size_t(i)] = uint32_t(std::lround(toLinear(i / 255.0) * 65535.0));
        for (int k = 0; k < 255; ++k)
            thresholds[size_t(k)] = uint64_t(std::llround(toLinear((k + 0.5) / 255.0) * 65535.0 * 10000.0));
        const uint64_t largest = 10000u * uint64_t(65535);
        below.resize(size_t(largest >> kBucketShift) + 1);
        for (size_t bucket = 0; bucket < below.size(); ++bucket)
            below[bucket] =
                uint8_t(std::lower_bound(thresholds.begin(), thresholds.end(), uint64_t(bucket) << kBucketShift)
                        - thresholds.begin());
    }

    // The number of thresholds at or below the luminance sum: the grey level.
    uint8_t greyOf(uint32_t r, uint32_t g, uint32_t b) const
    {
        const uint64_t y = 2126u * uint64_t(linear[r]) + 7152u * uint64_t(linear[g]) + 722u * uint64_t(linear[b]);
        const uint8_t level = below[size_t(y >> kBucketShift)];
        return uint8_t(level + (level < 255 && y >= thresholds[level] ? 1 : 0));
    }
};

const GreyTables &greyTables()
{
    static const GreyTables tables;
    return tables;
}

QSize fitWithin(QSize size, int maxPixel)
{
    if (!size.isValid() || (size.width() <= maxPixel && size.height() <= maxPixel))
        return size;
    QSize scaled = size.scaled(maxPixel, maxPixel, Qt::KeepAspectRatio);
    return QSize(std::max(1, scaled.width()), std::max(1, scaled.height()));
}

} // namespace

QImage MVNTwinsift::thumbnail(const QString &path, int maxPixel, const std::function<bool()> &shouldStop)
{
    if (maxPixel < 1)
        return {};
    const platform::ImageSource source(path, shouldStop);
    // The thumbnail the file embeds, when it has one, spares decoding the picture.
    if (std::optional<QImage> embedded = source.embeddedThumbnail(true)) {
        const QSize target = fitWithin(embedded->size(), maxPixel);
        if (target != embedded->size())
            *embedded = platform::imaging::AreaReduction::reduced(*embedded, target);
        return *embedded;
    }
    // Else the picture, decoded at reduced size (and never at full size when it is huge).
    const std::optional<QImage> image = source.comparableThumbnail(maxPixel, true);
    return image ? *image : QImage();
}

QImage MVNTwinsift::greyBitmap(const QImage &thumbnail, int bitmapSize)
{
    if (thumbnail.isNull() || bitmapSize < 1)
        return {};
    const int s = bitmapSize;
    // Stretched over the s x s square by the area averaging every thumbnail takes (each grey pixel
    // the mean of the part of the picture it covers, transparent parts over black as on an empty
    // bitmap), then turned grey.
    const QImage square = platform::imaging::AreaReduction::reduced(thumbnail, QSize(s, s));
    if (square.isNull())
        return {};
    const bool isGrey = square.format() == QImage::Format_Grayscale8;
    const GreyTables &tables = greyTables();
    QImage grey(s, s, QImage::Format_Grayscale8);
    if (grey.isNull())
        return {};
    for (int y = 0; y < s; ++y) {
        uchar *line = grey.scanLine(y);
        if (isGrey) {
            const uchar *in = square.constScanLine(y);
            for (int x = 0; x < s; ++x)
                line[x] = tables.greyOf(in[x], in[x], in[x]);
            continue;
        }
        const auto *in = reinterpret_cast<const QRgb *>(square.constScanLine(y));
        for (int x = 0; x < s; ++x)
            line[x] = tables.greyOf(uint32_t(qRed(in[x])), uint32_t(qGreen(in[x])), uint32_t(qBlue(in[x])));
    }
    return grey;
}

MVNTwinsift::HashResult MVNTwinsift::hashThumbnail(const QImage &thumbnail, int bitmapSize)
{
    HashResult result;
    if (thumbnail.isNull() || !isValidBitmapSize(bitmapSize)) {
        result.outcome = HashOutcome::Unreadable;
        return result;
    }
    const int s = bitmapSize;
    const QImage greyImage = greyBitmap(thumbnail, s);
    if (greyImage.isNull()) {
        result.outcome = HashOutcome::Unreadable;
        return result;
    }
    std::vector<uint8_t> grey(size_t(s) * size_t(s));
    for (int y = 0; y < s; ++y) {
        const uchar *line = greyImage.constScanLine(y);
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

MVNTwinsift::HashResult MVNTwinsift::twk(const QString &path, int bitmapSize,
                                         const std::function<bool()> &shouldStop) const
{
    if (!isValidBitmapSize(bitmapSize))
        return {};
    const QImage thumb = thumbnail(path, bitmapSize, shouldStop);
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
