#include "screens/results/HeaderViewList.h"

HeaderViewList::HeaderViewList(QWidget *parent) : HeaderView(false, parent) {}
