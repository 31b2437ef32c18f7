#include "screens/shell/InitialWindowController.h"

#include "screens/shell/AppDelegate.h"

#include <QCloseEvent>
#include <QEvent>
#include <QShowEvent>
#include <QWindow>

InitialWindowController::InitialWindowController(QWidget *parent)
    : platform::WindowController(parent)
{
    setObjectName(QStringLiteral("InitialWindowController"));
    windowDidLoad();
}

void InitialWindowController::windowDidLoad()
{
    setWindowTitle(QStringLiteral("Twinsift"));
    setMinimumSize(minimumWindowSize());
    resize(preferredWindowSize());
}

bool InitialWindowController::windowShouldClose()
{
    if (m_locked)
        return false;
    AppDelegate *delegate = AppDelegate::shared();
    return !delegate || !delegate->isQuitRefused();
}

void InitialWindowController::setWindowLocked(bool locked)
{
    if (locked == m_locked)
        return;
    m_locked = locked;
    if (locked) {
        setFixedSize(size());
    } else {
        setMinimumSize(minimumWindowSize());
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
}

void InitialWindowController::closeEvent(QCloseEvent *event)
{
    if (!windowShouldClose()) {
        event->ignore();
        return;
    }
    event->accept();
    if (AppDelegate *delegate = AppDelegate::shared())
        delegate->terminate();
}

void InitialWindowController::showEvent(QShowEvent *event)
{
    // The first time, the window opens in the middle of the screen's free area, no larger than it.
    if (!m_placed && !event->spontaneous()) {
        m_placed = true;
        centerOnScreen();
    }
    platform::WindowController::showEvent(event);
}

void InitialWindowController::changeEvent(QEvent *event)
{
    // A locked window is not zoomed: a maximise request is undone.
    if (event->type() == QEvent::WindowStateChange && m_locked && (windowState() & Qt::WindowMaximized))
        setWindowState(windowState() & ~Qt::WindowMaximized);
    platform::WindowController::changeEvent(event);
}
