#pragma once

#include <QString>

namespace platform {

// Start-at-login through a freedesktop autostart entry (<config>/autostart/<name>.desktop).
class LoginItems {
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
};

} // namespace platform
