#pragma once

#include <QTableView>

// The scan list's table together with its scroll view: grey-69 fill, grey-69 table scrollers,
// no frame, and no scrolling by the wheel while pop-up mode is on.
class TableScrollView : public QTableView
{
    Q_OBJECT
public:
    explicit TableScrollView(QWidget *parent = nullptr);

    static QColor fillColor() { return QColor(69, 69, 69); }

protected:
    void wheelEvent(QWheelEvent *event) override;
};
