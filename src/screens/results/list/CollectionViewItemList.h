#pragma once

#include "screens/results/grid/ResultItem.h"

// One row of the results list: the grid cell's twin, with the same context menu and commands.
// It reacts to the pointer only while the list is shown ("IsThumbnailSelected" false) and no sheet
// or dialog is up ("IsPopUpTWK" false); an empty results view does not shut it.
class CollectionViewItemList : public ResultItem
{
    Q_OBJECT
public:
    CollectionViewItemList(ResultViewController *owner, int section, int row);
    static bool gateIsOpen();
    // A row starts empty: the file it shows is read when a command needs it.
    void clearListRow();

protected:
    bool gateOpen() const override { return gateIsOpen(); }
};
