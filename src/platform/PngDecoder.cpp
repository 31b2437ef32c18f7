#include "platform/PngDecoder.h"

#include "platform/DecodeBudget.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"

#include <png.h>

#include <array>
#include <csetjmp>
#include <cstring>
#include <vector>

namespace platform::imaging {

namespace {

constexpr qint64 kReadAhead = 64 * 1024;
// zlib's inflate state and window, and libpng's own row buffers beside ours.
constexpr qint64 kLibraryBytes = 64 * 1024;

inline uint to8(uint v16)
{
    return (v16 * 255u + 32767u) / 65535u;
}

inline uint premultiplied(uint c, uint a)
{
    return (c * a + 127u) / 255u;
}

inline QRgb premultipliedRgba(uint r, uint g, uint b, uint a)
{
    return qRgba(int(premultiplied(r, a)), int(premultiplied(g, a)), int(premultiplied(b, a)), int(a));
}

} // namespace

bool headIsPng(const QByteArray &head)
{
    static const char signature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
    return head.size() >= 8 && std::memcmp(head.constData(), signature, 8) == 0;
}

struct PngDecoder::State {
    QString path;
    const RegularFile *file = nullptr;
    QByteArray buffer;
    qint64 bufferStart = 0;
    qint64 bufferPosition = 0;

    png_structp png = nullptr;
    png_infop info = nullptr;
    // libpng's last error, taken by the error callback before it leaves libpng.
    char message[200] = {};
    bool valid = false;

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    int passes = 1;
    size_t rowBytes = 0;
    bool hasTransparentColour = false;
    png_color_16 transparent{};
    std::array<QRgb, 256> palette{};
    int paletteEntries = 0;
    QImage::Format format = QImage::Format_Invalid;

    std::vector<png_byte> stored; // one row, or the whole picture when interlaced
    std::vector<QRgb> converted;  // one row in the reduction's layout (grey uses its bytes)

    ~State()
    {
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }

    bool refill()
    {
        bufferStart += buffer.size();
        buffer = file->readAt(bufferStart, kReadAhead);
        bufferPosition = 0;
        return !buffer.isEmpty();
    }

    bool readHeader();
    bool readRows(AreaReduction &reduction);
    void choosePixels();
    void convertRow(const png_byte *in, uchar *out) const;
    void logDamaged() const
    {
        logSkippedFile(lcPlatform(), path, SkipReason::Damaged,
                       message[0] ? QString::fromLatin1(message) : QStringLiteral("not a readable PNG"));
    }
};

extern "C" {

static void pngReadData(png_structp png, png_bytep data, size_t length)
{
    auto *state = static_cast<PngDecoder::State *>(png_get_io_ptr(png));
    while (length > 0) {
        if (state->bufferPosition >= state->buffer.size() && !state->refill())
            png_error(png, "the file ends early");
        const size_t part = std::min<size_t>(length, size_t(state->buffer.size() - state->bufferPosition));
        std::memcpy(data, state->buffer.constData() + state->bufferPosition, part);
        state->bufferPosition += qint64(part);
        data += part;
        length -= part;
    }
}

static void pngError(png_structp png, png_const_charp message)
{
    auto *state = static_cast<PngDecoder::State *>(png_get_error_ptr(png));
    qstrncpy(state->message, message ? message : "", sizeof(state->message));
    png_longjmp(png, 1);
}

static void pngWarning(png_structp, png_const_charp)
{
    // A warning (an ancillary chunk with a bad checksum or value, left out by libpng) does not
    // keep the picture from decoding; Qt's reader leaves the same ones out of its log.
}

} // extern "C"

// The functions that call setjmp hold no object with a destructor: libpng's errors leave through
// longjmp.
bool PngDecoder::State::readHeader()
{
    if (setjmp(png_jmpbuf(png)))
        return false;
#if defined(PNG_SET_OPTION_SUPPORTED) && defined(PNG_MAXIMUM_INFLATE_WINDOW)
    // As Qt's reader: a little more memory for files whose compressed stream claims too small a window.
    png_set_option(png, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
#endif
    png_set_read_fn(png, this, pngReadData);
    // Texts, colour profiles and metadata are not needed for the pixels (Qt's reader leaves the
    // profile as a tag, not a conversion): left unread, so a text that unpacks to gigabytes costs
    // nothing.
    static const png_byte ignored[] = "zTXt\0tEXt\0iTXt\0iCCP\0eXIf\0sPLT";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, ignored, 6);
    png_read_info(png, info);
    int interlace = PNG_INTERLACE_NONE;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    rowBytes = png_get_rowbytes(png, info);
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    png_color_16p colour = nullptr;
    std::array<uchar, 256> entryAlpha;
    entryAlpha.fill(255);
    if (png_get_tRNS(png, info, &alpha, &alphaCount, &colour)) {
        if (colorType == PNG_COLOR_TYPE_PALETTE) {
            for (int i = 0; i < alphaCount && i < 256 && alpha; ++i)
                entryAlpha[size_t(i)] = alpha[i];
        } else if (colour) {
            hasTransparentColour = true;
            transparent = *colour;
        }
    }
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp entries = nullptr;
        int count = 0;
        if (!png_get_PLTE(png, info, &entries, &count) || !entries)
            png_error(png, "no palette");
        paletteEntries = std::min(count, 256);
        for (int i = 0; i < paletteEntries; ++i)
            palette[size_t(i)] =
                premultipliedRgba(entries[i].red, entries[i].green, entries[i].blue, entryAlpha[size_t(i)]);
    }
    return true;
}

void PngDecoder::State::choosePixels()
{
    bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) || hasTransparentColour;
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        // Qt's reader: a 1-bit picture keeps its table of black and white where the palette has
        // fewer entries, a deeper one takes entry 0 for an index past its palette.
        if (bitDepth == 1) {
            if (paletteEntries < 1)
                palette[0] = qRgb(0, 0, 0);
            if (paletteEntries < 2)
                palette[1] = qRgb(255, 255, 255);
        } else {
            for (int i = paletteEntries; i < 256; ++i)
                palette[size_t(i)] = palette[0];
        }
        for (const QRgb entry : palette)
            alpha = alpha || qAlpha(entry) != 255;
    }
    if (colorType == PNG_COLOR_TYPE_GRAY && !hasTransparentColour)
        format = QImage::Format_Grayscale8;
    else
        format = alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
}

void PngDecoder::State::convertRow(const png_byte *in, uchar *out) const
{
    const int w = int(width);
    auto *rgba = reinterpret_cast<QRgb *>(out);
    auto sample16 = [in](int i) { return (uint(in[2 * i]) << 8) | uint(in[2 * i + 1]); };
    // A sample of fewer than 8 bits (pixel x of a grey or palette row).
    auto packed = [in, this](int x) {
        const int bit = x * bitDepth;
        return (uint(in[bit / 8]) >> (8 - bitDepth - bit % 8)) & ((1u << bitDepth) - 1u);
    };
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY: {
        const uint scale = bitDepth == 1 ? 255u : bitDepth == 2 ? 85u : bitDepth == 4 ? 17u : 1u;
        for (int x = 0; x < w; ++x) {
            const uint raw = bitDepth == 16 ? sample16(x) : bitDepth == 8 ? uint(in[x]) : packed(x);
            const uint grey = bitDepth == 16 ? to8(raw) : raw * scale;
            if (format == QImage::Format_Grayscale8)
                out[x] = uchar(grey);
            else
                rgba[x] = raw == transparent.gray ? qRgba(0, 0, 0, 0) : qRgb(int(grey), int(grey), int(grey));
        }
        break;
    }
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        for (int x = 0; x < w; ++x) {
            const uint grey = bitDepth == 16 ? to8(sample16(2 * x)) : in[2 * x];
            const uint a = bitDepth == 16 ? to8(sample16(2 * x + 1)) : in[2 * x + 1];
            rgba[x] = premultipliedRgba(grey, grey, grey, a);
        }
        break;
    case PNG_COLOR_TYPE_RGB:
        for (int x = 0; x < w; ++x) {
            uint r, g, b;
            bool clear = false;
            if (bitDepth == 16) {
                r = sample16(3 * x);
                g = sample16(3 * x + 1);
                b = sample16(3 * x + 2);
                clear = hasTransparentColour && r == transparent.red && g == transparent.green && b == transparent.blue;
                r = to8(r);
                g = to8(g);
                b = to8(b);
            } else {
                r = in[3 * x];
                g = in[3 * x + 1];
                b = in[3 * x + 2];
                // libpng compares the low byte of the transparent colour at this depth.
                clear = hasTransparentColour && r == (transparent.red & 0xffu) && g == (transparent.green & 0xffu)
                    && b == (transparent.blue & 0xffu);
            }
            rgba[x] = clear ? qRgba(0, 0, 0, 0) : qRgb(int(r), int(g), int(b));
        }
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        for (int x = 0; x < w; ++x) {
            if (bitDepth == 16)
                rgba[x] = premultipliedRgba(to8(sample16(4 * x)), to8(sample16(4 * x + 1)), to8(sample16(4 * x + 2)),
                                            to8(sample16(4 * x + 3)));
            else
                rgba[x] = premultipliedRgba(in[4 * x], in[4 * x + 1], in[4 * x + 2], in[4 * x + 3]);
        }
        break;
    case PNG_COLOR_TYPE_PALETTE:
        for (int x = 0; x < w; ++x)
            rgba[x] = palette[bitDepth == 8 ? in[x] : packed(x)];
        break;
    default:
        break;
    }
}

bool PngDecoder::State::readRows(AreaReduction &reduction)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    if (passes > 1) {
        // Every pass fills part of every row: the rows are complete only after the last one.
        for (int pass = 0; pass < passes; ++pass)
            for (png_uint_32 y = 0; y < height; ++y)
                png_read_row(png, stored.data() + size_t(y) * rowBytes, nullptr);
        for (png_uint_32 y = 0; y < height; ++y) {
            convertRow(stored.data() + size_t(y) * rowBytes, reinterpret_cast<uchar *>(converted.data()));
            reduction.addRow(reinterpret_cast<const uchar *>(converted.data()));
        }
        return true;
    }
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(png, stored.data(), nullptr);
        convertRow(stored.data(), reinterpret_cast<uchar *>(converted.data()));
        reduction.addRow(reinterpret_cast<const uchar *>(converted.data()));
    }
    return true;
}

PngDecoder::PngDecoder(const QString &path, const RegularFile &file)
    : d_(std::make_unique<State>())
{
    d_->path = path;
    d_->file = &file;
    d_->bufferStart = 0;
    d_->buffer = file.readAt(0, kReadAhead);
    d_->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, d_.get(), pngError, pngWarning);
    if (d_->png)
        d_->info = png_create_info_struct(d_->png);
    if (!d_->png || !d_->info) {
        qstrncpy(d_->message, "out of memory", sizeof(d_->message));
        d_->logDamaged();
        return;
    }
    if (!d_->readHeader() || d_->width == 0 || d_->height == 0 || d_->width > 0x7fffffffu || d_->height > 0x7fffffffu) {
        d_->logDamaged();
        return;
    }
    d_->choosePixels();
    d_->valid = true;
}

PngDecoder::~PngDecoder() = default;

bool PngDecoder::isValid() const
{
    return d_->valid;
}

QSize PngDecoder::size() const
{
    return d_->valid ? QSize(int(d_->width), int(d_->height)) : QSize();
}

QImage::Format PngDecoder::format() const
{
    return d_->format;
}

qint64 PngDecoder::decodeBytes() const
{
    if (!d_->valid)
        return 0;
    const qint64 rows = d_->passes > 1 ? qint64(d_->height) : 1;
    return qint64(d_->rowBytes) * rows + qint64(d_->width) * 4 + kReadAhead + kLibraryBytes;
}

bool PngDecoder::decodeInto(AreaReduction &reduction)
{
    if (!d_->valid || !reduction.isValid())
        return false;
    try {
        d_->stored.assign(d_->rowBytes * (d_->passes > 1 ? size_t(d_->height) : 1), 0);
        d_->converted.assign(d_->width, 0);
    } catch (const std::bad_alloc &) {
        qstrncpy(d_->message, "out of memory", sizeof(d_->message));
        d_->logDamaged();
        return false;
    }
    d_->valid = false; // one decode per reading
    if (!d_->readRows(reduction)) {
        d_->logDamaged();
        return false;
    }
    return !reduction.result().isNull();
}

std::optional<QImage> PngDecoder::decodeReduced(const ReductionAxis &columns, const ReductionAxis &rows)
{
    AreaReduction reduction(columns, rows, format());
    if (!reduction.isValid())
        return std::nullopt;
    {
        DecodeBudget budget(
            budgetShare(decodeBytes() + reduction.workingBytes() + qint64(columns.target) * rows.target * 4));
        if (!decodeInto(reduction))
            return std::nullopt;
    }
    return reduction.result();
}

} // namespace platform::imaging
