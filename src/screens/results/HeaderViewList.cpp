#include "screens/results/HeaderViewList.h"

#include <QHBoxLayout>
#include <QToolButton>

HeaderViewList::HeaderViewList(QWidget *parent)
    : HeaderView(false, parent)
{
    // The list's rows may be wider than the list (it then scrolls sideways): the group's buttons
    // follow its title so that they stay in sight.
    if (auto *row = qobject_cast<QHBoxLayout *>(layout())) {
        for (int i = row->count() - 1; i >= 0; --i)
            if (row->itemAt(i)->spacerItem())
                delete row->takeAt(i);
        row->insertSpacing(2, 10);
        row->addStretch(1);
    }
}
