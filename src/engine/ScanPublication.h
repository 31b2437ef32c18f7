#pragma once

#include "model/ImageFile.h"

#include <QVariantMap>

#include <optional>

// What the sheet does with a scan's result when it closes: nothing when the scan was stopped
// (sendData absent), announce "NoSimilarPhotosFound" when the list is empty, else post
// "callVCFromScanVC" and then "SelectedFiles" with userInfo.
struct ScanPublication {
    enum class Kind { Nothing, NoSimilarPhotosFound, SelectedFiles };

    Kind kind = Kind::Nothing;
    // For SelectedFiles: "data" (the groups, QVariant::fromValue<ImageGroups>) and "isSimilarScan"
    // (bool).
    QVariantMap userInfo;

    static ScanPublication decide(const std::optional<ImageGroups> &sendData, bool isSimilarScan);
};
