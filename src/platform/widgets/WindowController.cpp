#include "platform/widgets/WindowController.h"

#include "platform/widgets/WindowPosition.h"

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
    // The frame's margins are known once the window has been shown; before that they count as none.
    const QRect frame = frameGeometry();
    const QRect content = geometry();
    const QMargins margins(content.left() - frame.left(), content.top() - frame.top(),
                           frame.right() - content.right(), frame.bottom() - content.bottom());
    const QRect fitted = fittedWindowGeometry(screen->availableGeometry(), size(), minimumSize(), margins);
    if (fitted.size() != size())
        resize(fitted.size());
    // move() places the frame's top-left corner.
    move(fitted.topLeft() - QPoint(margins.left(), margins.top()));
}

} // namespace platform
