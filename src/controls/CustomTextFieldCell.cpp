#include "controls/CustomTextFieldCell.h"

CustomTextFieldCell::CustomTextFieldCell(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

CustomTextFieldCell::CustomTextFieldCell(const QString &text, QWidget *parent)
    : CustomTextFieldCell(parent)
{
    setText(text);
}

QRectF CustomTextFieldCell::centeredTitleRect(const QRectF &titleRect, double naturalHeight)
{
    return QRectF(titleRect.x(), titleRect.y() + (titleRect.height() - naturalHeight) / 2.0, titleRect.width(),
                  naturalHeight);
}
