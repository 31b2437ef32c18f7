#pragma once

#include <QPushButton>

// A push button that shows the pointing-hand cursor while the pointer is over it and the arrow
// when it leaves, whatever the cursor was before. It ignores pop-up mode.
class buttoncursor : public QPushButton
{
    Q_OBJECT
public:
    explicit buttoncursor(QWidget *parent = nullptr);
    explicit buttoncursor(const QString &text, QWidget *parent = nullptr);

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
};
