#include "platform/widgets/WindowPosition.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace platform {

QPoint centredWindowOrigin(const QRect &screenArea, const QSize &frameSize)
{
    return screenArea.topLeft()
        + QPoint((screenArea.width() - frameSize.width()) / 2, (screenArea.height() - frameSize.height()) / 2);
}

QRect fittedWindowGeometry(const QRect &available, const QSize &wanted, const QSize &minimum,
                           const QMargins &margins)
{
    const QSize room(available.width() - margins.left() - margins.right(),
                     available.height() - margins.top() - margins.bottom());
    const QSize size = wanted.boundedTo(room).expandedTo(minimum);
    const QSize frame(size.width() + margins.left() + margins.right(),
                      size.height() + margins.top() + margins.bottom());
    QPoint origin = centredWindowOrigin(available, frame);
    origin.setX(std::max(origin.x(), available.left()));
    origin.setY(std::max(origin.y(), available.top()));
    return QRect(origin + QPoint(margins.left(), margins.top()), size);
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
