#include "screens/preferences/PreferencesWindow.h"

#include "screens/preferences/PreferencesTabViewController.h"
#include "screens/shell/AllViewControllers.h"

PreferencesWindow::PreferencesWindow(QWidget *parent)
    : platform::WindowController(parent)
{
    setWindowTitle(QStringLiteral("Preferences"));
    resize(760, 560);
    setContentViewController(preferencesTabViewController());
    setMinimumSize(PreferencesTabViewController::minimumWindowSize());
}
