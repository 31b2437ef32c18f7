#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace platform {

// The top-left corner that puts a window frame of `frameSize` in the middle of `screenArea`:
// the screen's origin plus half the difference between the two sizes (negative when the window is
// larger than the screen, so it overhangs evenly on both sides).
QPoint centredWindowOrigin(const QRect &screenArea, const QSize &frameSize);

// Moves the window (its frame, title bar included) to the middle of the screen it is on. Does
// nothing for a null window or one without a screen.
void setFrameOriginToPositionWindowInCenterOfScreen(QWidget *window);

} // namespace platform
