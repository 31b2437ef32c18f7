#pragma once

#include <QLabel>
#include <QRect>

// A label whose text stops `rightPadding` points before its right edge (plain text, elided).
class PaddedTextField : public QLabel
{
    Q_OBJECT
public:
    explicit PaddedTextField(QWidget *parent = nullptr);

    double rightPadding() const { return m_rightPadding; }
    void setRightPadding(double padding);

    // The rectangle the text is drawn in for the given bounds.
    static QRect drawingRectForBounds(const QRect &bounds, double rightPadding);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double m_rightPadding = 10.0;
};
