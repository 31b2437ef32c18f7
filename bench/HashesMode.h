#pragma once

#include <QStringList>

// twinsift-bench --hashes [--size S] PATH...: the perceptual hash of every file under the given
// folders (or of the given files), in path order, as one JSON object: for each file its path, the
// outcome ("hash", "flat", "unreadable"), the thumbnail the hash was made from (its size and the MD5
// of its pixels in one fixed format) and the hash words in hexadecimal. Comparing two runs (two
// releases of the system libraries, say) tells whether a file's hash moved because its decoder gave
// other pixels or because the reduction to the hash bitmap did. Exit status 0.
int hashesMode(const QStringList &args);
