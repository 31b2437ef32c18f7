#pragma once

#include <QHeaderView>

// Table header with a grey-39 frame half a point wide around it.
class customHeaderTableView : public QHeaderView
{
    Q_OBJECT
public:
    explicit customHeaderTableView(Qt::Orientation orientation, QWidget *parent = nullptr);

    static QColor frameColor() { return QColor(39, 39, 39); }

protected:
    void paintEvent(QPaintEvent *event) override;
};
