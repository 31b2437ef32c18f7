#include "platform/AreaReduction.h"

#include <algorithm>
#include <cstring>

namespace platform::imaging {

namespace {

int lanesOf(QImage::Format format)
{
    switch (format) {
    case QImage::Format_Grayscale8:
        return 1;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return 4;
    default:
        return 0;
    }
}

// Below this, a sum of 8-bit values weighed to `total` stays below 2^48: ExactDivision takes it.
constexpr quint64 kFastDivisorLimit = quint64(1) << 40;

inline uint to8(quint16 v)
{
    return (uint(v) * 255u + 32767u) / 65535u;
}

inline uint premultiplied(uint c, uint a)
{
    return (c * a + 127u) / 255u;
}

} // namespace

void AreaReduction::ExactDivision::prepare(quint64 d)
{
    if (d == divisor)
        return;
    // floor(n / d) as floor(n * m / 2^shift) with m = ceil(2^shift / d), shift = 56 + ceil(log2 d):
    // exact for every n below 2^56 (Granlund and Montgomery, division by invariant integers).
    divisor = d;
    int bits = 0;
    while (bits < 63 && (quint64(1) << bits) < d)
        ++bits;
    shift = 56 + bits;
    const unsigned __int128 power = static_cast<unsigned __int128>(1) << shift;
    magic = power / d + (power % d != 0 ? 1 : 0);
}

bool ReductionAxis::isValid() const
{
    return sourcePixels > 0 && unit > 0 && extent > 0 && windowLength > 0 && target > 0
        && qint64(sourcePixels - 1) * unit < extent;
}

std::vector<AreaReduction::Span> AreaReduction::spansOf(const ReductionAxis &axis, std::vector<quint64> &weights)
{
    // Everything in units of 1 / target of a full pixel, so that every bound is an integer.
    const qint64 t = axis.target;
    const qint64 sourceUnit = qint64(axis.unit) * t;
    std::vector<Span> spans(size_t(axis.target));
    for (int x = 0; x < axis.target; ++x) {
        const qint64 lo = axis.windowStart * t + qint64(x) * axis.windowLength;
        const qint64 hi = lo + axis.windowLength;
        Span &span = spans[size_t(x)];
        const qint64 firstCandidate = std::max<qint64>(0, lo / sourceUnit);
        span.first = -1;
        span.offset = uint32_t(weights.size());
        for (qint64 i = firstCandidate; i < axis.sourcePixels && i * sourceUnit < hi; ++i) {
            const qint64 sourceLo = i * sourceUnit;
            const qint64 sourceHi = std::min((i + 1) * qint64(axis.unit), axis.extent) * t;
            const qint64 weight = std::min(hi, sourceHi) - std::max(lo, sourceLo);
            if (weight <= 0)
                continue;
            if (span.first < 0)
                span.first = int(i);
            weights.push_back(quint64(weight));
            ++span.count;
            span.total += quint64(weight);
        }
        if (span.count == 0) {
            const qint64 middle = (lo + hi) / 2;
            span.first = int(std::clamp<qint64>(middle / sourceUnit, 0, axis.sourcePixels - 1));
            weights.push_back(1);
            span.count = 1;
            span.total = 1;
        }
    }
    return spans;
}

AreaReduction::AreaReduction(const ReductionAxis &columns, const ReductionAxis &rows, QImage::Format format)
    : lanes_(lanesOf(format))
    , rowAxis_(rows)
{
    if (lanes_ == 0 || !columns.isValid() || !rows.isValid())
        return;
    result_ = QImage(columns.target, rows.target, format);
    if (result_.isNull())
        return;
    columnSpans_ = spansOf(columns, wideColumnWeights_);
    rowSpans_ = spansOf(rows, rowWeights_);
    // The column weights laid out flat, in 32 bits when a column's sum of 8-bit values fits.
    narrowColumns_ = std::all_of(columnSpans_.begin(), columnSpans_.end(),
                                 [](const Span &span) { return span.total <= 0xffffffffu / 255u; });
    if (narrowColumns_)
        columnWeights_.assign(wideColumnWeights_.begin(), wideColumnWeights_.end());
    columnSums_.assign(size_t(columns.target) * size_t(lanes_), 0);
    valid_ = true;
}

qint64 AreaReduction::workingBytes() const
{
    // The column sums of one row and the target rows in progress (a few at most), and the spans.
    const qint64 row = qint64(columnSpans_.size()) * lanes_ * qint64(sizeof(quint64));
    return row * 4 + qint64(columnSpans_.size() + rowSpans_.size()) * qint64(sizeof(Span) + 2 * sizeof(quint64));
}

void AreaReduction::addRow(const uchar *row)
{
    if (!valid_ || nextSourceRow_ >= rowAxis_.sourcePixels)
        return;
    const int y = nextSourceRow_++;
    const int targetRows = int(rowSpans_.size());
    // A row outside the window (a part of a picture) reaches no target row.
    bool reaches = false;
    for (int t = firstPending_; t < targetRows && rowSpans_[size_t(t)].first <= y && !reaches; ++t)
        reaches = uint32_t(y - rowSpans_[size_t(t)].first) < rowSpans_[size_t(t)].count;
    if (!reaches)
        return;

    // The row reduced across: one sum per target column and lane.
    const size_t lanes = size_t(lanes_);
    if (narrowColumns_) {
        for (size_t x = 0; x < columnSpans_.size(); ++x) {
            const uchar *in = row + size_t(columnSpans_[x].first) * lanes;
            const uint32_t *w = columnWeights_.data() + columnSpans_[x].offset;
            const uint32_t *end = w + columnSpans_[x].count;
            quint64 *out = columnSums_.data() + x * lanes;
            if (lanes == 4) {
                uint32_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
                for (; w != end; ++w, in += 4) {
                    s0 += *w * in[0];
                    s1 += *w * in[1];
                    s2 += *w * in[2];
                    s3 += *w * in[3];
                }
                out[0] = s0;
                out[1] = s1;
                out[2] = s2;
                out[3] = s3;
            } else {
                uint32_t sum = 0;
                for (; w != end; ++w)
                    sum += *w * *in++;
                out[0] = sum;
            }
        }
    } else {
        for (size_t x = 0; x < columnSpans_.size(); ++x) {
            const Span &span = columnSpans_[x];
            const uchar *in = row + size_t(span.first) * lanes;
            quint64 *out = columnSums_.data() + x * lanes;
            for (size_t c = 0; c < lanes; ++c)
                out[c] = 0;
            for (uint32_t i = 0; i < span.count; ++i) {
                const quint64 w = wideColumnWeights_[span.offset + i];
                for (size_t c = 0; c < lanes; ++c)
                    out[c] += w * in[c];
                in += lanes;
            }
        }
    }

    // Added to every target row it reaches, with the part of it that falls into that row.
    for (int t = firstPending_; t < targetRows && rowSpans_[size_t(t)].first <= y; ++t) {
        const Span &span = rowSpans_[size_t(t)];
        const size_t index = size_t(y - span.first);
        if (index >= span.count)
            continue;
        while (pending_.size() <= size_t(t - firstPending_))
            pending_.push_back(freshSums());
        std::vector<quint64> &sums = pending_[size_t(t - firstPending_)];
        const quint64 w = rowWeights_[span.offset + index];
        for (size_t i = 0; i < sums.size(); ++i)
            sums[i] += w * columnSums_[i];
    }
    // Target rows whose last source row this was are complete.
    while (firstPending_ < targetRows) {
        const Span &span = rowSpans_[size_t(firstPending_)];
        if (span.first + int(span.count) - 1 > y)
            break;
        if (pending_.empty())
            pending_.push_back(freshSums());
        emitRow(firstPending_, pending_.front());
        spare_.push_back(std::move(pending_.front()));
        pending_.pop_front();
        ++firstPending_;
    }
}

std::vector<quint64> AreaReduction::freshSums()
{
    if (spare_.empty())
        return std::vector<quint64>(columnSums_.size(), 0);
    std::vector<quint64> sums = std::move(spare_.back());
    spare_.pop_back();
    std::fill(sums.begin(), sums.end(), 0);
    return sums;
}

void AreaReduction::emitRow(int targetRow, const std::vector<quint64> &sums)
{
    const quint64 rowTotal = rowSpans_[size_t(targetRow)].total;
    uchar *out = result_.scanLine(targetRow);
    const size_t lanes = size_t(lanes_);
    for (size_t x = 0; x < columnSpans_.size(); ++x) {
        const quint64 total = rowTotal * columnSpans_[x].total;
        if (total < kFastDivisorLimit) {
            division_.prepare(total);
            for (size_t c = 0; c < lanes; ++c)
                out[x * lanes + c] = uchar(division_.of(sums[x * lanes + c] + total / 2));
        } else {
            for (size_t c = 0; c < lanes; ++c)
                out[x * lanes + c] = uchar((sums[x * lanes + c] + total / 2) / total);
        }
    }
}

QImage AreaReduction::reducible(const QImage &image)
{
    if (image.isNull())
        return {};
    const int width = image.width();
    const int height = image.height();
    switch (image.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return image;
    case QImage::Format_Grayscale16: {
        QImage out(width, height, QImage::Format_Grayscale8);
        if (out.isNull())
            return {};
        for (int y = 0; y < height; ++y) {
            const auto *in = reinterpret_cast<const quint16 *>(image.constScanLine(y));
            uchar *line = out.scanLine(y);
            for (int x = 0; x < width; ++x)
                line[x] = uchar(to8(in[x]));
        }
        return out;
    }
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied: {
        const bool opaque = image.format() == QImage::Format_RGBX64;
        const bool alreadyPremultiplied = image.format() == QImage::Format_RGBA64_Premultiplied;
        QImage out(width, height, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
        if (out.isNull())
            return {};
        for (int y = 0; y < height; ++y) {
            // Four 16-bit samples a pixel, red first, in the machine's byte order.
            const auto *in = reinterpret_cast<const quint16 *>(image.constScanLine(y));
            auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
            for (int x = 0; x < width; ++x, in += 4) {
                const uint a = opaque ? 255u : to8(in[3]);
                uint r = to8(in[0]), g = to8(in[1]), b = to8(in[2]);
                if (!opaque && !alreadyPremultiplied) {
                    r = premultiplied(r, a);
                    g = premultiplied(g, a);
                    b = premultiplied(b, a);
                }
                line[x] = qRgba(int(r), int(g), int(b), int(a));
            }
        }
        return out;
    }
    default:
        break;
    }
    // Any other layout: its 8-bit colours as Qt reads them (palette and 1-bit pictures through
    // their colour table), premultiplied here.
    const QImage argb = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (argb.isNull() || argb.format() == QImage::Format_RGB32)
        return argb;
    QImage out(width, height, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return {};
    for (int y = 0; y < height; ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const uint a = uint(qAlpha(in[x]));
            line[x] = qRgba(int(premultiplied(uint(qRed(in[x])), a)), int(premultiplied(uint(qGreen(in[x])), a)),
                            int(premultiplied(uint(qBlue(in[x])), a)), int(a));
        }
    }
    return out;
}

QImage AreaReduction::reduced(const QImage &image, QSize size)
{
    const QImage source = reducible(image);
    if (source.isNull() || size.isEmpty())
        return {};
    if (source.size() == size)
        return source;
    AreaReduction reduction(ReductionAxis::plain(source.width(), size.width()),
                            ReductionAxis::plain(source.height(), size.height()), source.format());
    if (!reduction.isValid())
        return {};
    for (int y = 0; y < source.height(); ++y)
        reduction.addRow(source.constScanLine(y));
    return reduction.result();
}

} // namespace platform::imaging
