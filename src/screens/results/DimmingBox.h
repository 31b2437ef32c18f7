#pragma once

#include <QPointer>
#include <QWidget>

// The dark box a screen lays over itself while a sheet or an overlay is up. It covers its parent
// whole and stays on top as the parent is resized. Hidden until shown.
class DimmingBox : public QWidget
{
    Q_OBJECT
public:
    explicit DimmingBox(QWidget *parent);

    // Covers the parent and comes to the top (shown or not), below the view given to keepBelow
    // while that view is a visible child of the same parent.
    void cover();
    // A view put into the screen that the box must never dim (the screen's own content it covers
    // whole, such as an embedded message screen); nullptr for none.
    void keepBelow(QWidget *view);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_above;
};
