#include "screens/promotion/OtherAppsWindow.h"

#include "screens/promotion/otherAppsvc.h"

OtherAppsWindow::OtherAppsWindow(QWidget *parent)
    : platform::WindowController(parent)
{
    setWindowTitle(QStringLiteral("Other Applications"));
    setContentViewController(new otherAppsvc(this));
    resize(960, 640);
    setMinimumSize(480, 360);
}
