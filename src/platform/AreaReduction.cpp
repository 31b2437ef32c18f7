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

std::vector<AreaReduction::Span> AreaReduction::spansOf(const ReductionAxis &axis, quint64 &inner)
{
    // Everything in units of 1 / target of a full pixel, so that every bound is an integer.
    const qint64 t = axis.target;
    const qint64 sourceUnit = qint64(axis.unit) * t;
    inner = quint64(sourceUnit);
    std::vector<Span> spans(size_t(axis.target));
    for (int x = 0; x < axis.target; ++x) {
        const qint64 lo = axis.windowStart * t + qint64(x) * axis.windowLength;
        const qint64 hi = lo + axis.windowLength;
        const auto weightOf = [&](qint64 i) {
            const qint64 sourceLo = i * sourceUnit;
            const qint64 sourceHi = std::min((i + 1) * qint64(axis.unit), axis.extent) * t;
            return std::min(hi, sourceHi) - std::max(lo, sourceLo);
        };
        // The source pixels that begin before the window ends, from the one the window begins in.
        qint64 first = std::max<qint64>(0, lo / sourceUnit);
        qint64 last = hi > 0 ? std::min<qint64>(axis.sourcePixels - 1, (hi - 1) / sourceUnit) : -1;
        // Only the axis's last pixel, cut short by the extent, can end before the window begins;
        // every pixel between the first and the last lies wholly inside.
        while (first <= last && weightOf(first) <= 0)
            ++first;
        while (last >= first && weightOf(last) <= 0)
            --last;
        Span &span = spans[size_t(x)];
        if (first > last) {
            const qint64 middle = (lo + hi) / 2;
            span.first = int(std::clamp<qint64>(middle / sourceUnit, 0, axis.sourcePixels - 1));
            span.count = 1;
            span.firstWeight = span.lastWeight = span.total = 1;
            continue;
        }
        span.first = int(first);
        span.count = uint32_t(last - first + 1);
        span.firstWeight = quint64(weightOf(first));
        span.lastWeight = quint64(weightOf(last));
        span.total =
            span.count == 1 ? span.firstWeight : span.firstWeight + span.lastWeight + quint64(span.count - 2) * inner;
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
    columnPixels_ = columns.sourcePixels;
    columnSpans_ = spansOf(columns, columnInner_);
    rowSpans_ = spansOf(rows, rowInner_);
    // A column's sum of 8-bit values taken in 32 bits where it fits.
    narrowColumns_ = std::all_of(columnSpans_.begin(), columnSpans_.end(),
                                 [](const Span &span) { return span.total <= 0xffffffffu / 255u; });
    // The target rows in progress at once: while row t is the oldest, those that begin before it ends.
    const size_t targetRows = rowSpans_.size();
    for (size_t t = 0, u = 0; t < targetRows; ++t) {
        const qint64 end = qint64(rowSpans_[t].first) + rowSpans_[t].count - 1;
        u = std::max(u, t);
        while (u + 1 < targetRows && rowSpans_[u + 1].first <= end)
            ++u;
        mostPending_ = std::max(mostPending_, int(u - t + 1));
    }
    columnSums_.assign(size_t(columns.target) * size_t(lanes_), 0);
    valid_ = true;
}

qint64 AreaReduction::workingBytes() const
{
    // The column sums of one source row, the sums of the target rows in progress, and the spans.
    const qint64 row = qint64(columnSpans_.size()) * lanes_ * qint64(sizeof(quint64));
    return row * (1 + mostPending_) + qint64(columnSpans_.size() + rowSpans_.size()) * qint64(sizeof(Span));
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

    // The row reduced across: one sum per target column and lane; in a long span the pixels between
    // its two edges are added up first and weighed once.
    const size_t lanes = size_t(lanes_);
    if (narrowColumns_) {
        const uint32_t inner = uint32_t(columnInner_); // below 2^32 / 255 wherever a span has inner pixels
        for (size_t x = 0; x < columnSpans_.size(); ++x) {
            const Span &span = columnSpans_[x];
            const uchar *in = row + size_t(span.first) * lanes;
            const uint32_t firstWeight = uint32_t(span.firstWeight);
            const uint32_t lastWeight = uint32_t(span.lastWeight);
            quint64 *out = columnSums_.data() + x * lanes;
            if (span.count <= 4) {
                // A few pixels (a reduction by a small factor): one weight after the other.
                const uint32_t weights[4] = {firstWeight, span.count == 2 ? lastWeight : inner,
                                             span.count == 3 ? lastWeight : inner, lastWeight};
                if (lanes == 4) {
                    uint32_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
                    for (uint32_t i = 0; i < span.count; ++i, in += 4) {
                        s0 += weights[i] * in[0];
                        s1 += weights[i] * in[1];
                        s2 += weights[i] * in[2];
                        s3 += weights[i] * in[3];
                    }
                    out[0] = s0;
                    out[1] = s1;
                    out[2] = s2;
                    out[3] = s3;
                } else {
                    uint32_t sum = 0;
                    for (uint32_t i = 0; i < span.count; ++i)
                        sum += weights[i] * in[i];
                    out[0] = sum;
                }
            } else if (lanes == 4) {
                uint32_t s0 = firstWeight * in[0], s1 = firstWeight * in[1], s2 = firstWeight * in[2],
                         s3 = firstWeight * in[3];
                const uchar *end = in + size_t(span.count - 1) * 4;
                uint32_t a0 = 0, a1 = 0, a2 = 0, a3 = 0;
                for (const uchar *p = in + 4; p != end; p += 4) {
                    a0 += p[0];
                    a1 += p[1];
                    a2 += p[2];
                    a3 += p[3];
                }
                s0 += inner * a0 + lastWeight * end[0];
                s1 += inner * a1 + lastWeight * end[1];
                s2 += inner * a2 + lastWeight * end[2];
                s3 += inner * a3 + lastWeight * end[3];
                out[0] = s0;
                out[1] = s1;
                out[2] = s2;
                out[3] = s3;
            } else {
                const uchar *end = in + span.count - 1;
                uint32_t between = 0;
                for (const uchar *p = in + 1; p != end; ++p)
                    between += *p;
                out[0] = firstWeight * in[0] + inner * between + lastWeight * *end;
            }
        }
    } else {
        for (size_t x = 0; x < columnSpans_.size(); ++x) {
            const Span &span = columnSpans_[x];
            const uchar *in = row + size_t(span.first) * lanes;
            quint64 *out = columnSums_.data() + x * lanes;
            for (size_t c = 0; c < lanes; ++c)
                out[c] = span.firstWeight * in[c];
            if (span.count > 1) {
                const uchar *end = in + size_t(span.count - 1) * lanes;
                quint64 between[4] = {0, 0, 0, 0};
                for (const uchar *p = in + lanes; p != end; p += lanes)
                    for (size_t c = 0; c < lanes; ++c)
                        between[c] += p[c];
                for (size_t c = 0; c < lanes; ++c)
                    out[c] += columnInner_ * between[c] + span.lastWeight * end[c];
            }
        }
    }

    // Added to every target row it reaches, with the part of it that falls into that row.
    for (int t = firstPending_; t < targetRows && rowSpans_[size_t(t)].first <= y; ++t) {
        const Span &span = rowSpans_[size_t(t)];
        const uint32_t index = uint32_t(y - span.first);
        if (index >= span.count)
            continue;
        while (pending_.size() <= size_t(t - firstPending_))
            pending_.push_back(freshSums());
        std::vector<quint64> &sums = pending_[size_t(t - firstPending_)];
        const quint64 w = span.weightAt(index, rowInner_);
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

QImage::Format AreaReduction::reducibleFormat(const QImage &image)
{
    switch (image.format()) {
    case QImage::Format_Invalid:
        return QImage::Format_Invalid;
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
        return QImage::Format_Grayscale8;
    case QImage::Format_RGB32:
    case QImage::Format_RGBX64:
        return QImage::Format_RGB32;
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
        return QImage::Format_ARGB32_Premultiplied;
    default:
        return image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    }
}

const uchar *AreaReduction::reducibleRow(const QImage &image, int y, std::vector<uchar> &row, QImage &band,
                                         int &bandStart)
{
    const int width = image.width();
    switch (image.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return image.constScanLine(y);
    case QImage::Format_Grayscale16: {
        row.resize(size_t(width));
        const auto *in = reinterpret_cast<const quint16 *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            row[size_t(x)] = uchar(to8(in[x]));
        return row.data();
    }
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied: {
        const bool opaque = image.format() == QImage::Format_RGBX64;
        const bool alreadyPremultiplied = image.format() == QImage::Format_RGBA64_Premultiplied;
        row.resize(size_t(width) * 4);
        // Four 16-bit samples a pixel, red first, in the machine's byte order.
        const auto *in = reinterpret_cast<const quint16 *>(image.constScanLine(y));
        auto *line = reinterpret_cast<QRgb *>(row.data());
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
        return row.data();
    }
    default:
        break;
    }
    // Any other layout: its 8-bit colours as Qt reads them (palette and 1-bit pictures through
    // their colour table), a band of rows of about a mebibyte at a time, premultiplied here.
    if (band.isNull() || y < bandStart || y >= bandStart + band.height()) {
        constexpr qint64 kBandBytes = 1 << 20;
        const int rows = int(std::clamp<qint64>(kBandBytes / (qint64(width) * 4), 1, image.height() - y));
        band = image.copy(0, y, width, rows)
                   .convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        bandStart = y;
        if (band.isNull())
            return nullptr;
    }
    const auto *in = reinterpret_cast<const QRgb *>(band.constScanLine(y - bandStart));
    if (band.format() == QImage::Format_RGB32)
        return reinterpret_cast<const uchar *>(in);
    row.resize(size_t(width) * 4);
    auto *line = reinterpret_cast<QRgb *>(row.data());
    for (int x = 0; x < width; ++x) {
        const uint a = uint(qAlpha(in[x]));
        line[x] = qRgba(int(premultiplied(uint(qRed(in[x])), a)), int(premultiplied(uint(qGreen(in[x])), a)),
                        int(premultiplied(uint(qBlue(in[x])), a)), int(a));
    }
    return row.data();
}

QImage AreaReduction::reducible(const QImage &image)
{
    const QImage::Format format = reducibleFormat(image);
    if (format == QImage::Format_Invalid || image.format() == format)
        return image;
    QImage out(image.width(), image.height(), format);
    if (out.isNull())
        return {};
    const size_t rowBytes = size_t(image.width()) * size_t(lanesOf(format));
    std::vector<uchar> row;
    QImage band;
    int bandStart = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *line = reducibleRow(image, y, row, band, bandStart);
        if (!line)
            return {};
        std::memcpy(out.scanLine(y), line, rowBytes);
    }
    return out;
}

void AreaReduction::addRows(const QImage &image)
{
    if (!valid_ || image.width() != columnPixels_ || reducibleFormat(image) != result_.format())
        return;
    std::vector<uchar> row;
    QImage band;
    int bandStart = 0;
    for (int y = 0; y < image.height() && nextSourceRow_ < rowAxis_.sourcePixels; ++y) {
        const uchar *line = reducibleRow(image, y, row, band, bandStart);
        if (!line)
            return; // out of memory: the result stays null
        addRow(line);
    }
}

QImage AreaReduction::reduced(const QImage &image, QSize size)
{
    if (image.isNull() || size.isEmpty())
        return {};
    if (image.size() == size)
        return reducible(image);
    AreaReduction reduction(ReductionAxis::plain(image.width(), size.width()),
                            ReductionAxis::plain(image.height(), size.height()), reducibleFormat(image));
    if (!reduction.isValid())
        return {};
    reduction.addRows(image);
    return reduction.result();
}

} // namespace platform::imaging
