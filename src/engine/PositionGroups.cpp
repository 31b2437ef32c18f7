#include "engine/PositionGroups.h"

ImageGroups imageGroupsAt(const std::vector<std::vector<size_t>> &positions, const std::vector<ImageFilePtr> &files)
{
    ImageGroups groups;
    groups.reserve(positions.size());
    for (const auto &group : positions) {
        ImageGroup members;
        members.reserve(group.size());
        for (size_t i : group)
            members.push_back(files[i]);
        groups.push_back(std::move(members));
    }
    return groups;
}
