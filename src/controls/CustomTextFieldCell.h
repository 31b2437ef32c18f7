#pragma once

#include <QLabel>
#include <QRectF>

// A label whose text is centred vertically in its frame (plain text).
class CustomTextFieldCell : public QLabel
{
    Q_OBJECT
public:
    explicit CustomTextFieldCell(QWidget *parent = nullptr);
    explicit CustomTextFieldCell(const QString &text, QWidget *parent = nullptr);

    // The frame the text is laid out in: the title rectangle's x and width, the natural height,
    // centred on the title rectangle.
    static QRectF centeredTitleRect(const QRectF &titleRect, double naturalHeight);
};
