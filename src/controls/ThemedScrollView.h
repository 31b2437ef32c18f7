#pragma once

#include <QRect>
#include <QScrollArea>

class QAbstractScrollArea;

// A dark scroll area: CustomScroller scrollers, the corner between two scrollers filled black,
// and no scrolling by the wheel while pop-up mode is on.
class ThemedScrollView : public QScrollArea
{
    Q_OBJECT
public:
    explicit ThemedScrollView(QWidget *parent = nullptr);

    // Gives any scroll area (list, table, grid view) the same scrollers, black corner and pop-up
    // wheel guard. `tableScrollers` picks the grey-69 table scrollers.
    static void applyTheme(QAbstractScrollArea *area, bool tableScrollers = false);

    // The corner square between a vertical and a horizontal scroller, in the area's coordinates;
    // empty unless both are shown.
    static QRect cornerRect(const QAbstractScrollArea *area);

protected:
    void wheelEvent(QWheelEvent *event) override;
};
