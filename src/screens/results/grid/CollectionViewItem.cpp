#include "screens/results/grid/CollectionViewItem.h"

#include "platform/UserDefaults.h"
#include "model/SettingsKeys.h"

bool CollectionViewItem::gateIsOpen()
{
    const auto &defaults = platform::UserDefaults::standard();
    // The three flags are written at every launch; a missing one keeps the gate shut.
    for (const QLatin1StringView key :
         {SettingsKey::isThumbnailSelected, SettingsKey::isPopUp, SettingsKey::isSliderAvailable})
        if (!defaults.holdsBool(key))
            return false;
    return defaults.boolForKey(SettingsKey::isThumbnailSelected) && !defaults.boolForKey(SettingsKey::isPopUp)
        && !defaults.boolForKey(SettingsKey::isSliderAvailable);
}
