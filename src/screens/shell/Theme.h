#pragma once

#include <QColor>
#include <QString>

#include "model/Palette.h"

class QMessageBox;

// The application's dark look: window and panel greys, the accent colours and the style sheets of
// the shell's own screens.
namespace Theme {

// The application-wide palette and base style (menus, dialogs, scroll bars, tool tips).
void applyApplicationTheme();

// The captions of the two scan kinds.
QString modeLabelStyleSheet();

// The style sheet of the home screen.
QString homeStyleSheet();

} // namespace Theme
