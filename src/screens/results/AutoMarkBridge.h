#pragma once

#include "model/ResultState.h"

#include <vector>

// The results screen's calls into the automatic marking: the cascade of the selection-priority
// rules for one shown group, written as that group's marks. Until the rule comparators are part
// of the build the cascade runs with no rule deciding: a group with exactly one unprotected file
// marks that file; any other group keeps its first file and marks every other unprotected file.
namespace AutoMarkBridge {

// Runs the cascade for shown group g and stores the result as g's marks; `sortedIndexes` receives
// the candidates of the last rule run (element 0 is the file kept).
void applyAutoMarkToGroup(ResultState &state, int group, std::vector<int> &sortedIndexes);

} // namespace AutoMarkBridge
