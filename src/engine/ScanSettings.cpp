#include "engine/ScanSettings.h"

#include "model/ModuleState.h"
#include "platform/UserDefaults.h"

#include <QMetaType>

namespace {

// True when the value is an integer equal to 1 (a Boolean or a text does not count).
bool holdsIntegerOne(const std::optional<QVariant> &value)
{
    if (!value)
        return false;
    switch (value->typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Long:
        return value->toLongLong() == 1;
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::ULong:
        return value->toULongLong() == 1;
    default:
        return false;
    }
}

} // namespace

ScanSettings ScanSettings::snapshot()
{
    ScanSettings settings;
    settings.scanExtensions = ::scanExtensions;
    settings.imageExtensions = ::imageExtensions;
    settings.minimumFileSize = ::minimumFileSize;
    settings.scanVideos =
        holdsIntegerOne(platform::UserDefaults::standard().object("ScanVideoFilesInExactMatchTWK"));
    settings.hashBitmapSize = ::hashBitmapSize;
    settings.timeThreshold = ::timeThreshold;
    settings.distanceThreshold = ::distanceThreshold;
    return settings;
}

ScanSettings ScanSettings::defaults()
{
    ScanSettings settings;
    settings.scanExtensions = ::allExtensions;
    settings.imageExtensions = ::imageExtensions;
    return settings;
}
