#pragma once

#include <QIcon>

// The Reset glyph of the similarity and wizard pages: an open gold circle with an arrow head at its
// top, drawn for 1x and 2x screens so it stays sharp. side is its logical width and height.
QIcon resetGlyphIcon(int side);
