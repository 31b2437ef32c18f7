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

QRect fittedWindowGeometry(const QRect &available, const QSize &wanted, const QSize &minimum, const QMargins &margins)
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

QMargins reportedFrameMargins(const QWidget *window)
{
    if (!window)
        return QMargins();
    const QRect frame = window->frameGeometry();
    const QRect content = window->geometry();
    const QMargins margins(content.left() - frame.left(), content.top() - frame.top(), frame.right() - content.right(),
                           frame.bottom() - content.bottom());
    // While the window manager is still framing the window the system may report a frame smaller
    // than the window or absurdly wide: that is no frame known yet.
    const int largest = 200;
    if (margins.left() < 0 || margins.top() < 0 || margins.right() < 0 || margins.bottom() < 0
        || margins.left() > largest || margins.top() > largest || margins.right() > largest
        || margins.bottom() > largest)
        return QMargins();
    return margins;
}

QMargins assumedFrameMargins(const QWidget *window)
{
    if (!window)
        return QMargins();
    const Qt::WindowFlags flags = window->windowFlags();
    const Qt::WindowType type = window->windowType();
    if ((flags & Qt::FramelessWindowHint) || type == Qt::SplashScreen || type == Qt::Popup || type == Qt::ToolTip)
        return QMargins();
    // Larger than the usual title bars at 100 % (20 to 40 pixels) so that the bottom edge stays on
    // screen until the window manager tells the real frame.
    return QMargins(8, 48, 8, 8);
}

QRect geometryCentredOver(const QRect &anchor, const QRect &available, const QSize &size, const QSize &minimum,
                          const QMargins &margins)
{
    const QSize room(available.width() - margins.left() - margins.right(),
                     available.height() - margins.top() - margins.bottom());
    const QSize fitted = size.boundedTo(room).expandedTo(minimum);
    const QSize frame(fitted.width() + margins.left() + margins.right(),
                      fitted.height() + margins.top() + margins.bottom());
    QPoint origin = centredWindowOrigin(anchor, frame);
    // Inside the free area; a frame larger than the area keeps its title bar in it.
    origin.setX(std::max(std::min(origin.x(), available.right() + 1 - frame.width()), available.left()));
    origin.setY(std::max(std::min(origin.y(), available.bottom() + 1 - frame.height()), available.top()));
    return QRect(origin + QPoint(margins.left(), margins.top()), fitted);
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
