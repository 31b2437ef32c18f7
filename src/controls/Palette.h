#pragma once

// The colours the screens and controls share. A style sheet takes a colour as text: the *_CSS
// macros are the same colours spelt for style-sheet literals, so they join adjacent string
// literals ("border: 1px solid " TWINSIFT_GOLD_CSS ";").

#include <QColor>

#define TWINSIFT_GOLD_CSS "rgb(199, 157, 39)"

namespace Palette {

// The accent: focus rings, ticked boxes, slider fill, highlighted captions.
inline const QColor gold{199, 157, 39};

} // namespace Palette
