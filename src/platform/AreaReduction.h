#pragma once

// The one reduction every picture takes on its way to a thumbnail, a preview or the hash bitmap:
// area averaging in integers of our own, so the same pixels give the same result whatever release
// of Qt or of a decoder is installed, and a picture reaches its size by the same arithmetic
// whether its decoder gave it whole or already shrunk. Each target pixel is the mean of the part of
// the picture it covers, every source pixel weighed by the area of it that falls inside; rows can
// be fed one at a time, so a decoder that delivers rows needs only one of them in memory. What the
// reduction holds besides its result grows with the target alone, never with the source: a target
// pixel keeps the two partial weights at the edges of the part it covers (every source pixel
// between them counts whole), so a line of millions of pixels costs no more than a square.
//
// Pixels are reduced as they are stored, byte by byte: Format_Grayscale8 (one byte), Format_RGB32
// and Format_ARGB32_Premultiplied (four; transparent parts count as black, as in the premultiplied
// colour). Other formats are first turned into one of those by `reducible`.

#include <QImage>
#include <QSize>
#include <QtGlobal>

#include <cstdint>
#include <deque>
#include <vector>

namespace platform::imaging {

// One axis of a reduction, in the pixels of the full picture: the source's pixels each cover `unit`
// of them from 0 on (the last one up to `extent` at most: a decoder that shrinks by a factor gives
// a partial pixel at the edge, or leaves it out), and the `target` pixels divide the window
// [windowStart, windowStart + windowLength) evenly. A target pixel that no source pixel reaches
// (a window past what the source covers) takes the nearest source pixel.
struct ReductionAxis {
    int sourcePixels = 0;
    int unit = 1;
    qint64 extent = 0;
    qint64 windowStart = 0;
    qint64 windowLength = 0;
    int target = 0;

    // `from` pixels stretched or shrunk over `to`.
    static ReductionAxis plain(int from, int to) { return {from, 1, from, 0, from, to}; }
    bool isValid() const;
};

class AreaReduction
{
public:
    // `format` is one of the three formats above, the format of the rows fed and of the result.
    AreaReduction(const ReductionAxis &columns, const ReductionAxis &rows, QImage::Format format);

    // False when an axis is empty or the format is not one of the three; nothing can be fed then.
    bool isValid() const { return valid_; }
    int bytesPerPixel() const { return lanes_; }
    // Memory the reduction holds besides its result (a few rows of the target's sums and its spans).
    qint64 workingBytes() const;

    // Feeds the next source row, rows.sourcePixels of them in order from the top.
    void addRow(const uchar *row);
    // The reduced picture once every source row was fed (null before, or when it cannot be made).
    QImage result() const { return valid_ && nextSourceRow_ == rowAxis_.sourcePixels ? result_ : QImage(); }

    // The picture in one of the three formats: grey stays grey, a picture without alpha becomes
    // RGB32, any other becomes premultiplied ARGB32. 16-bit samples are rounded to 8 bits
    // (v * 255 / 65535) and colours premultiplied ((c * a + 127) / 255) here rather than through a
    // conversion of Qt's; palette and 1-bit pictures take their colour table's entries.
    static QImage reducible(const QImage &image);
    // The format `reducible` gives `image`.
    static QImage::Format reducibleFormat(const QImage &image);
    // Feeds every row of `image` (the reduction made for its rows and reducibleFormat(image)) as
    // `reducible` gives it, converted a row at a time rather than the whole picture at once.
    void addRows(const QImage &image);
    // `image` averaged down (or stretched) to `size`, in the format `reducible` gives; of a picture in
    // another format only one converted row is held at a time.
    static QImage reduced(const QImage &image, QSize size);

private:
    // The source pixels first ... first + count - 1 reach a target pixel: the first and the last of
    // them in part (their weights here), every one between them whole (the axis's `inner` weight).
    struct Span {
        int first = 0;
        uint32_t count = 0;
        quint64 firstWeight = 0;
        quint64 lastWeight = 0;
        quint64 total = 0;
        quint64 weightAt(uint32_t index, quint64 inner) const
        {
            return index == 0 ? firstWeight : index + 1 == count ? lastWeight : inner;
        }
    };
    // The spans of an axis's target pixels, worked out from the bounds alone; `inner` receives the
    // weight of a whole source pixel.
    static std::vector<Span> spansOf(const ReductionAxis &axis, quint64 &inner);
    // Division by one divisor many times over, through a multiplication.
    struct ExactDivision {
        quint64 divisor = 0;
        unsigned __int128 magic = 0;
        int shift = 0;
        void prepare(quint64 d);
        quint64 of(quint64 n) const { return quint64((static_cast<unsigned __int128>(n) * magic) >> shift); }
    };
    // Row y of `image` in the layout `reducible` gives, in `row` (or `image`'s own row when it is
    // in that layout already); `band` keeps the band of rows converted by Qt last, from `bandStart`.
    static const uchar *reducibleRow(const QImage &image, int y, std::vector<uchar> &row, QImage &band, int &bandStart);

    void emitRow(int targetRow, const std::vector<quint64> &sums);
    std::vector<quint64> freshSums();

    bool valid_ = false;
    int lanes_ = 0;
    ReductionAxis rowAxis_;
    int columnPixels_ = 0;
    std::vector<Span> columnSpans_;
    quint64 columnInner_ = 0;
    bool narrowColumns_ = false;
    std::vector<Span> rowSpans_;
    quint64 rowInner_ = 0;
    // The most target rows in progress at once.
    int mostPending_ = 1;
    std::vector<quint64> columnSums_;
    // Sums of the target rows begun and not yet complete, from firstPending_ on.
    std::deque<std::vector<quint64>> pending_;
    std::vector<std::vector<quint64>> spare_; // emitted rows' sums, for reuse
    int firstPending_ = 0;
    int nextSourceRow_ = 0;
    ExactDivision division_;
    QImage result_;
};

} // namespace platform::imaging
