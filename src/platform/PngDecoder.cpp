#include "platform/PngDecoder.h"

#include "platform/DecodeBudget.h"
#include "platform/Log.h"
#include "platform/PngChunks.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <png.h>

#include <array>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform::imaging {

namespace {

constexpr qint64 kReadAhead = 64 * 1024;
// libpng is given the file in pieces of this size at most, the stop switch asked before each.
constexpr qint64 kPiece = 16 * 1024;
// zlib's inflate state and window, and libpng's own row and chunk buffers beside ours.
constexpr qint64 kLibraryBytes = 64 * 1024;
// The picture data may run this far past twice what its rows take (see readInfo).
constexpr qint64 kDataSlack = 1024 * 1024;
// The longest chunk other than picture data that libpng is given: a header chunk holds some
// hundreds of bytes (a palette 768), and libpng would keep a longer one whole in memory.
constexpr quint32 kMaxHeaderChunk = 64 * 1024;

// Chunks read by libpng: the ones that make the picture (header, palette, transparency, data, end)
// and any it must refuse (an unknown critical chunk, a malformed name). Every other ancillary
// chunk (texts, colour profiles, metadata, animation) is passed over unread.
bool chunkIsRead(const char *type)
{
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    const bool wellFormed = letter(type[0]) && letter(type[1]) && letter(type[2]) && letter(type[3]);
    const bool ancillary = type[0] >= 'a' && type[0] <= 'z';
    return !wellFormed || !ancillary || std::memcmp(type, "tRNS", 4) == 0;
}

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
    return head.size() >= 8 && std::memcmp(head.constData(), kPngSignature, 8) == 0;
}

namespace {

} // namespace

bool icnsIsWellFormed(const RegularFile &file)
{
    // The stated length covers the header and every entry, and lies within the file.
    const QByteArray head = file.readAt(0, 8);
    if (head.size() < 8)
        return false;
    const qint64 end = qFromBigEndian<quint32>(head.constData() + 4);
    if (end < 8 || end > file.size())
        return false;
    // Every entry (a type and a length that counts its own 8 bytes) lies within it; so does every
    // entry the table of contents names, since Qt's reader takes their lengths from there.
    int entries = 0;
    for (qint64 at = 8; at < end; ++entries) {
        const QByteArray header = file.readAt(at, 8);
        if (header.size() < 8 || entries >= kMaxIcnsEntries)
            return false;
        const qint64 length = qFromBigEndian<quint32>(header.constData() + 4);
        if (length < 8 || length > end - at)
            return false;
        if (header.left(4) == "TOC ") {
            const QByteArray toc = file.readAt(at + 8, length - 8);
            if (toc.size() != length - 8 || toc.size() % 8 != 0)
                return false;
            qint64 named = 0;
            for (qsizetype i = 0; i < toc.size(); i += 8) {
                const qint64 entry = qFromBigEndian<quint32>(toc.constData() + i + 4);
                if (entry < 8 || entry > end)
                    return false;
                named += entry;
            }
            if (named > end - at - length)
                return false;
        }
        at += length;
    }
    return true;
}

namespace {

// The PNG an Apple icon (ICNS) `file` shows: the entry Qt's icon reader reads first (its type named
// by the reader, which only walks the entries to tell it), when it holds PNG data; the entries
// within a variant container are left to Qt's reader.
std::optional<PngExtent> icnsPngEntry(const RegularFile &file)
{
    if (!icnsIsWellFormed(file))
        return std::nullopt;
    const std::unique_ptr<QFile> device = file.device();
    QImageReader reader(device.get(), "icns");
    const QByteArray type = reader.subType();
    if (type.size() != 4)
        return std::nullopt;
    const qint64 end =
        std::min(file.size(), qint64(qFromBigEndian<quint32>(file.readAt(4, 4).leftJustified(4, '\0').constData())));
    for (qint64 at = 8; at + 8 <= end;) {
        const QByteArray header = file.readAt(at, 16);
        if (header.size() < 8)
            return std::nullopt;
        const qint64 length = qFromBigEndian<quint32>(header.constData() + 4);
        if (length < 8)
            return std::nullopt;
        if (header.left(4) == type)
            return headIsPng(header.mid(8))
                ? std::optional<PngExtent>(PngExtent{at + 8, std::min(length, end - at) - 8})
                : std::nullopt;
        at += length;
    }
    return std::nullopt;
}

} // namespace

std::optional<PngExtent> iconPngEntry(const RegularFile &file)
{
    if (file.readAt(0, 4) == "icns")
        return icnsPngEntry(file);
    // The directory (reserved 0, type 1 or 2, a count) and its first entry, whose last 8 bytes are
    // the entry's length and offset.
    const QByteArray head = file.readAt(0, 22);
    if (head.size() < 22 || qFromLittleEndian<quint16>(head.constData()) != 0)
        return std::nullopt;
    const quint16 type = qFromLittleEndian<quint16>(head.constData() + 2);
    if ((type != 1 && type != 2) || qFromLittleEndian<quint16>(head.constData() + 4) == 0)
        return std::nullopt;
    const qint64 offset = qFromLittleEndian<quint32>(head.constData() + 18);
    if (!headIsPng(file.readAt(offset, 8)))
        return std::nullopt;
    return PngExtent{offset, file.size() - offset};
}

struct PngDecoder::State {
    QString path;
    PngRole role = PngRole::Picture;
    // The PNG lies in `file` from `base` on (`size` bytes), or, without a file, is `buffer` whole.
    const RegularFile *file = nullptr;
    qint64 base = 0;
    qint64 size = 0;
    std::function<bool()> shouldStop;
    QByteArray buffer; // the PNG from bufferStart on
    qint64 bufferStart = 0;
    std::optional<PngChunkWalk> walk;
    PngChunk chunk;                // the chunk being given to libpng (or held back for a decode)
    bool chunkHeld = false;        // that chunk is the first of the picture data, not yet given
    qint64 chunkAt = 0;            // the next byte of it to give
    qint64 chunkLeft = 8;          // bytes of it still to give, its checksum included (first the signature)
    bool chunkIsData = false;      // it is picture data (IDAT)
    bool headerChunkFirst = false; // the first chunk after the signature was the header (IHDR)

    png_structp png = nullptr;
    png_infop info = nullptr;
    // Whether libpng's error callback may jump: only while a frame of guarded() is live, or while
    // libpng makes its read struct (under a frame of its own).
    bool jumpArmed = false;
    bool creating = false;
    // libpng's last error, taken by the error callback before it leaves libpng, and whether it
    // came from picture data.
    char message[200] = {};
    bool errorInData = false;
    bool valid = false;

    // How far the reading got: the header chunks read (the next chunk is the first of the picture
    // data), the header taken by libpng to start its rows (it met the picture data), every row in
    // (the last row of the last pass), the end chunk read.
    bool infoRead = false;
    bool headerRead = false;
    bool rowsIn = false;
    bool endRead = false;
    bool stopped = false;
    qint64 dataRead = 0;    // bytes of picture data given to libpng
    qint64 dataAllowed = 0; // the most the rows can take, with room to spare

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

    std::vector<png_byte> stored; // the whole picture when interlaced
    std::vector<QRgb> converted;  // one row in the reduction's layout (grey uses its bytes)
    bool rowsAsStored = false;    // 8-bit grey: libpng's rows are in the reduction's layout already
    AreaReduction *reduction = nullptr;

    ~State()
    {
        if (png)
            guarded([this] { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); });
    }

    // Runs `call`, which calls into libpng, under a setjmp frame of its own that libpng's errors
    // leave `call` through (so `call` holds no object with a destructor); false when one did, its
    // message taken. The frame is armed only while it is live: libpng's error callback refuses to
    // jump otherwise. Never nested (a callback libpng makes runs under the frame of its caller).
    template <typename Call>
    bool guarded(Call &&call)
    {
        if (jumpArmed) {
            logCritical(lcPlatform) << "A libpng call was made under another one's error frame";
            std::abort();
        }
        if (setjmp(png_jmpbuf(png))) {
            jumpArmed = false;
            return false;
        }
        jumpArmed = true;
        call();
        jumpArmed = false;
        return true;
    }

    // Where `length` bytes of the PNG from `offset` lie, the buffer filled anew from `offset` when
    // it does not hold them; null where the PNG ends first.
    const char *bytesAt(qint64 offset, qint64 length)
    {
        if (offset < 0 || length < 0 || offset > size - length)
            return nullptr;
        if (offset < bufferStart || offset + length > bufferStart + buffer.size()) {
            if (!file)
                return nullptr;
            bufferStart = offset;
            buffer = file->readAt(base + offset, std::max(kReadAhead, length));
            if (buffer.size() < length)
                return nullptr;
        }
        return buffer.constData() + (offset - bufferStart);
    }
    // Up to `length` bytes of the PNG from `offset` as a piece for libpng: as many as the buffer
    // holds (filled anew from `offset` when it holds none), none past the PNG's end.
    qint64 pieceAt(qint64 offset, qint64 length)
    {
        length = std::min(length, size - offset);
        if (length <= 0)
            return 0;
        if ((offset < bufferStart || offset >= bufferStart + buffer.size()) && file) {
            bufferStart = offset;
            buffer = file->readAt(base + offset, std::max(kReadAhead, length));
        }
        if (offset < bufferStart)
            return 0;
        return std::clamp<qint64>(bufferStart + buffer.size() - offset, 0, length);
    }

    enum class Fed { Reached, FileEnded, Failed, Stopped, TooLong };
    Fed feedUntil(bool State::*reached);
    Fed walkEnded();
    void open();
    bool readInfo();
    bool takeInfo();
    void takeHeader();
    void takeRow(png_bytep row, png_uint_32 number, int pass);
    bool readRows();
    void choosePixels();
    void convertRow(const png_byte *in, uchar *out) const;
    void feedRow(const png_byte *in)
    {
        if (rowsAsStored) {
            reduction->addRow(in);
            return;
        }
        convertRow(in, reinterpret_cast<uchar *>(converted.data()));
        reduction->addRow(reinterpret_cast<const uchar *>(converted.data()));
    }
    // Bytes libpng's two row buffers (the row and the one before it, for the filters) and our
    // converted row take.
    qint64 rowBuffersBytes() const
    {
        const qint64 ours = rowsAsStored ? 0 : format == QImage::Format_Grayscale8 ? qint64(width) : qint64(width) * 4;
        return 2 * (qint64(rowBytes) + 48) + ours;
    }
    void setMessage(const char *text) { qstrncpy(message, text, sizeof(message)); }
    void setMessage(const QString &text) { setMessage(text.toLatin1().constData()); }
    // The one line for the PNG left out, naming the file: a picture beside the file's own (a
    // preview) is part of its metadata.
    void logLeftOut(SkipReason reason, const QString &detail) const
    {
        if (role == PngRole::Embedded)
            logSkippedMetadata(lcPlatform(), path, reason, QStringLiteral("its embedded PNG picture: ") + detail);
        else
            logSkippedFile(lcPlatform(), path, reason, detail);
    }
    void logDamaged() const
    {
        logLeftOut(SkipReason::Damaged,
                   message[0] ? QString::fromLatin1(message) : QStringLiteral("not a readable PNG"));
    }
};

extern "C" {

static void pngError(png_structp png, png_const_charp message)
{
    auto *state = static_cast<PngDecoder::State *>(png_get_error_ptr(png));
    qstrncpy(state->message, message ? message : "", sizeof(state->message));
    if (!state->jumpArmed && !state->creating) {
        // Its jump would land in a frame that has returned: the stack is no longer what it was.
        logCritical(lcPlatform) << "libpng reported an error outside a call of ours that can take it:"
                                << QString::fromLatin1(state->message);
        std::abort();
    }
    png_longjmp(png, 1);
}

static void pngWarning(png_structp, png_const_charp)
{
    // A warning (an ancillary chunk with a bad checksum or value, left out by libpng; compressed
    // data past the last row, which is not inflated) does not keep the picture from decoding; Qt's
    // reader leaves the same ones out of its log.
}

static void pngHeader(png_structp png, png_infop)
{
    static_cast<PngDecoder::State *>(png_get_progressive_ptr(png))->takeHeader();
}

static void pngRow(png_structp png, png_bytep row, png_uint_32 number, int pass)
{
    static_cast<PngDecoder::State *>(png_get_progressive_ptr(png))->takeRow(row, number, pass);
}

static void pngEnd(png_structp png, png_infop)
{
    static_cast<PngDecoder::State *>(png_get_progressive_ptr(png))->endRead = true;
}

} // extern "C"

// The file is given to libpng piece by piece until `reached`, chunk by chunk as the chunk walk
// meets them, the chunks libpng does not need passed over unread. The stop switch is asked before
// every piece, and the picture data may run only as far as its rows can take: a compressed stream
// that goes on after them, or that gives no rows for its length, is not read to its end.
PngDecoder::State::Fed PngDecoder::State::feedUntil(bool State::*reached)
{
    while (!(this->*reached)) {
        if (shouldStop && shouldStop()) {
            stopped = true;
            return Fed::Stopped;
        }
        if (dataRead > dataAllowed && headerRead)
            return Fed::TooLong;
        if (chunkLeft == 0) {
            if (!chunkHeld && !walk->next(chunk))
                return walkEnded();
            if (walk->chunks() == 1 && !chunkHeld)
                headerChunkFirst = chunk.is("IHDR");
            chunkIsData = chunk.is("IDAT");
            if (chunkIsData && !infoRead) {
                // libpng holds the header chunks; its rows wait until a decode asks for them.
                infoRead = true;
                chunkHeld = true;
                continue;
            }
            chunkHeld = false;
            if (!chunkIsData && !chunkIsRead(chunk.type))
                continue;
            if (!chunkIsData && chunk.length > kMaxHeaderChunk) {
                std::snprintf(message, sizeof message, "a chunk of %u bytes where at most %u belong",
                              unsigned(chunk.length), unsigned(kMaxHeaderChunk));
                return Fed::Failed;
            }
            chunkAt = chunk.offset;
            chunkLeft = chunk.end() - chunk.offset;
        }
        const qint64 piece = pieceAt(chunkAt, std::min(chunkLeft, kPiece));
        if (piece <= 0) {
            if (walk->end() == PngChunkWalk::End::Damaged)
                setMessage(walk->reason());
            return Fed::FileEnded;
        }
        // libpng only reads what it is given.
        auto *bytes = reinterpret_cast<png_bytep>(const_cast<char *>(buffer.constData() + (chunkAt - bufferStart)));
        chunkAt += piece;
        chunkLeft -= piece;
        if (chunkIsData)
            dataRead += piece;
        errorInData = chunkIsData;
        if (!guarded([&] { png_process_data(png, info, bytes, size_t(piece)); }))
            return Fed::Failed;
    }
    return Fed::Reached;
}

// The chunk walk ended before `reached`: at the end of the file, or at a chunk no PNG may hold.
PngDecoder::State::Fed PngDecoder::State::walkEnded()
{
    errorInData = false;
    switch (walk->end()) {
    case PngChunkWalk::End::NotPng:
        setMessage("no PNG signature");
        return Fed::Failed;
    case PngChunkWalk::End::Damaged:
    case PngChunkWalk::End::PastBound:
        setMessage(walk->reason());
        return Fed::Failed;
    case PngChunkWalk::End::EndChunk:
        setMessage("no picture data before the end chunk");
        return Fed::Failed;
    default:
        return Fed::FileEnded;
    }
}

// The header chunks are all read (the picture data comes next): the picture's size and layout,
// before libpng sets up its rows (two row buffers, the size of a row each).
bool PngDecoder::State::readInfo()
{
    // libpng's header is only there when the first chunk was one it took (a header chunk renamed,
    // or put after the picture data, leaves libpng without one).
    if (!headerChunkFirst) {
        setMessage("no header chunk (IHDR) before the picture data");
        return false;
    }
    bool read = false;
    return guarded([&] { read = takeInfo(); }) && read;
}

// readInfo's reading from libpng, under its frame.
bool PngDecoder::State::takeInfo()
{
    int interlace = PNG_INTERLACE_NONE;
    if (!png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr))
        return false;
    passes = interlace == PNG_INTERLACE_NONE ? 1 : 7;
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
        if (!png_get_PLTE(png, info, &entries, &count) || !entries) {
            setMessage("no palette");
            return false;
        }
        paletteEntries = std::min(count, 256);
        for (int i = 0; i < paletteEntries; ++i)
            palette[size_t(i)] =
                premultipliedRgba(entries[i].red, entries[i].green, entries[i].blue, entryAlpha[size_t(i)]);
    }
    // Each row, in each pass of an interlaced picture, is its filter byte and its samples. A
    // compressor writes little more than that even for noise (zlib at most some 0.03 % and a few
    // bytes more), and chunks of picture data are framed in 12 bytes each: twice the rows' bytes
    // and a mebibyte leave ample room for any writer.
    const qint64 bitsPerPixel = qint64(png_get_bit_depth(png, info)) * png_get_channels(png, info);
    qint64 rowsBytes = 0;
    for (int pass = 0; pass < passes; ++pass) {
        const qint64 columns = passes > 1 ? qint64(PNG_PASS_COLS(width, pass)) : qint64(width);
        const qint64 rows = passes > 1 ? qint64(PNG_PASS_ROWS(height, pass)) : qint64(height);
        if (columns > 0 && rows > 0)
            rowsBytes += rows * ((columns * bitsPerPixel + 7) / 8 + 1);
    }
    dataAllowed = 2 * rowsBytes + kDataSlack;
    return true;
}

// libpng met the first picture data, which only a decode gives it (its rows have somewhere to go
// by then): libpng's rows are set up.
void PngDecoder::State::takeHeader()
{
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    headerRead = true;
}

void PngDecoder::State::takeRow(png_bytep row, png_uint_32 number, int pass)
{
    if (number >= height || rowsIn)
        return;
    if (passes > 1) {
        // Every pass fills part of every row: the rows are complete only after the last one.
        png_progressive_combine_row(png, stored.data() + size_t(number) * rowBytes, row);
        rowsIn = pass == 6 && number == height - 1;
        return;
    }
    if (row)
        feedRow(row);
    rowsIn = number == height - 1;
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
    rowsAsStored = format == QImage::Format_Grayscale8 && bitDepth == 8;
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

// Reads the rows, then on to the end chunk as far as the picture data may run: a chunk after the
// picture data that does not read, or a file cut short after it, leaves the picture as it is.
bool PngDecoder::State::readRows()
{
    const Fed fed = feedUntil(&State::endRead);
    if (fed == Fed::Stopped)
        return false;
    // libpng reaches the end chunk only once every row was in.
    if (!rowsIn && fed != Fed::Reached) {
        if (fed == Fed::FileEnded && walk->end() != PngChunkWalk::End::Damaged)
            setMessage("the file ends early");
        else if (fed == Fed::TooLong)
            setMessage("its picture data runs far past what its rows take");
        return false;
    }
    if (fed == Fed::Failed && errorInData)
        return false;
    if (passes > 1) {
        for (png_uint_32 y = 0; y < height; ++y)
            feedRow(stored.data() + size_t(y) * rowBytes);
    }
    return true;
}

// Sets libpng up and reads the header chunks, up to the picture data.
void PngDecoder::State::open()
{
    walk.emplace([this](qint64 offset, qint64 length) { return bytesAt(offset, length); }, size, false);
    // libpng makes its read struct under a frame of its own, which an error there leaves through.
    creating = true;
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, pngError, pngWarning);
    creating = false;
    if (png && !guarded([this] { info = png_create_info_struct(png); }))
        info = nullptr;
    if (!png || !info) {
        setMessage("out of memory");
        logDamaged();
        return;
    }
    const bool set = guarded([this] {
#if defined(PNG_SET_OPTION_SUPPORTED) && defined(PNG_MAXIMUM_INFLATE_WINDOW)
        // As Qt's reader: a little more memory for files whose compressed stream claims too small a window.
        png_set_option(png, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
#endif
        // libpng's own limit of a million pixels a side is lifted: a picture's size is bounded by
        // the pixel cap of full decodes and its row buffers by decodeInto, with a reason each.
        png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
        png_set_progressive_read_fn(png, this, pngHeader, pngRow, pngEnd);
    });
    const Fed fed = set ? feedUntil(&State::infoRead) : Fed::Failed;
    if (fed == Fed::Stopped)
        return;
    if (fed != Fed::Reached || !readInfo() || width == 0 || height == 0 || width > 0x7fffffffu
        || height > 0x7fffffffu) {
        if (fed == Fed::FileEnded && walk->end() != PngChunkWalk::End::Damaged)
            setMessage("the file ends early");
        logDamaged();
        return;
    }
    choosePixels();
    valid = true;
}

PngDecoder::PngDecoder(const QString &path, const RegularFile &file, std::function<bool()> shouldStop)
    : PngDecoder(path, file, 0, file.size(), PngRole::Picture, std::move(shouldStop))
{
}

PngDecoder::PngDecoder(const QString &path, const RegularFile &file, qint64 offset, qint64 length, PngRole role,
                       std::function<bool()> shouldStop)
    : d_(std::make_unique<State>())
{
    d_->path = path;
    d_->role = role;
    d_->file = &file;
    d_->base = std::clamp<qint64>(offset, 0, file.size());
    d_->size = std::clamp<qint64>(length, 0, file.size() - d_->base);
    d_->shouldStop = std::move(shouldStop);
    d_->open();
}

PngDecoder::PngDecoder(const QString &path, const QByteArray &data, PngRole role)
    : d_(std::make_unique<State>())
{
    d_->path = path;
    d_->role = role;
    d_->buffer = data;
    d_->size = data.size();
    d_->open();
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

int PngDecoder::bitDepth() const
{
    return d_->valid ? d_->bitDepth : 0;
}

bool PngDecoder::isGrey() const
{
    return d_->valid && (d_->colorType & PNG_COLOR_MASK_COLOR) == 0;
}

bool PngDecoder::hasAlpha() const
{
    return d_->valid && d_->format == QImage::Format_ARGB32_Premultiplied;
}

qint64 PngDecoder::decodeBytes() const
{
    if (!d_->valid)
        return 0;
    const qint64 stored = d_->passes > 1 ? qint64(d_->rowBytes) * d_->height : 0;
    return stored + d_->rowBuffersBytes() + kReadAhead + kLibraryBytes;
}

bool PngDecoder::decodeInto(AreaReduction &reduction)
{
    if (!d_->valid || !reduction.isValid())
        return false;
    if (refusedAsTooLarge())
        return false;
    try {
        if (d_->passes > 1)
            d_->stored.assign(d_->rowBytes * size_t(d_->height), 0);
        if (!d_->rowsAsStored)
            d_->converted.assign(d_->format == QImage::Format_Grayscale8 ? (d_->width + 3) / 4 : d_->width, 0);
    } catch (const std::bad_alloc &) {
        d_->setMessage("out of memory");
        d_->logDamaged();
        return false;
    }
    d_->valid = false; // one decode per reading
    d_->reduction = &reduction;
    const bool read = d_->readRows();
    d_->reduction = nullptr;
    if (!read) {
        if (!d_->stopped)
            d_->logDamaged();
        return false;
    }
    return !reduction.result().isNull();
}
bool PngDecoder::refusedAsTooLarge()
{
    // A row of a very wide picture costs its decode three times over (libpng's two rows and ours)
    // whatever the picture's height: past a decode's share of memory it is left out as too large.
    const qint64 rowBytes = d_->rowBuffersBytes();
    if (rowBytes <= kMaxDecodeBytes && decodeBytes() <= maxAloneDecodeBytes())
        return false;
    constexpr qint64 megabyte = 1024 * 1024;
    d_->logLeftOut(SkipReason::TooLarge,
                   QStringLiteral("%1 x %2 pixels: decoding it would take %3 MB, more than the %4 MB allowed")
                       .arg(d_->width)
                       .arg(d_->height)
                       .arg((decodeBytes() + megabyte - 1) / megabyte)
                       .arg((rowBytes > kMaxDecodeBytes ? kMaxDecodeBytes : maxAloneDecodeBytes()) / megabyte));
    SkipRecord::noteSkippedPixels(d_->width, d_->height);
    d_->valid = false;
    return true;
}

std::optional<QImage> PngDecoder::decodeReduced(const ReductionAxis &columns, const ReductionAxis &rows)
{
    if (!d_->valid || refusedAsTooLarge())
        return std::nullopt;
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
