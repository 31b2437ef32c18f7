#include "engine/ScanPublication.h"

ScanPublication ScanPublication::decide(const std::optional<ImageGroups> &sendData, bool isSimilarScan,
                                        std::shared_ptr<ResultFileKeys> fileKeys)
{
    ScanPublication publication;
    if (!sendData)
        return publication;
    if (sendData->empty()) {
        publication.kind = Kind::NoSimilarPhotosFound;
        return publication;
    }
    publication.kind = Kind::SelectedFiles;
    publication.userInfo.insert(QStringLiteral("data"), QVariant::fromValue(*sendData));
    publication.userInfo.insert(QStringLiteral("isSimilarScan"), isSimilarScan);
    if (fileKeys)
        publication.userInfo.insert(QStringLiteral("fileKeys"), QVariant::fromValue(std::move(fileKeys)));
    return publication;
}
