#pragma once

#include <QImage>
#include <QPixmap>

// The small pictures of the home screen, drawn at the sizes the screen shows them (in logical
// pixels) for a screen of the given device pixel ratio: the pixmap holds ratio times as many pixels
// and carries the ratio, so it stays sharp at 150 % and 200 % scaling.
namespace HomePictures {

QPixmap titleIcon(qreal ratio);          // 24 x 24, the application's mark
QPixmap addFilesIcon(qreal ratio);       // 20 x 20
QPixmap similarMarker(qreal ratio);      // 99 x 30, shown beside the chosen similar mode
QPixmap exactMarker(qreal ratio);        // 99 x 30, shown beside the chosen exact mode
QPixmap similarModePicture(qreal ratio); // 189 x 116
QPixmap exactModePicture(qreal ratio);   // 189 x 116
QPixmap dropPicture(qreal ratio);        // 170 x 170
// The application icon at the given size in pixels (square).
QImage applicationIcon(int size);

} // namespace HomePictures
