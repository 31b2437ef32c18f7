#pragma once

#include "model/ResultState.h"

#include <QUrl>

#include <initializer_list>
#include <memory>

// Made-up result groups for tests of the result commands: files that need not exist on disk.

inline ImageFilePtr fileAt(const QString &path, float score = 100.0f)
{
    auto file = std::make_shared<ImageFile>();
    file->url = QUrl::fromLocalFile(path);
    file->fileName = QUrl::fromLocalFile(path).fileName();
    file->matchingPercentage = score;
    return file;
}

// Groups of the given sizes, of files named /p/g<group>/f<row>.jpg.
inline ImageGroups makeGroups(std::initializer_list<int> sizes)
{
    ImageGroups groups;
    int g = 0;
    for (int size : sizes) {
        ImageGroup group;
        for (int r = 0; r < size; ++r)
            group.push_back(fileAt(QStringLiteral("/p/g%1/f%2.jpg").arg(g).arg(r)));
        groups.push_back(group);
        ++g;
    }
    return groups;
}
