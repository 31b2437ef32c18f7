#include "screens/results/ResultScreenStyle.h"

#include <QLabel>

QString resultScreenStyleSheet(const QString &objectName)
{
    return QStringLiteral("QWidget#%1 { background: #2a2a2a; }"
                          "QLabel { color: #d8d8d8; background: transparent; }"
                          "QLabel[role=\"caption\"] { color: #a8a8a8; }")
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
