#pragma once

#include <QString>

class QMessageBox;

// Text that comes from files (names, paths, metadata) is shown as it stands: never read as markup,
// never as a keyboard mnemonic.

// The text for a menu or button title: every "&" doubled, so it is drawn and not taken as a mnemonic.
QString menuTitleText(const QString &text);

// The text for a window title: "[*]" (the place of the modified mark, else removed) kept as it is.
QString windowTitleText(const QString &text);

// A tool tip that shows the text literally (a plain tool tip that looks like markup would be
// rendered as rich text).
QString plainToolTip(const QString &text);

// Makes the message text and the informative text of the box plain text. Call it after the
// informative text is set: the box makes that label only then, and it does not take the box's
// text format.
void showAsPlainText(QMessageBox *box);
