#pragma once

// Keeps the lines that libraries print to standard error by themselves off it: libpng's
// "libpng error: …" and "libpng warning: …", which Qt's PNG reader leaves to libpng's own handler,
// beside the one line our log already writes for the same file. From the call on, standard error
// runs through a small filter process that forwards every other byte as it comes, so a crash or a
// sanitizer report still reaches the terminal. At a normal exit standard error is handed back and
// the filter drained first, so nothing written before is lost or comes after what follows.
// Call once, first in main, before any thread starts; a failure leaves standard error as it was.

namespace platform {

void filterLibraryLinesFromStandardError();

// Whether a line (without its newline) is one the filter keeps off standard error.
bool isLibraryNoiseLine(const char *line, unsigned long length);

} // namespace platform
