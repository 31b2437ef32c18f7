#pragma once

#include <QStringList>

// twinsift-bench --deletion [--files N] [--marked M]: times the snapshot the deletion takes of the
// marks (makeDeletionSnapshot) for one group of N identical files (default 10,000) of which M are
// marked (default half), and reports the memory the snapshot holds. Prints one JSON object.
int deletionBench(const QStringList &args);
