#include "platform/widgets/WindowPosition.h"

#include <QScreen>
#include <QWidget>

namespace platform {

QPoint centredWindowOrigin(const QRect &screenArea, const QSize &frameSize)
{
    return screenArea.topLeft()
        + QPoint((screenArea.width() - frameSize.width()) / 2, (screenArea.height() - frameSize.height()) / 2);
}

void setFrameOriginToPositionWindowInCenterOfScreen(QWidget *window)
{
    if (!window)
        return;
    window = window->window();
    QScreen *screen = window->screen();
    if (!screen)
        return;
    // move() places the frame's top-left corner for a top-level window.
    window->move(centredWindowOrigin(screen->geometry(), window->frameGeometry().size()));
}

} // namespace platform
