#pragma once

#include <QString>

// The ring a list or table shows while it holds the keyboard focus, the same wherever one is a Tab
// stop (the scan list, the selection wizard's tables, the preferences' tables): a gold border
// kWidth pixels wide around the whole table. Without the focus the table keeps a frame of the
// same width, a 1-pixel line in its own frame colour (none when transparent) and a pixel of room
// inside it, so the rows never move when the focus comes or goes. Given as style-sheet rules that
// become part of the table's own style sheet.
namespace FocusRing {

inline constexpr int kWidth = 2;

// The rules for the widgets `selector` picks ("QTableView", "QTableWidget"): the frame in
// `frameCss` (a style-sheet colour) without the focus, the gold ring with it.
QString tableRules(const QString &selector, const QString &frameCss = QStringLiteral("transparent"));

} // namespace FocusRing
