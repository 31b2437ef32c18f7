// The process entry: makes the application, lets the delegate prepare the settings and the first
// window, and runs the event loop.
#include "engine/AutoMarkEngine.h"
#include "platform/Log.h"
#include "screens/shell/AllViewControllers.h"
#include "screens/shell/AppDelegate.h"
#include "screens/shell/CustomAnimator.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/shell/Theme.h"
#include "model/ModuleState.h"
#include "platform/widgets/Alerts.h"
#include "platform/widgets/MediaBackend.h"
#include "platform/SingleInstance.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/WindowController.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QLoggingCategory>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

#ifndef TWINSIFT_VERSION
#define TWINSIFT_VERSION "1.0.0"
#endif

Q_LOGGING_CATEGORY(lcLaunch, "twinsift.launch", QtWarningMsg)

namespace {

// A later launch asked for the application, as a click on its icon does: the delegate may show
// the main window again, then the window the user works in comes to the front (restored when
// minimized): the main window when it shows, else the welcome or splash window, and a dialog
// open over it on top of that.
void bringToFront(AppDelegate &delegate)
{
    delegate.applicationShouldHandleReopen();
    QWidget *front = nullptr;
    InitialWindowController *main = initialWindowController();
    if (main->isVisible()) {
        front = main;
    } else {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && window->windowType() == Qt::Window) {
                front = window;
                break;
            }
        }
    }
    if (!front && main->contentViewController()) {
        main->showWindow();
        front = main;
    }
    if (!front) {
        logDebug(lcLaunch) << "a later launch found no window to bring to the front";
        return;
    }
    QList<QWidget *> raised{front};
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal->window() != front)
        raised << modal->window();
    for (QWidget *window : raised) {
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        window->show();
        window->raise();
        window->activateWindow();
    }
    logDebug(lcLaunch) << "a later launch brought" << front->metaObject()->className() << front->objectName()
                       << "to the front";
}

// A launch with standard input, output or error closed (`2>&-`, or a launcher that closes them)
// would give the free number to the next file the program opens: the X connection, say, which the
// first line printed would then corrupt. Each closed one is opened on /dev/null instead, lowest
// first, so that the open lands on it.
void openClosedStandardStreams()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int opened = ::open("/dev/null", O_RDWR);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

// SIGPIPE is caught by a handler that does nothing rather than ignored: a caught signal goes back
// to its default in a program this one starts (a file manager, a relaunch), an ignored one would
// stay ignored there.
void ignoreBrokenPipes()
{
    struct sigaction action = {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGPIPE, &action, nullptr);
}

} // namespace

int main(int argc, char **argv)
{
    // Before anything opens a file.
    openClosedStandardStreams();
    // Before any thread: a write to a pipe whose reader is gone (standard error read by a
    // terminal or a launcher that went away) fails and is dropped instead of ending the program
    // with the settings unsaved.
    ignoreBrokenPipes();
    // Before anything can make a player or a sound.
    platform::chooseMediaBackend();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Twinsift"));
    QApplication::setOrganizationName(QStringLiteral("Twinsift"));
    QApplication::setApplicationVersion(QStringLiteral(TWINSIFT_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("twinsift"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/twinsift.png")));

    // One instance per settings file: a later launch hands over to the running one and ends before
    // it reads or writes the settings, the scan list or the caches. A launch that can neither take
    // the lock nor reach the instance holding it says why and ends, leaving the settings alone. A
    // launch that cannot write the settings folder needs no lock: it runs with the settings
    // read-only, and later launches still meet it through the runtime folder.
    platform::SingleInstance instance(QStringLiteral("twinsift"), platform::UserDefaults::standardFilePath());
    const platform::SingleInstance::Claim claim = instance.claim();
    switch (claim) {
    case platform::SingleInstance::Claim::HandedOver:
        return 0;
    case platform::SingleInstance::Claim::NoAnswer:
    case platform::SingleInstance::Claim::NoLock: {
        const bool running = claim == platform::SingleInstance::Claim::NoAnswer;
        const QString message = running
            ? QStringLiteral("Twinsift is already running, but this launch cannot reach it.")
            : QStringLiteral("Twinsift cannot make sure it runs only once.");
        logWarning(lcScreens) << message << instance.failureReason() << "This launch ends.";
        std::unique_ptr<QMessageBox> box(makeAlert(
            nullptr, QStringLiteral("instanceAlert"), QMessageBox::Critical, QStringLiteral("Twinsift"), message,
            instance.failureReason() + QStringLiteral(" This launch ends without changing the settings.")));
        box->exec();
        return 1;
    }
    case platform::SingleInstance::Claim::Primary:
        break;
    }

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
        QObject::connect(&instance, &platform::SingleInstance::activationRequested, &delegate,
                         [&delegate] { bringToFront(delegate); });
        logDebug(lcLaunch) << "launched";
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
    // The settings are on disk before the next instance may start.
    platform::UserDefaults::standard().synchronize();
    instance.release();
    if (relaunch)
        AppDelegate::relaunch();
    return status;
}
