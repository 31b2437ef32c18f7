#pragma once

#include "model/ImageFile.h"
#include "model/ResultFileKeys.h"

#include <QVariantMap>

#include <memory>
#include <optional>

// What the sheet does with a scan's result when it closes: nothing when the scan was stopped
// (sendData absent), announce "NoSimilarPhotosFound" when the list is empty, else post
// "callVCFromScanVC" and then "SelectedFiles" with userInfo.
struct ScanPublication {
    enum class Kind { Nothing, NoSimilarPhotosFound, SelectedFiles };

    Kind kind = Kind::Nothing;
    // For SelectedFiles: "data" (the groups, QVariant::fromValue<ImageGroups>), "isSimilarScan"
    // (bool) and, when given, "fileKeys" (the keys of the groups' files, a
    // std::shared_ptr<ResultFileKeys>, for the result to take over).
    QVariantMap userInfo;

    static ScanPublication decide(const std::optional<ImageGroups> &sendData, bool isSimilarScan,
                                  std::shared_ptr<ResultFileKeys> fileKeys = {});
};
