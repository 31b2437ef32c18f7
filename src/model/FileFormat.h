#pragma once

#include <QString>

// One row of the file-format ranking used by automatic marking (in memory only).
struct FileFormat {
    int priority = 0;
    QString fileExtension;

    bool operator==(const FileFormat &) const = default;
};
