#include "platform/AreaReduction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

using platform::imaging::AreaReduction;
using platform::imaging::ReductionAxis;

namespace {

// The part of source pixel i inside target pixel x, in units of 1 / target of a picture pixel.
qint64 overlap(const ReductionAxis &axis, int i, int x)
{
    const qint64 t = axis.target;
    const qint64 lo = axis.windowStart * t + qint64(x) * axis.windowLength;
    const qint64 hi = lo + axis.windowLength;
    const qint64 sourceLo = qint64(i) * axis.unit * t;
    const qint64 sourceHi = std::min(qint64(i + 1) * axis.unit, axis.extent) * t;
    return std::max<qint64>(0, std::min(hi, sourceHi) - std::max(lo, sourceLo));
}

// Every target pixel summed over every source pixel, one at a time.
QImage plainReduction(const QImage &source, const ReductionAxis &columns, const ReductionAxis &rows)
{
    const int lanes = source.format() == QImage::Format_Grayscale8 ? 1 : 4;
    QImage out(columns.target, rows.target, source.format());
    for (int ty = 0; ty < rows.target; ++ty) {
        for (int tx = 0; tx < columns.target; ++tx) {
            quint64 sums[4] = {0, 0, 0, 0};
            quint64 total = 0;
            for (int sy = 0; sy < source.height(); ++sy) {
                const qint64 wy = overlap(rows, sy, ty);
                for (int sx = 0; wy > 0 && sx < source.width(); ++sx) {
                    const quint64 w = quint64(wy * overlap(columns, sx, tx));
                    total += w;
                    for (int c = 0; c < lanes; ++c)
                        sums[c] += w * source.constScanLine(sy)[sx * lanes + c];
                }
            }
            for (int c = 0; c < lanes; ++c)
                out.scanLine(ty)[tx * lanes + c] = uchar((sums[c] + total / 2) / total);
        }
    }
    return out;
}

ReductionAxis randomAxis(std::mt19937 &random, int target, int mostPixels = 90, int fewestPixels = 1, int unit = 0)
{
    ReductionAxis axis;
    axis.sourcePixels = fewestPixels + int(random() % uint32_t(mostPixels - fewestPixels + 1));
    axis.unit = unit > 0 ? unit : 1 << (random() % 4);
    // The last source pixel partial or whole; the window anywhere inside what the source covers.
    axis.extent = qint64(axis.sourcePixels - 1) * axis.unit + 1 + qint64(random() % uint32_t(axis.unit));
    axis.windowStart = qint64(random() % uint64_t(axis.extent));
    axis.windowLength = 1 + qint64(random() % uint64_t(axis.extent - axis.windowStart));
    axis.target = target;
    return axis;
}

} // namespace

// Shrinking and stretching, whole pictures and windows of decoder-shrunk ones, in the three
// layouts, with small and large weights: the same bytes as the plain sums.
TEST(AreaReduction, GivesThePlainWeightedMeanOfEveryTargetPixel)
{
    std::mt19937 random(20261210);
    const QImage::Format formats[] = {QImage::Format_Grayscale8, QImage::Format_RGB32,
                                      QImage::Format_ARGB32_Premultiplied};
    for (int round = 0; round < 100; ++round) {
        SCOPED_TRACE(round);
        // Now and then target pixels and source pixels both wider than 2^15 units along one
        // axis (weights above 2^15), the other axis a few pixels; or columns whose sums of 8-bit
        // values pass 32 bits (a line of tens of millions of pixels).
        const bool largeWeights = round % 50 == 0;
        ReductionAxis columns = largeWeights ? randomAxis(random, 2, 9, 5) : randomAxis(random, 1 + int(random() % 60));
        ReductionAxis rows = randomAxis(random, 1 + int(random() % 60));
        if (round % 50 == 25) {
            columns = randomAxis(random, 1 + int(random() % 6), 40, 3, 1 << 22);
            columns.windowStart = random() % (1 << 20);
            columns.windowLength = columns.extent - columns.windowStart;
        }
        if (largeWeights) {
            rows.sourcePixels = 4150 + int(random() % 50);
            rows.unit = 8;
            rows.extent = qint64(rows.sourcePixels) * 8;
            rows.windowStart = random() % 64;
            rows.windowLength = rows.extent - rows.windowStart - random() % 64;
            rows.target = 4096 + int(random() % 8);
            if (round % 100 == 0)
                std::swap(columns, rows);
        }
        const QImage::Format format = formats[round % 3];
        QImage source(columns.sourcePixels, rows.sourcePixels, format);
        for (int y = 0; y < source.height(); ++y)
            for (qsizetype i = 0; i < source.bytesPerLine(); ++i)
                source.scanLine(y)[i] = uchar(random());
        if (format == QImage::Format_ARGB32_Premultiplied)
            source = source.convertToFormat(QImage::Format_ARGB32).convertToFormat(format);

        AreaReduction reduction(columns, rows, format);
        ASSERT_TRUE(reduction.isValid());
        for (int y = 0; y < source.height(); ++y)
            reduction.addRow(source.constScanLine(y));
        const QImage expected = plainReduction(source, columns, rows);
        const QImage ours = reduction.result();
        ASSERT_EQ(ours.size(), expected.size());
        for (int y = 0; y < expected.height(); ++y)
            ASSERT_EQ(0,
                      std::memcmp(ours.constScanLine(y), expected.constScanLine(y),
                                  size_t(expected.width()) * (format == QImage::Format_Grayscale8 ? 1 : 4)))
                << "row " << y;
    }
}

// A layout of Qt's other than the three (palette, 1-bit, 24-bit, straight alpha) is converted a
// band of rows at a time: the same pixels as Qt's conversion of the whole picture, premultiplied,
// across the bands' borders, whether reduced or only converted.
TEST(AreaReduction, ConvertsOtherLayoutsAsQtConvertsTheWholePicture)
{
    std::mt19937 random(20261211);
    QImage colours(3001, 300, QImage::Format_ARGB32);
    for (int y = 0; y < colours.height(); ++y)
        for (qsizetype i = 0; i < colours.bytesPerLine(); ++i)
            colours.scanLine(y)[i] = uchar(y + i / 64 + random() % 16);
    const QImage pictures[] = {colours, colours.convertToFormat(QImage::Format_RGB888),
                               colours.convertToFormat(QImage::Format_Indexed8),
                               colours.convertToFormat(QImage::Format_Mono),
                               colours.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_Indexed8)};
    for (const QImage &picture : pictures) {
        SCOPED_TRACE(int(picture.format()));
        ASSERT_FALSE(picture.isNull());
        QImage whole =
            picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (whole.hasAlphaChannel()) {
            for (int y = 0; y < whole.height(); ++y) {
                auto *line = reinterpret_cast<QRgb *>(whole.scanLine(y));
                for (int x = 0; x < whole.width(); ++x) {
                    const uint a = uint(qAlpha(line[x]));
                    const auto times = [a](int c) { return int((uint(c) * a + 127u) / 255u); };
                    line[x] = qRgba(times(qRed(line[x])), times(qGreen(line[x])), times(qBlue(line[x])), int(a));
                }
            }
            whole.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
        }
        EXPECT_EQ(AreaReduction::reducible(picture), whole);
        EXPECT_EQ(AreaReduction::reduced(picture, QSize(97, 41)), AreaReduction::reduced(whole, QSize(97, 41)));
    }
}
