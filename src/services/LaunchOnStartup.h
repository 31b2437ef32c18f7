#pragma once

// Keeps the program in, or out of, the programs the desktop starts at login (settings key
// "LoginStartStatusTWK", true = start at login).
class LaunchOnStartup
{
public:
    LaunchOnStartup() = delete;
    // True when this program is among the login items.
    static bool loginItemReference();
    // true: adds the program when it is not there; false: takes it out when it is there. Failures
    // are not reported; the stored setting stays as the caller set it.
    static void addLoginItem(bool startAtLogin);
};
