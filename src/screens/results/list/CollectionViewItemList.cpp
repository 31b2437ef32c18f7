#include "screens/results/list/CollectionViewItemList.h"

#include "platform/UserDefaults.h"

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
    for (const char *key : {"IsThumbnailSelected", "IsPopUpTWK"})
        if (!defaults.holdsBool(QLatin1String(key)))
            return false;
    return !defaults.boolForKey(QStringLiteral("IsThumbnailSelected")) && !defaults.boolForKey(QStringLiteral("IsPopUpTWK"));
}
