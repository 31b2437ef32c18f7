#pragma once

#include "screens/results/grid/ResultItem.h"

// One cell of the results grid. It reacts to the pointer only while the grid is shown
// ("IsThumbnailSelected"), no sheet or dialog is up ("IsPopUpTWK") and no regrouping left the
// results empty ("ISSliderAvailable").
class CollectionViewItem : public ResultItem
{
    Q_OBJECT
public:
    using ResultItem::ResultItem;
    static bool gateIsOpen();

protected:
    bool gateOpen() const override { return gateIsOpen(); }
};
