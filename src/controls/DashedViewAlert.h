#pragma once

#include "controls/DashedView.h"

// The dashed view of the alerts: the same border in dark blue (4, 51, 105).
class DashedViewAlert : public DashedView
{
    Q_OBJECT
public:
    using DashedView::DashedView;

    QColor borderColor() const override { return QColor(4, 51, 105); }
};
