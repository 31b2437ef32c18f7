#pragma once

#include "model/ImageFile.h"

#include <cstddef>
#include <vector>

// The groups of records that groups of positions in `files` stand for, in the same order.
ImageGroups imageGroupsAt(const std::vector<std::vector<size_t>> &positions, const std::vector<ImageFilePtr> &files);
