#pragma once

// What the fuzz targets share: the roads take paths, so each input is written to one private file
// on a memory file system (/dev/shm, else the temporary folder), named after the process and reused
// for every input; it is removed when the process ends (or by the next process, when it was killed).

#include <QString>

#include <cstddef>
#include <cstdint>

namespace fuzz {

// Sets up once: Qt's core application and the log kept quiet (a damaged input is logged as such on
// every road; TWINSIFT_FUZZ_LOG=1 shows the lines).
void setUp(int *argc, char ***argv);
// Writes the input into the private file and gives its path; empty when it cannot be written.
const QString &writeInput(const uint8_t *data, size_t size);

} // namespace fuzz
