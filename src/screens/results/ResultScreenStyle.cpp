#include "screens/results/ResultScreenStyle.h"
#include "model/Palette.h"

#include <QLabel>

QString resultScreenStyleSheet(const QString &objectName)
{
    return QStringLiteral("QWidget#%1 { background: " TWINSIFT_HEADER_BACKGROUND_CSS "; }"
                          "QLabel { color: " TWINSIFT_DIALOG_TEXT_CSS "; background: transparent; }"
                          "QLabel[role=\"caption\"] { color: " TWINSIFT_CAPTION_TEXT_CSS "; }")
        .arg(objectName);
}

QLabel *makeBoldLabel(const QString &text, int pointSize, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSize(pointSize);
    font.setBold(true);
    label->setFont(font);
    return label;
}
