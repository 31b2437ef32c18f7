#pragma once

#include "controls/CustomScroller.h"
#include "model/Palette.h"

// The scroller of the themed tables: like CustomScroller on the frame grey.
class CustomTableScroller : public CustomScroller
{
    Q_OBJECT
public:
    using CustomScroller::CustomScroller;

    QColor backgroundColor() const override { return Palette::frame; }
};
