#pragma once

#include <QString>

// Appends text to the program's log file "TWKLog.txt" in the user's data folder, as UTF-8, with
// nothing added between writes. A write that fails is dropped silently.
class Log
{
public:
    static void write(const QString &text);
    static QString logFilePath();
};
