#pragma once

#include "model/Palette.h"
#include <QHeaderView>

// Table header with a frame half a point wide around it, in the panel grey.
class customHeaderTableView : public QHeaderView
{
    Q_OBJECT
public:
    explicit customHeaderTableView(Qt::Orientation orientation, QWidget *parent = nullptr);

    static QColor frameColor() { return Palette::panelBackground; }

protected:
    void paintEvent(QPaintEvent *event) override;
};
