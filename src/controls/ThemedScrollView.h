#pragma once

#include <QRect>
#include <QScrollArea>

class QAbstractScrollArea;

// A dark scroll area: CustomScroller scrollers, the corner between two scrollers filled black
// (only while both are shown), and no scrolling by the wheel while pop-up mode is on.
class ThemedScrollView : public QScrollArea
{
    Q_OBJECT
public:
    explicit ThemedScrollView(QWidget *parent = nullptr);

    // Gives any scroll area (list, table, grid view) the same scrollers, no frame and the pop-up
    // wheel guard. `tableScrollers` picks the table scrollers on the frame grey. The corner between two
    // scrollers shows the area's window colour.
    static void applyTheme(QAbstractScrollArea *area, bool tableScrollers = false);

    // The corner square between a vertical and a horizontal scroller, in the area's coordinates;
    // empty unless both are shown.
    static QRect cornerRect(const QAbstractScrollArea *area);

protected:
    // Paints the black corner square between the two scrollers after the area's own painting.
    bool event(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
};
