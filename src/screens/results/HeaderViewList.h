#pragma once

#include "screens/results/HeaderView.h"

// The header bar of one group in the results list: the grid's header without the zoom button.
class HeaderViewList : public HeaderView
{
    Q_OBJECT
public:
    explicit HeaderViewList(QWidget *parent = nullptr);
};
