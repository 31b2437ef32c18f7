#pragma once
// Small pictures of the welcome, splash and about screens, decoded when a screen loads its view.

#include <QImage>

namespace WelcomePictures {

// The product logo, 261 by 257 pixels.
QImage logo();
// The software-centre badge of the store buttons: a 200 by 52 point picture, painted at three times
// that size (draw it scaled down to the size wanted).
QImage storeBadge();
// The 32 by 32 icon of the lines shown when nothing is recommended.
QImage lineIcon();

} // namespace WelcomePictures
