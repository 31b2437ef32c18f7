#include "app/ExactMatchVC.h"

ExactMatchVC::ExactMatchVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ExactMatch"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(34, 34, 34));
    setPalette(pal);
    setAutoFillBackground(true);
}
