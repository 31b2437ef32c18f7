#include "screens/results/list/CollectionViewItemList.h"

#include "platform/UserDefaults.h"
#include "model/SettingsKeys.h"

CollectionViewItemList::CollectionViewItemList(ResultViewController *owner, int section, int row)
    : ResultItem(owner, section, row)
{
    clearListRow();
}

void CollectionViewItemList::clearListRow()
{
    openFileUrl.reset();
}

bool CollectionViewItemList::gateIsOpen()
{
    const auto &defaults = platform::UserDefaults::standard();
    // Both flags are written at every launch; a missing one keeps the gate shut.
    for (const QLatin1StringView key : {SettingsKey::isThumbnailSelected, SettingsKey::isPopUp})
        if (!defaults.holdsBool(key))
            return false;
    return !defaults.boolForKey(SettingsKey::isThumbnailSelected) && !defaults.boolForKey(SettingsKey::isPopUp);
}
