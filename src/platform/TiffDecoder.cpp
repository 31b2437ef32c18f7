#include "platform/TiffDecoder.h"

#include "platform/AreaReduction.h"
#include "platform/DecodeBudget.h"
#include "platform/ImageThumbnails.h"
#include "platform/Log.h"
#include "platform/MetadataBound.h"
#include "platform/RegularFile.h"
#include "platform/TiffDirectoryWalk.h"

#include <QFloat16>
#include <QSet>

#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <vector>

namespace platform::imaging {

bool headIsTiff(const QByteArray &head)
{
    if (head.size() < 4)
        return false;
    const char *h = head.constData();
    return (h[0] == 'I' && h[1] == 'I' && (h[2] == 0x2a || h[2] == 0x2b) && h[3] == 0)
        || (h[0] == 'M' && h[1] == 'M' && h[2] == 0 && (h[3] == 0x2a || h[3] == 0x2b));
}

namespace {

// No picture has more samples a pixel than this (colour, alpha and a few extra channels); libtiff
// sizes its buffers by the stated count, some gigabytes for a few thousand.
constexpr qint64 kMaxTiffSamples = 32;
// A band of the picture decoded between two looks at the stop switch: at least this many bytes of
// rows, whole strips or rows of tiles.
constexpr qint64 kBandBytes = 4 * 1024 * 1024;

QString libraryText(const char *module, const char *format, va_list args)
{
    char text[512];
    std::vsnprintf(text, sizeof(text), format, args);
    const QString message = QString::fromLocal8Bit(text);
    return module && *module ? QString::fromLocal8Bit(module) + QStringLiteral(": ") + message : message;
}

// How the rows reach the picture: as libtiff decodes them, rearranged at most (Direct), or through
// libtiff's conversion to 8-bit RGBA (Rgba).
enum class Road { Direct, Rgba };

// Bytes one sample of a format read directly takes, and the samples of one of its pixels.
int sampleBytesOf(QImage::Format format)
{
    switch (format) {
    case QImage::Format_Grayscale16:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_RGBX16FPx4:
    case QImage::Format_RGBA16FPx4:
    case QImage::Format_RGBA16FPx4_Premultiplied:
        return 2;
    case QImage::Format_RGBX32FPx4:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied:
        return 4;
    default:
        return 1;
    }
}

bool hasFourSamples(QImage::Format format)
{
    return sampleBytesOf(format) > 1 && format != QImage::Format_Grayscale16;
}

bool keepsAlpha(QImage::Format format)
{
    return format == QImage::Format_RGBA64 || format == QImage::Format_RGBA64_Premultiplied
        || format == QImage::Format_RGBA16FPx4 || format == QImage::Format_RGBA16FPx4_Premultiplied
        || format == QImage::Format_RGBA32FPx4 || format == QImage::Format_RGBA32FPx4_Premultiplied;
}

// `count` pixels of `samples` samples each (grey in the first, or red, green and blue in the first
// three, then alpha) as four samples each: grey spread over the three colours, an alpha the format
// does not keep (or that the pixels lack) as opaque.
template <typename Sample>
void expandPixels(const uchar *in, uchar *out, int count, int samples, bool colour, bool alpha, Sample opaque)
{
    for (int i = 0; i < count; ++i) {
        Sample pixel[4];
        std::memcpy(pixel, in + size_t(i) * samples * sizeof(Sample), sizeof(Sample) * std::min(samples, 4));
        if (!colour)
            pixel[1] = pixel[2] = pixel[0];
        if (!alpha)
            pixel[3] = opaque;
        std::memcpy(out + size_t(i) * 4 * sizeof(Sample), pixel, sizeof(pixel));
    }
}

// Whether libtiff's warnings about the file at `path` are told for the first time in this run:
// every road reads the file again, and says it once.
bool firstWarningFor(const QString &path)
{
    static std::mutex lock;
    static QSet<QString> told;
    const std::lock_guard<std::mutex> guard(lock);
    if (told.contains(path))
        return false;
    told.insert(path);
    return true;
}

} // namespace

struct TiffDecoder::State {
    QString path;
    bool embedded = false;
    // The TIFF is `file`, or, without a file, `data`.
    const RegularFile *file = nullptr;
    QByteArray data;
    qint64 size = 0;
    qint64 position = 0;
    std::function<bool()> shouldStop;

    TIFF *tiff = nullptr;
    QString lastError;
    QString firstWarning;
    int warnings = 0;
    bool valid = false;

    quint32 width = 0;
    quint32 height = 0;
    uint16_t photometric = 0;
    uint16_t orientation = 1;
    QImage::Format format = QImage::Format_Invalid;
    Road road = Road::Rgba;
    int samples = 1;
    bool colour = false; // a directly read picture's samples are red, green and blue, not grey
    qint64 fieldBytes = 0;
    qint64 bufferBytes = 0;
    std::vector<uchar> rawTile; // libtiff's buffer for a plain tile's stored bytes, when it is ours
    QList<QRgb> colours;        // a Mono or Indexed8 picture's colour table

    // Where the rows go: the whole picture, or a band of bandRows rows at a time (its first row
    // bandTop, always a multiple of bandRows) that is given to `reduction` once it is full.
    QImage *whole = nullptr;
    QImage band;
    quint32 bandTop = 0;
    AreaReduction *reduction = nullptr;

    ~State()
    {
        if (tiff)
            TIFFClose(tiff);
        if (warnings > 0 && firstWarningFor(path)) {
            logDebug(lcPlatform) << QStringLiteral("libtiff on %1: %2%3")
                                        .arg(path, firstWarning,
                                             warnings > 1 ? QStringLiteral(" (and %1 more warnings)").arg(warnings - 1)
                                                          : QString());
        }
    }

    // The one line for the TIFF left out, naming the file: a picture beside the file's own (a
    // preview) is part of its metadata.
    void logLeftOut(SkipReason reason, const QString &detail) const
    {
        if (embedded)
            logSkippedMetadata(lcPlatform(), path, reason, QStringLiteral("its embedded TIFF picture: ") + detail);
        else
            logSkippedFile(lcPlatform(), path, reason, detail);
    }
    void logDamaged(const QString &otherwise) const
    {
        logLeftOut(SkipReason::Damaged, lastError.isEmpty() ? otherwise : lastError);
    }

    bool stopped() const { return shouldStop && shouldStop(); }

    bool passesBounds(const TiffOpening &opening);
    void open();
    bool decideFormat();
    bool decodeDirect();
    bool decodeRgba();
    void copyRun(const uchar *in, uchar *line, quint32 x, quint32 count) const;
    qint64 lineBytes() const { return (qint64(width) * QImage::toPixelFormat(format).bitsPerPixel() + 31) / 32 * 4; }
    quint32 unitRows() const;
    quint32 bandRows() const;
    bool prepare();
    uchar *rowAt(quint32 y);
    void giveBand();
};

extern "C" {

static tmsize_t tiffRead(thandle_t handle, void *buffer, tmsize_t length)
{
    auto *state = static_cast<TiffDecoder::State *>(handle);
    if (length <= 0 || state->position >= state->size)
        return 0;
    const qint64 wanted = std::min<qint64>(length, state->size - state->position);
    if (!state->file) {
        std::memcpy(buffer, state->data.constData() + state->position, size_t(wanted));
        state->position += wanted;
        return tmsize_t(wanted);
    }
    qint64 done = 0;
    while (done < wanted) {
        const ssize_t got = ::pread(state->file->descriptor(), static_cast<char *>(buffer) + done,
                                    size_t(wanted - done), off_t(state->position + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    state->position += done;
    return tmsize_t(done);
}

static tmsize_t tiffWrite(thandle_t, void *, tmsize_t)
{
    return -1;
}

static toff_t tiffSeek(thandle_t handle, toff_t offset, int whence)
{
    auto *state = static_cast<TiffDecoder::State *>(handle);
    const qint64 from = whence == SEEK_CUR ? state->position : whence == SEEK_END ? state->size : 0;
    const quint64 to = quint64(from) + offset;
    if (to > quint64(std::numeric_limits<qint64>::max()))
        return toff_t(-1);
    state->position = qint64(to);
    return to;
}

static int tiffClose(thandle_t)
{
    return 0;
}

static toff_t tiffSize(thandle_t handle)
{
    return toff_t(static_cast<TiffDecoder::State *>(handle)->size);
}

static int tiffMap(thandle_t, void **, toff_t *)
{
    return 0;
}

static void tiffUnmap(thandle_t, void *, toff_t)
{
}

static int tiffError(TIFF *, void *user, const char *module, const char *format, va_list args)
{
    // The last error is the one that ended the call (libtiff reports some it reads past).
    static_cast<TiffDecoder::State *>(user)->lastError = libraryText(module, format, args);
    return 1;
}

static int tiffWarning(TIFF *, void *user, const char *module, const char *format, va_list args)
{
    auto *state = static_cast<TiffDecoder::State *>(user);
    if (state->warnings++ == 0)
        state->firstWarning = libraryText(module, format, args);
    return 1;
}

// What libtiff says outside a reading of ours (none is known: every TIFF is read here) goes to the
// log too, never to standard error.
static void tiffStrayMessage(const char *module, const char *format, va_list args)
{
    logDebug(lcPlatform) << QStringLiteral("libtiff: %1").arg(libraryText(module, format, args));
}

} // extern "C"

void routeTiffMessagesToLog()
{
    TIFFSetErrorHandler(tiffStrayMessage);
    TIFFSetWarningHandler(tiffStrayMessage);
}

bool TiffDecoder::State::passesBounds(const TiffOpening &opening)
{
    constexpr qint64 megabyte = 1024 * 1024;
    if (!opening.isTiff) {
        logLeftOut(SkipReason::Damaged, QStringLiteral("no readable TIFF directory"));
        return false;
    }
    if (opening.entries < 1 || opening.entries > kMaxTiffEntries) {
        logLeftOut(SkipReason::Damaged,
                   opening.entries < 1 ? QStringLiteral("no readable TIFF directory")
                                       : QStringLiteral("%1 entries in its first directory").arg(opening.entries));
        return false;
    }
    if (opening.fieldBytes > maxAloneDecodeBytes()) {
        logLeftOut(SkipReason::TooLarge,
                   QStringLiteral("its tags would take %1 MB to read, more than the %2 MB allowed")
                       .arg((opening.fieldBytes + megabyte - 1) / megabyte)
                       .arg(maxAloneDecodeBytes() / megabyte));
        return false;
    }
    if (opening.samples < 1 || opening.samples > kMaxTiffSamples) {
        logLeftOut(SkipReason::Damaged, QStringLiteral("%1 samples a pixel").arg(opening.samples));
        return false;
    }
    if (opening.strips > kMaxTiffStrips) {
        logLeftOut(SkipReason::TooLarge,
                   QStringLiteral("%1 strips or tiles, more than the %2 read").arg(opening.strips).arg(kMaxTiffStrips));
        return false;
    }
    fieldBytes = opening.fieldBytes;
    return true;
}

void TiffDecoder::State::open()
{
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(maxAloneDecodeBytes()));
    TIFFOpenOptionsSetErrorHandlerExtR(options, tiffError, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options, tiffWarning, this);
    // "m": no memory map, every byte comes through tiffRead.
    tiff = TIFFClientOpenExt("", "rm", this, tiffRead, tiffWrite, tiffSeek, tiffClose, tiffSize, tiffMap, tiffUnmap,
                             options);
    TIFFOpenOptionsFree(options);
    if (!tiff) {
        logDamaged(QStringLiteral("no readable TIFF directory"));
        return;
    }
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height)
        || !TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) || width == 0 || height == 0
        || width > quint32(std::numeric_limits<int>::max()) || height > quint32(std::numeric_limits<int>::max())) {
        logDamaged(QStringLiteral("no picture size or colour kind"));
        return;
    }
    uint16_t stated = 1;
    if (TIFFGetField(tiff, TIFFTAG_ORIENTATION, &stated) && stated >= 1 && stated <= 8)
        orientation = stated;
    if (!decideFormat())
        return;
    // One strip or tile is decoded at a time, into a buffer of that size (ours, or libtiff's on its
    // conversion's road). A tile may be larger than the picture.
    bufferBytes = qint64(TIFFIsTiled(tiff) ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff));
    if (bufferBytes <= 0) {
        logDamaged(QStringLiteral("strips or tiles of no size"));
        return;
    }
    valid = true;
}

bool TiffDecoder::State::decideFormat()
{
    uint16_t bits = 1;
    uint16_t stated = 1;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t planar = PLANARCONFIG_CONTIG;
    if (!TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits))
        bits = 1;
    if (!TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &stated))
        stated = 1;
    if (!TIFFGetField(tiff, TIFFTAG_SAMPLEFORMAT, &sampleFormat))
        sampleFormat = SAMPLEFORMAT_UINT;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    samples = stated;
    const bool floating = sampleFormat == SAMPLEFORMAT_IEEEFP;
    const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
    // Samples interleaved: planes of their own go through libtiff's conversion, which reads them.
    const bool interleaved = planar == PLANARCONFIG_CONTIG || samples == 1;
    uint16_t extraCount = 0;
    uint16_t *extras = nullptr;
    const bool extraStated = TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extras) && extraCount > 0 && extras;
    colour = photometric == PHOTOMETRIC_RGB;
    road = Road::Direct;
    if (grey && bits == 1 && samples == 1) {
        format = QImage::Format_Mono;
    } else if (photometric == PHOTOMETRIC_MINISBLACK && bits == 8 && samples == 1) {
        format = QImage::Format_Grayscale8;
    } else if (photometric == PHOTOMETRIC_MINISBLACK && bits == 16 && samples == 1 && !floating) {
        format = QImage::Format_Grayscale16;
    } else if ((grey || photometric == PHOTOMETRIC_PALETTE) && bits == 8 && samples == 1) {
        format = QImage::Format_Indexed8;
    } else if (samples < 4) {
        const bool regular = samples != 2 && (photometric == PHOTOMETRIC_RGB || photometric == PHOTOMETRIC_MINISBLACK);
        if (bits == 16 && regular)
            format = floating ? QImage::Format_RGBX16FPx4 : QImage::Format_RGBX64;
        else if (bits == 32 && floating && regular)
            format = QImage::Format_RGBX32FPx4;
        else
            format = QImage::Format_RGB32;
    } else {
        // libtiff's conversion premultiplies any alpha it is told of; samples read directly keep an
        // unassociated alpha as it is.
        bool premultiplied = extraStated && extras[0] != EXTRASAMPLE_UNSPECIFIED;
        if (extraStated && extras[0] == EXTRASAMPLE_UNASSALPHA && (bits == 16 || (bits == 32 && floating)))
            premultiplied = false;
        if (bits == 16 && photometric == PHOTOMETRIC_RGB) {
            format = premultiplied
                ? (floating ? QImage::Format_RGBA16FPx4_Premultiplied : QImage::Format_RGBA64_Premultiplied)
                : (floating ? QImage::Format_RGBA16FPx4 : QImage::Format_RGBA64);
        } else if (bits == 32 && floating && photometric == PHOTOMETRIC_RGB) {
            format = premultiplied ? QImage::Format_RGBA32FPx4_Premultiplied : QImage::Format_RGBA32FPx4;
        } else if (photometric == PHOTOMETRIC_SEPARATED && samples == 4 && !extraStated) {
            format = QImage::Format_RGB32; // CMYK: no alpha
        } else {
            format = premultiplied ? QImage::Format_ARGB32_Premultiplied : QImage::Format_ARGB32;
        }
    }
    const bool rgbaFormat = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
        || format == QImage::Format_ARGB32_Premultiplied;
    if (rgbaFormat || !interleaved) {
        road = Road::Rgba;
        if (!rgbaFormat)
            format = samples >= 4 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    }
    if (road == Road::Direct && format == QImage::Format_Mono && TIFFIsTiled(tiff)) {
        uint32_t tileWidth = 0;
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth);
        if (tileWidth % 8 != 0) {
            road = Road::Rgba;
            format = QImage::Format_RGB32;
        }
    }
    if (road == Road::Rgba) {
        char message[1024] = {};
        if (!TIFFRGBAImageOK(tiff, message)) {
            logDamaged(QString::fromLocal8Bit(message));
            return false;
        }
    }
    return true;
}

void TiffDecoder::State::copyRun(const uchar *in, uchar *line, quint32 x, quint32 count) const
{
    if (format == QImage::Format_Mono) {
        std::memcpy(line + x / 8, in, (count + 7) / 8);
        return;
    }
    const int sampleBytes = sampleBytesOf(format);
    if (!hasFourSamples(format)) {
        std::memcpy(line + size_t(x) * sampleBytes, in, size_t(count) * sampleBytes);
        return;
    }
    uchar *out = line + size_t(x) * 4 * sampleBytes;
    const bool alpha = keepsAlpha(format) && samples >= 4;
    if (sampleBytes == 4)
        expandPixels<float>(in, out, int(count), samples, colour, alpha, 1.0f);
    else if (format == QImage::Format_RGBX16FPx4 || format == QImage::Format_RGBA16FPx4
             || format == QImage::Format_RGBA16FPx4_Premultiplied)
        expandPixels<qfloat16>(in, out, int(count), samples, colour, alpha, qfloat16(1.0f));
    else
        expandPixels<quint16>(in, out, int(count), samples, colour, alpha, quint16(0xffff));
}

bool TiffDecoder::State::decodeDirect()
{
    std::vector<uchar> buffer(size_t(std::max<qint64>(bufferBytes, 1)));
    if (TIFFIsTiled(tiff)) {
        uint32_t tileWidth = 0;
        uint32_t tileLength = 0;
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileLength);
        const qint64 rowBytes = qint64(TIFFTileRowSize64(tiff));
        if (tileWidth == 0 || tileLength == 0 || rowBytes * tileLength > qint64(buffer.size())) {
            logDamaged(QStringLiteral("tiles of no size"));
            return false;
        }
        for (quint32 y = 0; y < height; y += tileLength) {
            if (stopped())
                return false;
            for (quint32 x = 0; x < width; x += tileWidth) {
                if (TIFFReadTile(tiff, buffer.data(), x, y, 0, 0) < 0) {
                    logDamaged(QStringLiteral("a tile does not decode"));
                    return false;
                }
                const quint32 rows = std::min(tileLength, height - y);
                const quint32 columns = std::min(tileWidth, width - x);
                for (quint32 i = 0; i < rows; ++i)
                    copyRun(buffer.data() + size_t(i) * rowBytes, rowAt(y + i), x, columns);
            }
        }
        return true;
    }
    uint32_t rowsPerStrip = height;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, height);
    const qint64 rowBytes = qint64(TIFFScanlineSize64(tiff));
    for (quint32 y = 0; y < height; y += rowsPerStrip) {
        if (stopped())
            return false;
        const quint32 rows = std::min(rowsPerStrip, height - y);
        const tmsize_t read =
            TIFFReadEncodedStrip(tiff, TIFFComputeStrip(tiff, y, 0), buffer.data(), tmsize_t(buffer.size()));
        if (read < 0 || qint64(read) < rowBytes * rows) {
            logDamaged(QStringLiteral("a strip does not decode"));
            return false;
        }
        for (quint32 i = 0; i < rows; ++i)
            copyRun(buffer.data() + size_t(i) * rowBytes, rowAt(y + i), 0, width);
    }
    return true;
}

bool TiffDecoder::State::decodeRgba()
{
    char message[1024] = {};
    TIFFRGBAImage rgba;
    if (!TIFFRGBAImageBegin(&rgba, tiff, 1, message)) {
        logDamaged(QString::fromLocal8Bit(message));
        return false;
    }
    // Rows as stored: libtiff turns nothing when asked for the orientation the file states.
    rgba.req_orientation = orientation;
    // The conversion takes a plain tile only when libtiff's buffer for the stored bytes is exactly
    // a tile, and libtiff rounds the buffer it makes itself up to a kibibyte: it is given one.
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    if (TIFFIsTiled(tiff) && compression == COMPRESSION_NONE) {
        rawTile.resize(size_t(bufferBytes));
        TIFFReadBufferSetup(tiff, rawTile.data(), tmsize_t(rawTile.size()));
    }
    // Whole strips or rows of tiles a band: libtiff decodes a strip from its start for every call.
    const quint32 band = bandRows();
    bool ok = true;
    for (quint32 y = 0; y < height && ok; y += band) {
        if (stopped()) {
            TIFFRGBAImageEnd(&rgba);
            return false;
        }
        const quint32 rows = std::min(band, height - y);
        // ARGB32's rows are packed: the band is one run of pixels.
        auto *pixels = reinterpret_cast<quint32 *>(rowAt(y));
        rgba.row_offset = int(y);
        rgba.col_offset = 0;
        ok = TIFFRGBAImageGet(&rgba, pixels, width, rows);
        for (quint32 *p = pixels, *end = pixels + size_t(width) * rows; ok && p != end; ++p)
            *p = qRgba(int(TIFFGetR(*p)), int(TIFFGetG(*p)), int(TIFFGetB(*p)), int(TIFFGetA(*p)));
    }
    TIFFRGBAImageEnd(&rgba);
    if (!ok) {
        logDamaged(QStringLiteral("the picture data does not decode"));
        return false;
    }
    return true;
}

TiffDecoder::TiffDecoder(const QString &path, const RegularFile &file, std::function<bool()> shouldStop)
    : d_(std::make_unique<State>())
{
    d_->path = path;
    d_->file = &file;
    d_->size = file.size();
    d_->shouldStop = std::move(shouldStop);
    if (d_->passesBounds(tiffOpening(file)))
        d_->open();
}

TiffDecoder::TiffDecoder(const QString &path, const QByteArray &data)
    : d_(std::make_unique<State>())
{
    d_->path = path;
    d_->embedded = true;
    d_->data = data;
    d_->size = data.size();
    TiffMemory memory(data.constData(), data.size());
    if (d_->passesBounds(tiffOpening(memory, data.size())))
        d_->open();
}

TiffDecoder::~TiffDecoder() = default;

bool TiffDecoder::isValid() const
{
    return d_->valid;
}

QSize TiffDecoder::size() const
{
    return d_->valid ? QSize(int(d_->width), int(d_->height)) : QSize();
}

QImage::Format TiffDecoder::format() const
{
    return d_->valid ? d_->format : QImage::Format_Invalid;
}

QImageIOHandler::Transformations TiffDecoder::transformation() const
{
    return transformationOf(d_->orientation);
}

qint64 TiffDecoder::decodeBytes() const
{
    return d_->valid ? d_->fieldBytes + d_->lineBytes() * d_->height + d_->bufferBytes : 0;
}

qint64 TiffDecoder::reducedDecodeBytes() const
{
    return d_->valid ? d_->fieldBytes + d_->lineBytes() * d_->bandRows() + d_->bufferBytes : 0;
}

quint32 TiffDecoder::State::unitRows() const
{
    uint32_t unit = height;
    if (TIFFIsTiled(tiff))
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &unit);
    else
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &unit);
    return std::clamp<uint32_t>(unit, 1, height);
}

quint32 TiffDecoder::State::bandRows() const
{
    // Rows of the band: at least kBandBytes of them, and whole strips or rows of tiles when libtiff
    // decodes a unit for every band (its conversion, and tiles); strips read here are cut anywhere.
    const quint32 unit = road == Road::Direct && !TIFFIsTiled(tiff) ? 1 : unitRows();
    const qint64 units = std::max<qint64>(1, kBandBytes / std::max<qint64>(1, lineBytes() * unit));
    return quint32(std::min<qint64>(qint64(unit) * units, height));
}

uchar *TiffDecoder::State::rowAt(quint32 y)
{
    if (whole)
        return whole->bits() + size_t(y) * size_t(whole->bytesPerLine());
    const quint32 rows = quint32(band.height());
    if (y >= bandTop + rows) {
        giveBand();
        bandTop = y - y % rows;
    }
    return band.bits() + size_t(y - bandTop) * size_t(band.bytesPerLine());
}

void TiffDecoder::State::giveBand()
{
    const int rows = int(std::min<quint32>(quint32(band.height()), height - bandTop));
    QImage view(band.constBits(), band.width(), rows, band.bytesPerLine(), band.format());
    view.setColorTable(colours);
    reduction->addRows(view);
}

// The checks every decode passes, and the colour table.
bool TiffDecoder::State::prepare()
{
    if (!valid)
        return false;
    valid = false;
    if (qint64(width) * height > kMaxFullDecodePixels) {
        if (embedded)
            logLeftOut(SkipReason::TooLarge, QStringLiteral("%1 x %2 pixels").arg(width).arg(height));
        else
            logTooManyPixels(path, int(width), int(height));
        return false;
    }
    const qint64 bytes = fieldBytes + lineBytes() * height + bufferBytes;
    if (bytes > maxAloneDecodeBytes()) {
        if (embedded)
            logLeftOut(SkipReason::TooLarge, QStringLiteral("%1 x %2 pixels").arg(width).arg(height));
        else
            logDecodeTooLarge(path, int(width), int(height), bytes);
        return false;
    }
    if (format == QImage::Format_Mono) {
        const bool whiteIsZero = photometric == PHOTOMETRIC_MINISWHITE;
        colours = {whiteIsZero ? 0xffffffffu : 0xff000000u, whiteIsZero ? 0xff000000u : 0xffffffffu};
    } else if (format == QImage::Format_Indexed8) {
        uint16_t *red = nullptr;
        uint16_t *green = nullptr;
        uint16_t *blue = nullptr;
        if (photometric == PHOTOMETRIC_PALETTE
            && (!TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)) {
            logDamaged(QStringLiteral("a palette picture without its palette"));
            return false;
        }
        colours.resize(256);
        for (int i = 0; i < 256; ++i) {
            // A palette's 16-bit entries keep their high byte, as libtiff's own conversion does.
            const int grey = photometric == PHOTOMETRIC_MINISBLACK ? i : 255 - i;
            colours[i] = red ? qRgb(red[i] >> 8, green[i] >> 8, blue[i] >> 8) : qRgb(grey, grey, grey);
        }
    }
    return true;
}

std::optional<QImage> TiffDecoder::decode()
{
    State &d = *d_;
    if (!d.prepare())
        return std::nullopt;
    QImage image(int(d.width), int(d.height), d.format);
    if (image.isNull()) {
        d.logLeftOut(SkipReason::TooLarge,
                     QStringLiteral("%1 x %2 pixels: no memory for them").arg(d.width).arg(d.height));
        return std::nullopt;
    }
    image.setColorTable(d.colours);
    d.whole = &image;
    const bool done = d.road == Road::Direct ? d.decodeDirect() : d.decodeRgba();
    d.whole = nullptr;
    if (!done)
        return std::nullopt;
    return image;
}

std::optional<QImage> TiffDecoder::decodeReduced(const ReductionAxis &columns, const ReductionAxis &rows)
{
    State &d = *d_;
    if (!d.prepare())
        return std::nullopt;
    d.band = QImage(int(d.width), int(d.bandRows()), d.format);
    if (d.band.isNull()) {
        d.logLeftOut(SkipReason::TooLarge,
                     QStringLiteral("%1 x %2 pixels: no memory for them").arg(d.width).arg(d.height));
        return std::nullopt;
    }
    d.band.setColorTable(d.colours);
    AreaReduction reduction(columns, rows, AreaReduction::reducibleFormat(d.band));
    if (!reduction.isValid())
        return std::nullopt;
    d.reduction = &reduction;
    d.bandTop = 0;
    const bool done = d.road == Road::Direct ? d.decodeDirect() : d.decodeRgba();
    if (done)
        d.giveBand();
    d.reduction = nullptr;
    d.band = QImage();
    QImage result = done ? reduction.result() : QImage();
    if (result.isNull())
        return std::nullopt;
    return result;
}

} // namespace platform::imaging
