#pragma once

#include <QString>

namespace platform {

// Start-at-login through a freedesktop autostart entry (<config>/autostart/<name>.desktop).
class LoginItems
{
public:
    // The autostart entry of this application.
    static QString autostartFilePath();
    // True when the entry exists, is not hidden and starts this program.
    static bool contains();
    // Writes the entry; true on success (and when it already is there).
    static bool add();
    // Switches the entry off ("Hidden=true", as the autostart rules provide), so nothing is
    // deleted; true when the program no longer starts at login.
    static bool remove();

    // The autostart entry that starts `program`: its Exec= line holds the program quoted and
    // escaped as the desktop entry rules require, so any path reads back unchanged.
    static QString entryText(const QString &program, bool hidden);
    // The program an Exec= value starts (its first argument, unquoted and unescaped); empty when
    // the value cannot be read.
    static QString programOfExec(const QString &execValue);
};

} // namespace platform
