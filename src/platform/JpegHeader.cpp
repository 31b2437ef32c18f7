#include "platform/JpegHeader.h"

#include "platform/Log.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace platform {

namespace {

constexpr int kMaxDimension = 65500; // the library's largest width or height
constexpr int kMaxComponents = 10;   // components per frame it accepts
constexpr int kMaxCompsInScan = 4;

int be16(const unsigned char *p)
{
    return (int(p[0]) << 8) | int(p[1]);
}

// The bytes of data held in memory, handed out without a copy.
JpegMoreBytes bytesIn(const unsigned char *data)
{
    return [data](qint64 offset, qint64 length) {
        return QByteArray::fromRawData(reinterpret_cast<const char *>(data) + offset, qsizetype(length));
    };
}

// A DQT segment's payload: whole 8- or 16-bit tables with table numbers 0-3, ending exactly at
// the segment's end.
bool quantTablesAreWhole(const unsigned char *p, size_t length)
{
    size_t at = 0;
    while (at < length) {
        const int precision = p[at] >> 4;
        const int table = p[at] & 0x0F;
        if (table >= 4 || precision > 1)
            return false;
        const size_t tableBytes = precision ? 128 : 64;
        if (length - at < 1 + tableBytes)
            return false;
        at += 1 + tableBytes;
    }
    return at == length;
}

// A DHT segment's payload: tables of class 0 or 1 and number 0-3 whose code counts total at most
// 256 and fit, ending exactly at the segment's end.
bool huffmanTablesAreWhole(const unsigned char *p, size_t length)
{
    size_t at = 0;
    while (at < length) {
        if (length - at <= 16)
            return false;
        const int index = p[at];
        if ((index & 0x0F) >= 4 || (index >> 4) > 1)
            return false;
        size_t count = 0;
        for (int i = 1; i <= 16; ++i)
            count += p[at + size_t(i)];
        at += 17;
        if (count > 256 || count > length - at)
            return false;
        at += count;
    }
    return at == length;
}

} // namespace

std::optional<JpegHeaderFacts> readJpegHeader(const JpegMoreBytes &bytesAt, qint64 size)
{
    if (size < 4)
        return std::nullopt;

    struct Component {
        int id;
        int h;
        int v;
    };
    std::array<Component, 256> components{};
    bool sawFrame = false;
    bool progressive = false;
    int precision = 0, width = 0, height = 0, componentCount = 0;

    JpegSegmentWalk walk(bytesAt, size, JpegExtent::BeforeScan);
    JpegSegment segment;
    while (walk.next(segment)) {
        // Fill bytes may stand before a marker; stray bytes, a marker without a length, a length
        // that cannot be one or a segment cut off by the end of the data may not.
        if (segment.stray || segment.length < 2 || segment.end() > size)
            return std::nullopt;
        const int marker = segment.marker;
        const size_t length = size_t(segment.length);
        if ((marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE)
            continue; // APPn and COM: read or skipped whole, never rejected
        if (marker == 0xDD) {
            if (length != 4)
                return std::nullopt;
            continue;
        }
        const QByteArray body = walk.bytes(segment.offset + 2, segment.length - 2);
        if (body.size() != segment.length - 2)
            return std::nullopt;
        const unsigned char *payload = reinterpret_cast<const unsigned char *>(body.constData());
        const size_t payloadLength = length - 2;

        if (marker == 0xDB) {
            if (!quantTablesAreWhole(payload, payloadLength))
                return std::nullopt;
        } else if (marker == 0xC4) {
            if (!huffmanTablesAreWhole(payload, payloadLength))
                return std::nullopt;
        } else if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            if (sawFrame || payloadLength < 6)
                return std::nullopt;
            precision = payload[0];
            height = be16(payload + 1);
            width = be16(payload + 3);
            componentCount = payload[5];
            if (height <= 0 || width <= 0 || componentCount <= 0)
                return std::nullopt;
            if (payloadLength != 6 + size_t(componentCount) * 3)
                return std::nullopt;
            for (int c = 0; c < componentCount; ++c) {
                const unsigned char *component = payload + 6 + c * 3;
                components[size_t(c)] = Component{component[0], component[1] >> 4, component[1] & 0x0F};
                for (int d = 0; d < c; ++d)
                    if (components[size_t(d)].id == component[0])
                        return std::nullopt; // repeated component ids
            }
            sawFrame = true;
            progressive = marker == 0xC2;
        } else if (marker == 0xDA) {
            if (!sawFrame || payloadLength < 1)
                return std::nullopt;
            const int n = payload[0];
            if (n < 1 || n > kMaxCompsInScan || length != size_t(n) * 2 + 6)
                return std::nullopt;
            bool used[kMaxCompsInScan] = {false, false, false, false};
            const int searchable = componentCount < kMaxCompsInScan ? componentCount : kMaxCompsInScan;
            for (int i = 0; i < n; ++i) {
                const int selector = payload[1 + i * 2];
                int found = -1;
                for (int c = 0; c < searchable; ++c) {
                    if (components[size_t(c)].id == selector) {
                        found = c;
                        break;
                    }
                }
                if (found < 0 || used[found])
                    return std::nullopt;
                used[found] = true;
            }
            // The checks the library makes once the first scan begins.
            if (width > kMaxDimension || height > kMaxDimension || precision != 8 || componentCount > kMaxComponents)
                return std::nullopt;
            for (int c = 0; c < componentCount; ++c) {
                const Component &component = components[size_t(c)];
                if (component.h < 1 || component.h > 4 || component.v < 1 || component.v > 4)
                    return std::nullopt;
            }
            JpegHeaderFacts facts{width, height, componentCount, 0};
            if (progressive || n < componentCount) {
                // The decoder keeps every coefficient block of every component (64 16-bit values).
                int maxH = 1, maxV = 1;
                for (int c = 0; c < componentCount; ++c) {
                    maxH = std::max(maxH, components[size_t(c)].h);
                    maxV = std::max(maxV, components[size_t(c)].v);
                }
                for (int c = 0; c < componentCount; ++c) {
                    const qint64 across = (qint64(width) * components[size_t(c)].h + 8 * maxH - 1) / (8 * maxH);
                    const qint64 down = (qint64(height) * components[size_t(c)].v + 8 * maxV - 1) / (8 * maxV);
                    facts.bufferedBytes += (across + 4) * (down + 4) * 128;
                }
            }
            return facts;
        } else {
            // Other frame types, DNL, DAC, reserved codes.
            return std::nullopt;
        }
    }
    // SOI again, EOI, the end of the data, a bound passed.
    return std::nullopt;
}

std::optional<JpegHeaderFacts> readJpegHeader(const unsigned char *data, size_t size)
{
    if (!data)
        return std::nullopt;
    return readJpegHeader(bytesIn(data), qint64(size));
}

namespace {

// Error handling of the library: errors jump back, messages go nowhere. The jump is armed only
// while the frame of its setjmp is live: an error at any other time would land in a frame that has
// returned, so it ends the process with a line in the log instead.
struct SilentErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    bool armed = false;
};

void jumpOnError(j_common_ptr info)
{
    auto *errors = reinterpret_cast<SilentErrors *>(info->err);
    if (!errors->armed) {
        logCritical(lcPlatform) << "The JPEG library reported an error outside a call of ours that can take it";
        std::abort();
    }
    std::longjmp(errors->jump, 1);
}

void noMessage(j_common_ptr, int)
{
}

void noOutput(j_common_ptr)
{
}

// The byte stream the library reads: the file, then the end-of-image filler (FF D9 over and over)
// that Qt's and the library's own sources insert once the data is spent. The filler comes in one
// long even-length piece, so skipping or keeping a segment that runs past the end costs one step,
// not one per filler pair; the bytes the library sees are the same.
struct MemorySource {
    jpeg_source_mgr manager;
    const unsigned char *data = nullptr;
    qint64 available = 0;
    qint64 fileSize = 0;
    const JpegMoreBytes *more = nullptr;
    qint64 next = 0; // file offset of the next byte not yet handed to the library
    QByteArray chunk;
    bool atEnd = false;
    const std::vector<unsigned char> *filler = nullptr;
};

// 64 KiB of FF D9 pairs, made once.
const std::vector<unsigned char> &endFiller()
{
    static const std::vector<unsigned char> filler = [] {
        std::vector<unsigned char> bytes(64 * 1024);
        for (size_t i = 0; i < bytes.size(); i += 2) {
            bytes[i] = 0xFF;
            bytes[i + 1] = JPEG_EOI;
        }
        return bytes;
    }();
    return filler;
}

MemorySource *sourceOf(j_decompress_ptr info)
{
    return reinterpret_cast<MemorySource *>(info->src);
}

void initSource(j_decompress_ptr)
{
}

boolean fillInput(j_decompress_ptr info)
{
    MemorySource *source = sourceOf(info);
    if (!source->atEnd && source->next < source->fileSize) {
        if (source->next < source->available) {
            source->manager.next_input_byte = source->data + source->next;
            source->manager.bytes_in_buffer = size_t(source->available - source->next);
            source->next = source->available;
            return TRUE;
        }
        if (source->more && *source->more) {
            source->chunk = (*source->more)(source->next, std::min<qint64>(64 * 1024, source->fileSize - source->next));
            if (!source->chunk.isEmpty()) {
                source->manager.next_input_byte = reinterpret_cast<const JOCTET *>(source->chunk.constData());
                source->manager.bytes_in_buffer = size_t(source->chunk.size());
                source->next += source->chunk.size();
                return TRUE;
            }
        }
    }
    source->atEnd = true;
    source->manager.next_input_byte = source->filler->data();
    source->manager.bytes_in_buffer = source->filler->size();
    return TRUE;
}

void skipInput(j_decompress_ptr info, long count)
{
    if (count <= 0)
        return;
    MemorySource *source = sourceOf(info);
    qint64 left = count;
    if (left <= qint64(source->manager.bytes_in_buffer)) {
        source->manager.next_input_byte += left;
        source->manager.bytes_in_buffer -= size_t(left);
        return;
    }
    left -= qint64(source->manager.bytes_in_buffer);
    source->manager.bytes_in_buffer = 0;
    if (!source->atEnd) {
        // Skipped file bytes are never read.
        const qint64 inFile = std::max<qint64>(0, source->fileSize - source->next);
        if (left < inFile) {
            source->next += left;
            fillInput(info);
            return;
        }
        left -= inFile;
        source->next = source->fileSize;
    }
    for (;;) {
        fillInput(info);
        if (left <= qint64(source->manager.bytes_in_buffer)) {
            source->manager.next_input_byte += left;
            source->manager.bytes_in_buffer -= size_t(left);
            return;
        }
        left -= qint64(source->manager.bytes_in_buffer);
        source->manager.bytes_in_buffer = 0;
    }
}

void termSource(j_decompress_ptr)
{
}

} // namespace

JpegMarkerCount countJpegMarkers(const JpegMoreBytes &bytesAt, qint64 dataSize, JpegExtent extent)
{
    JpegSegmentWalk walk(bytesAt, dataSize, extent);
    JpegSegment segment;
    while (walk.next(segment)) { }
    return walk.count();
}

std::optional<JpegHeaderFacts> decodeJpegHeader(const unsigned char *data, size_t available, qint64 fileSize,
                                                const JpegMoreBytes &more)
{
    if (!data && available > 0)
        return std::nullopt;
    MemorySource source;
    source.data = data;
    source.available = qint64(available);
    source.fileSize = std::max<qint64>(fileSize, qint64(available));
    source.more = &more;
    source.filler = &endFiller();
    source.manager.init_source = initSource;
    source.manager.fill_input_buffer = fillInput;
    source.manager.skip_input_data = skipInput;
    source.manager.resync_to_restart = jpeg_resync_to_restart;
    source.manager.term_source = termSource;
    source.manager.next_input_byte = nullptr;
    source.manager.bytes_in_buffer = 0;

    jpeg_decompress_struct info{};
    SilentErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpOnError;
    errors.manager.emit_message = noMessage;
    errors.manager.output_message = noOutput;
    JpegHeaderFacts facts;
    volatile bool read = false;
    if (setjmp(errors.jump) == 0) {
        errors.armed = true;
        jpeg_create_decompress(&info);
        info.src = &source.manager;
        jpeg_read_header(&info, TRUE);
        jpeg_calc_output_dimensions(&info);
        facts.width = int(info.output_width);
        facts.height = int(info.output_height);
        facts.components = info.output_components;
        if (jpeg_has_multiple_scans(&info)) {
            for (int c = 0; c < info.num_components; ++c) {
                const jpeg_component_info &component = info.comp_info[c];
                facts.bufferedBytes += (qint64(component.width_in_blocks) + 4)
                    * (qint64(component.height_in_blocks) + 4) * qint64(sizeof(JBLOCK));
            }
        }
        read = true;
    }
    // Under a frame of its own: a jump back to the first would run the reading's end once more.
    if (setjmp(errors.jump) == 0)
        jpeg_destroy_decompress(&info);
    errors.armed = false;
    if (!read || facts.width <= 0 || facts.height <= 0)
        return std::nullopt;
    return facts;
}

namespace {

// Whether the TIFF structure of an Exif segment (`tiff`, `length` bytes) links a second image
// directory; true as well when the structure cannot be followed.
bool tiffLinksSecondDirectory(const unsigned char *tiff, size_t length)
{
    if (length < 8)
        return true;
    bool little;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        little = true;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        little = false;
    else
        return true;
    auto u16 = [&](size_t at) -> quint32 {
        return little ? quint32(tiff[at]) | quint32(tiff[at + 1]) << 8 : quint32(tiff[at]) << 8 | quint32(tiff[at + 1]);
    };
    auto u32 = [&](size_t at) -> quint32 { return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2); };
    if (u16(2) != 42)
        return true;
    const size_t ifd0 = u32(4);
    if (ifd0 < 8 || ifd0 > length - 2)
        return true;
    const size_t entries = u16(ifd0);
    const size_t next = ifd0 + 2 + 12 * entries;
    if (next > length - 4)
        return true;
    return u32(next) != 0;
}

} // namespace

bool jpegMayHoldExifThumbnail(const unsigned char *data, size_t size)
{
    static const unsigned char exifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (!data || size < 4)
        return true;
    JpegSegmentWalk walk(bytesIn(data), qint64(size), JpegExtent::BeforeScan);
    JpegSegment segment;
    while (walk.next(segment)) {
        // Only segments right after one another are expected before the picture's data.
        if (segment.skipped > 0)
            return true;
        if (segment.marker == 0xDA)
            return false; // the picture's data begins: every segment before it was read
        if (segment.length < 2 || segment.end() > qint64(size))
            return true;
        if (segment.marker != 0xE1)
            continue;
        const unsigned char *payload = data + segment.offset + 2;
        const size_t payloadLength = size_t(segment.length) - 2;
        if (payloadLength >= sizeof exifSignature
            && std::equal(exifSignature, exifSignature + sizeof exifSignature, payload)
            && tiffLinksSecondDirectory(payload + sizeof exifSignature, payloadLength - sizeof exifSignature))
            return true;
    }
    return walk.end() != JpegSegmentWalk::End::EndOfImage;
}

} // namespace platform
