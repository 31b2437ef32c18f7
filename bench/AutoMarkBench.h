#pragma once

#include <QStringList>

// twinsift-bench --automark [--groups N] [--seed S]: times
// automatic marking of N made-up result groups of 2 to 5 files (default 20,000) whose properties
// are in memory, as after a scan, with all nine rules on. Prints one JSON object.
int autoMarkBench(const QStringList &args);
