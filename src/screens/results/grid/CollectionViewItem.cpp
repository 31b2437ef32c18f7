#include "screens/results/grid/CollectionViewItem.h"

#include "platform/UserDefaults.h"

bool CollectionViewItem::gateIsOpen()
{
    const auto &defaults = platform::UserDefaults::standard();
    // The three flags are written at every launch; a missing one keeps the gate shut.
    for (const char *key : {"IsThumbnailSelected", "IsPopUpTWK", "ISSliderAvailable"})
        if (!defaults.holdsBool(QLatin1String(key)))
            return false;
    return defaults.boolForKey(QStringLiteral("IsThumbnailSelected")) && !defaults.boolForKey(QStringLiteral("IsPopUpTWK"))
           && !defaults.boolForKey(QStringLiteral("ISSliderAvailable"));
}
