#include "platform/JpegHeader.h"

#include <array>

namespace platform {

namespace {

constexpr int kMaxDimension = 65500; // the library's largest width or height
constexpr int kMaxComponents = 10;   // components per frame it accepts
constexpr int kMaxCompsInScan = 4;

int be16(const unsigned char *p)
{
    return (int(p[0]) << 8) | int(p[1]);
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

std::optional<JpegHeaderFacts> readJpegHeader(const unsigned char *data, size_t size)
{
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return std::nullopt;

    struct Component {
        int id;
        int h;
        int v;
    };
    std::array<Component, 256> components{};
    bool sawFrame = false;
    int precision = 0, width = 0, height = 0, componentCount = 0;

    size_t at = 2;
    for (;;) {
        // A marker: 0xFF, any number of 0xFF fill bytes, then the marker code.
        if (at >= size || data[at] != 0xFF)
            return std::nullopt;
        while (at < size && data[at] == 0xFF)
            ++at;
        if (at >= size)
            return std::nullopt;
        const int marker = data[at++];
        if (at + 2 > size)
            return std::nullopt;
        const size_t length = size_t(be16(data + at));
        if (length < 2 || at + length > size)
            return std::nullopt;
        const unsigned char *payload = data + at + 2;
        const size_t payloadLength = length - 2;

        if ((marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE) {
            // APPn and COM: read or skipped whole, never rejected.
        } else if (marker == 0xDB) {
            if (!quantTablesAreWhole(payload, payloadLength))
                return std::nullopt;
        } else if (marker == 0xC4) {
            if (!huffmanTablesAreWhole(payload, payloadLength))
                return std::nullopt;
        } else if (marker == 0xDD) {
            if (length != 4)
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
            if (width > kMaxDimension || height > kMaxDimension || precision != 8
                || componentCount > kMaxComponents)
                return std::nullopt;
            for (int c = 0; c < componentCount; ++c) {
                const Component &component = components[size_t(c)];
                if (component.h < 1 || component.h > 4 || component.v < 1 || component.v > 4)
                    return std::nullopt;
            }
            return JpegHeaderFacts{width, height, componentCount};
        } else {
            // SOI again, EOI, restart markers, DNL, DAC, other frame types, reserved codes.
            return std::nullopt;
        }
        at += length;
    }
}

} // namespace platform
