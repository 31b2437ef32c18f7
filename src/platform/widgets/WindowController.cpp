#include "platform/widgets/WindowController.h"

#include <QScreen>

namespace platform {

WindowController::WindowController(QWidget *parent) : QMainWindow(parent) {}

void WindowController::setContentViewController(QWidget *controller)
{
    if (controller == m_content)
        return;
    if (m_content && centralWidget() == m_content) {
        QWidget *old = takeCentralWidget();
        old->hide();
        old->setParent(nullptr);
    }
    m_content = controller;
    if (controller) {
        setCentralWidget(controller);
        controller->show();
    }
}

void WindowController::showWindow(QObject *)
{
    show();
    raise();
    activateWindow();
}

void WindowController::setIsVisible(bool visible)
{
    setVisible(visible);
}

void WindowController::closeWindow()
{
    hide();
}

void WindowController::centerOnScreen()
{
    QScreen *screen = this->screen();
    if (!screen)
        return;
    const QSize screenSize = screen->geometry().size();
    const QSize windowSize = frameGeometry().size();
    move(int((screenSize.width() - windowSize.width()) * 0.5),
         int((screenSize.height() - windowSize.height()) * 0.5));
}

} // namespace platform
