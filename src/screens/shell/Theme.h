#pragma once

#include <QColor>
#include <QString>

#include "controls/Palette.h"

class QMessageBox;

// The application's dark look: window and panel greys, the accent colours and the style sheets of
// the shell's own screens.
namespace Theme {

inline const QColor windowBackground{34, 34, 34};
inline const QColor headerBackground{42, 42, 42};
inline const QColor panelBackground{39, 39, 39};
inline const QColor panelBorder{64, 64, 64};
inline const QColor primaryText{235, 235, 235};
inline const QColor secondaryText{183, 183, 183};
inline const QColor green{9, 171, 9};
inline const QColor &gold = Palette::gold;

// The application-wide palette and base style (menus, dialogs, scroll bars, tool tips).
void applyApplicationTheme();

// The captions of the two scan kinds.
QString modeLabelStyleSheet();

// The style sheet of the home screen.
QString homeStyleSheet();

// Gives an alert's two texts room to read in a few lines instead of a narrow column.
void widenMessageBox(QMessageBox *box);

} // namespace Theme
