// The process entry: makes the application, lets the delegate prepare the settings and the first
// window, and runs the event loop.
#include "engine/AutoMarkEngine.h"
#include "screens/shell/AllViewControllers.h"
#include "screens/shell/AppDelegate.h"
#include "screens/shell/CustomAnimator.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/shell/Theme.h"
#include "model/ModuleState.h"
#include "platform/widgets/MediaBackend.h"
#include "platform/widgets/WindowController.h"

#include <QApplication>
#include <QIcon>

#ifndef TWINSIFT_VERSION
#define TWINSIFT_VERSION "1.0.0"
#endif

int main(int argc, char **argv)
{
    // Before anything can make a player or a sound.
    platform::chooseMediaBackend();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Twinsift"));
    QApplication::setOrganizationName(QStringLiteral("Twinsift"));
    QApplication::setApplicationVersion(QStringLiteral(TWINSIFT_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("twinsift"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/twinsift.png")));
    // The application ends through the delegate, which saves the scan list first.
    QApplication::setQuitOnLastWindowClosed(false);
    Theme::applyApplicationTheme();
    // The results' group and cell commands mark by the user's rules, through the marking engine.
    installRuleCascade();

    int status = 0;
    bool relaunch = false;
    {
        AppDelegate delegate;
        InitialWindowController *mainWindow = initialWindowController();
        mainWindow->setMenuBar(delegate.buildMenuBar(mainWindow));
        delegate.applicationWillFinishLaunching();
        delegate.applicationDidFinishLaunching();
        // Closing the last window (the welcome window before Get started) ends the application.
        QObject::connect(&app, &QGuiApplication::lastWindowClosed, &delegate, [&delegate] {
            if (!delegate.isQuitRefused())
                delegate.terminate();
        });
        status = app.exec();
        if (!delegate.hasTerminated())
            delegate.applicationWillTerminate();
        relaunch = delegate.relaunchRequested();
        AllViewControllers::releaseAll();
        sharedAnimator.reset();
    }
    if (relaunch)
        AppDelegate::relaunch();
    return status;
}
