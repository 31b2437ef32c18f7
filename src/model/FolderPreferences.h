#pragma once

#include <QString>

#include <optional>

// One row of the folder ranking used by automatic marking (in memory only).
struct FolderPreferences {
    int priority = 0;
    std::optional<QString> path;

    bool operator==(const FolderPreferences &) const = default;
};
