#pragma once

#include <QLabel>

// A one-line label that shortens its text in the middle ("/home/…/photo.jpg") when it does not fit,
// so a long path never widens the sheet. text() keeps the full text.
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
