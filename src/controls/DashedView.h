#pragma once

#include "model/Palette.h"
#include <QColor>
#include <QRectF>
#include <QWidget>

// A view with a dashed border (11 points on, 11 off, 6 points wide, centred on the edge) in
// the frame grey. The border follows the last rectangle drawn; it is one border however often the view
// is redrawn.
class DashedView : public QWidget
{
    Q_OBJECT
public:
    explicit DashedView(QWidget *parent = nullptr);

    virtual QColor borderColor() const { return Palette::frame; }

    // The border: its rectangle (the last one drawn), added once on the first drawing.
    struct Border {
        QRectF frame;
        bool added = false;
    };
    const Border &yourViewBorder() const { return m_border; }
    bool isFirst() const { return m_isFirst; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_isFirst = true;
    Border m_border;
};
