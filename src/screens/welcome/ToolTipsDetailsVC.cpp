#include "screens/welcome/ToolTipsDetailsVC.h"

#include "screens/welcome/WelcomeStyle.h"

#include <QLabel>
#include <QVBoxLayout>

ToolTipsDetailsVC::ToolTipsDetailsVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ToolTipsDetails"));
    WelcomeStyle::applyDarkPalette(this, Palette::panelBackground);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 10);
    message = WelcomeStyle::makeLabel(this, 10.5, false, Palette::white, true);
    message->setFixedWidth(240);
    layout->addWidget(message);
}
