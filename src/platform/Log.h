#pragma once

// The program's one diagnostics channel: a logging category per layer, warnings on and debug lines
// off unless QT_LOGGING_RULES turns them on (for example QT_LOGGING_RULES="twinsift.*.debug=true").
// Only the lines the program is meant to print (the scan's progress and the like) go to standard
// output; everything else goes through these categories to Qt's message handler (standard error).

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcPlatform) // "twinsift.platform"
Q_DECLARE_LOGGING_CATEGORY(lcModel)    // "twinsift.model"
Q_DECLARE_LOGGING_CATEGORY(lcServices) // "twinsift.services"
Q_DECLARE_LOGGING_CATEGORY(lcEngine)   // "twinsift.engine"
Q_DECLARE_LOGGING_CATEGORY(lcScreens)  // "twinsift.screens"

namespace platform {

// Why a file is left out of a scan or cannot be shown.
enum class SkipReason {
    Unreadable,     // cannot be opened or read
    NotRegularFile, // a pipe, socket, device or link where a file was
    Damaged,        // its contents cannot be decoded
    TooLarge,       // past a size, pixel or decode bound
    RefusedFormat,  // a format that is never handed to a decoder or player
};

QString skipReasonText(SkipReason reason);

// A path, or a text read from a file, as a log line may show it: control characters (a line
// break, an escape sequence, NUL) and line separators as "\xNN" / "\uNNNN", so that a name can
// neither start a line of its own nor steer the terminal; cut after 1024 characters ("...").
// Every line that prints such a text prints it through this.
QString loggableText(const QString &text);

// Writes one of the lines the program is meant to print to standard output, and flushes it so the
// line is there at once even when the output is a pipe. Safe from any thread.
void printLine(const QString &line);

// Writes one warning naming the file and the reason, the first time that file is left out for that
// reason in this run; later calls for the same file and reason stay quiet. `detail`, when given,
// follows the reason. The path and the detail are shown through loggableText. Safe from any
// thread.
void logSkippedFile(const QLoggingCategory &category, const QString &path, SkipReason reason,
                    const QString &detail = {});

} // namespace platform
