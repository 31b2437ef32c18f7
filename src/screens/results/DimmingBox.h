#pragma once

#include <QWidget>

// The dark box a screen lays over itself while a sheet or an overlay is up. It covers its parent
// whole and stays on top as the parent is resized. Hidden until shown.
class DimmingBox : public QWidget {
    Q_OBJECT
public:
    explicit DimmingBox(QWidget *parent);

    // Covers the parent and comes to the top (shown or not).
    void cover();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
