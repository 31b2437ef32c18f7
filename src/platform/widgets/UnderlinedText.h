#pragma once

class QWidget;

namespace platform {

// Underlines the whole text of a text field, label or button (single underline), keeping its
// text and other font attributes. Does nothing for a null widget.
void getUnderlineAttributedString(QWidget *field);

} // namespace platform
