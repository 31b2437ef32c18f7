#pragma once

// What the fuzz targets share: their LLVMFuzzerInitialize (FuzzInput.cpp: Qt's core application,
// and the log kept quiet, since a damaged input is logged as such on every road; TWINSIFT_FUZZ_LOG=1
// shows the lines), and the input's file. The roads take paths, so each input is written to one
// private file on a memory file system (/dev/shm, else the temporary folder), named after the
// process and reused for every input; it is removed when the process ends (or by the next process,
// when it was killed).

#include <QSize>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace platform {
class ImageSource;
}

namespace fuzz {

// The size the picture's header claims (64 x 64 when it claims none; a GIF's logical screen when
// that is larger than its frame), and whether decoding it costs more than one input may: a picture
// within the full-decode cap costs its pixels on every road, a few seconds at the cap under the
// sanitizers, past the limit per input and no fault. So only small pictures are decoded whole;
// larger ones only when they are JPEGs (decoded at a reduced scale) or past the cap (refused, or
// shown by a preview, at once).
QSize claimedSize(const platform::ImageSource &source);
bool decodesTooLong(const platform::ImageSource &source, QSize claimed);

// Writes the input into the private file and gives its path; empty when it cannot be written.
const QString &writeInput(const uint8_t *data, size_t size);

} // namespace fuzz
