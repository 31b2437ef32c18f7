#pragma once

#include <QImage>

// The small icons of the scan sheet. Each is kept as base64 PNG text and decoded on every call.
QImage iconFound(); // 26 x 26: beside the two counts
QImage iconAlert(); // 16 x 16: beside the captions
// The application image "info" (":/images/info.png").
QImage iconInfo();
// The same "info" sign drawn at `side` pixels, sharp at any size (for the large places that the
// small picture would blur).
QImage infoBadge(int side);
