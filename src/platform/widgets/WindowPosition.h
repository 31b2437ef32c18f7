#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace platform {

// The top-left corner that puts a window frame of `frameSize` in the middle of `screenArea`:
// the screen's origin plus half the difference between the two sizes (negative when the window is
// larger than the screen, so it overhangs evenly on both sides).
QPoint centredWindowOrigin(const QRect &screenArea, const QSize &frameSize);

// Where a window goes on a screen whose free area (without panels and docks) is `available`:
// its content size is `wanted` cut down to what the area can hold with the frame's `margins`
// (title bar and borders), but never below `minimum`; its frame is centred in the area. A frame
// larger than the area starts at the area's top-left corner, so the title bar stays reachable.
// Returns the content geometry (what QWidget::setGeometry takes).
QRect fittedWindowGeometry(const QRect &available, const QSize &wanted, const QSize &minimum,
                           const QMargins &margins = QMargins());

// The frame margins (title bar and borders) of a top-level window as the window manager reports
// them; none while the window has not been framed yet, has no frame, or the report is not
// plausible (a side below zero or above 200).
QMargins reportedFrameMargins(const QWidget *window);

// The frame a window manager is assumed to draw around a decorated window before it has reported
// its own: room for a tall title bar and thick borders. A frameless window gets none.
QMargins assumedFrameMargins(const QWidget *window);

// Where a window of content size `size`, framed by `margins`, goes over `anchor` (the anchor's
// frame, title bar included): centred over it, but moved and, where it must, cut down so that the
// whole frame lies inside `available` (never below `minimum`). Returns the content geometry.
QRect geometryCentredOver(const QRect &anchor, const QRect &available, const QSize &size, const QSize &minimum,
                          const QMargins &margins);

// Moves the window (its frame, title bar included) to the middle of the screen it is on. Does
// nothing for a null window or one without a screen.
void setFrameOriginToPositionWindowInCenterOfScreen(QWidget *window);

} // namespace platform
