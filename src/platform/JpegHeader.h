#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform {

// What the frame header of a JPEG says, read from the file's first bytes without a decoder.
struct JpegHeaderFacts {
    int width = 0;
    int height = 0;
    int components = 0;
};

// Reads the markers of a JPEG from SOI up to and including the first SOS header and returns the
// frame size and component count, exactly as the system JPEG library reports them when it reads
// the header. The reading is strict: it answers only for the plain layout (SOI; APPn, COM, DQT,
// DHT, DRI segments; one baseline, extended or progressive Huffman frame; a well-formed SOS
// header) with every field in the range the library accepts, all within `size` bytes. Anything
// else (arithmetic coding, fill bytes between segments the library would skip with a warning, a
// segment cut off by the end of the data, a table or field the library would reject) gives no
// answer, and the caller asks the decoder instead.
std::optional<JpegHeaderFacts> readJpegHeader(const unsigned char *data, size_t size);

} // namespace platform
