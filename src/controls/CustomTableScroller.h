#pragma once

#include "controls/CustomScroller.h"

// The scroller of the themed tables: like CustomScroller on a grey-69 background.
class CustomTableScroller : public CustomScroller
{
    Q_OBJECT
public:
    using CustomScroller::CustomScroller;

    QColor backgroundColor() const override { return QColor(69, 69, 69); }
};
