#include "engine/ScanSettings.h"

#include "model/ModuleState.h"
#include "platform/UserDefaults.h"
#include "model/SettingsKeys.h"

ScanSettings ScanSettings::snapshot()
{
    ScanSettings settings;
    settings.scanExtensions = ::scanExtensions;
    settings.imageExtensions = ::imageExtensions;
    settings.minimumFileSize = ::minimumFileSize;
    settings.scanVideos =
        platform::UserDefaults::standard().storedIntegerForKey(SettingsKey::scanVideoFilesInExactMatch) == 1;
    settings.hashBitmapSize = ::hashBitmapSize;
    settings.timeThreshold = ::timeThreshold;
    settings.distanceThreshold = ::distanceThreshold;
    settings.matchingLevel = ::similarityThreshold;
    return settings;
}

ScanSettings ScanSettings::defaults()
{
    ScanSettings settings;
    settings.scanExtensions = ::allExtensions;
    settings.imageExtensions = ::imageExtensions;
    return settings;
}
