#pragma once

#include "model/Palette.h"
#include <QTableView>

// The scan list's table together with its scroll view: fill and table scrollers in the frame grey,
// no frame, and no scrolling by the wheel while pop-up mode is on.
class TableScrollView : public QTableView
{
    Q_OBJECT
public:
    explicit TableScrollView(QWidget *parent = nullptr);

    static QColor fillColor() { return Palette::frame; }

protected:
    void wheelEvent(QWheelEvent *event) override;
};
