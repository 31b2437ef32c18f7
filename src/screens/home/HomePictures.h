#pragma once

#include <QImage>

// The small pictures of the home screen, drawn once at the sizes the screen shows them.
namespace HomePictures {

QImage titleIcon();          // 24 x 24, the application's mark
QImage addFilesIcon();       // 20 x 20
QImage similarMarker();      // 99 x 30, shown beside the chosen similar mode
QImage exactMarker();        // 99 x 30, shown beside the chosen exact mode
QImage similarModePicture(); // 189 x 116
QImage exactModePicture();   // 189 x 116
QImage dropPicture();        // 170 x 170
// The application icon at the given size (square).
QImage applicationIcon(int size);

} // namespace HomePictures
