#pragma once

// The program's one diagnostics channel: a logging category per layer, warnings on and debug lines
// off unless QT_LOGGING_RULES turns them on (for example QT_LOGGING_RULES="twinsift.*.debug=true").
// Only the lines the program is meant to print (the scan's progress and the like) go to standard
// output, through printLine; everything else goes through these categories to Qt's message handler
// (standard error), through logDebug, logInfo, logWarning and logCritical. Both escape every text
// they are given themselves (loggableText), so no path, text read from a file, exception's text or
// server's answer reaches a terminal raw. Nothing else in the program writes a line: Qt's own
// qCWarning and the like, printf and std::cerr are not used (a test over the sources fails on one).

#include <QByteArray>
#include <QLoggingCategory>
#include <QSize>
#include <QString>

#include <optional>
#include <string>
#include <type_traits>

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
// break, an escape sequence, NUL) and line separators as "\xNN" / "\uNNNN", and the backslash
// itself as "\\", so that a name can neither start a line of its own, steer the terminal nor pass
// for another name; cut after 1024 characters ("..."). printLine and LogLine show every text
// through this; a caller need not (and must not: the text would be escaped twice).
QString loggableText(const QString &text);

// Writes one of the lines the program is meant to print to standard output, shown through
// loggableText, and flushes it so the line is there at once even when the output is a pipe. Safe
// from any thread.
void printLine(const QString &line);

// One line of the log, put together by the logDebug/logInfo/logWarning/logCritical macros below
// and handed to Qt's message handler, in its category and at its level, when the statement ends:
//     logWarning(lcPlatform) << "Metadata of" << path << "could not be read:" << error.what();
// The parts are joined by spaces (as qDebug joins them). Each text (QString, a C string or
// QByteArray or std::string in UTF-8) is shown through loggableText; numbers as they are. A type of
// another kind (an enum, a pointer, a QUrl) does not compile: turn it into a text or a number.
class LogLine
{
public:
    LogLine(const QLoggingCategory &category, QtMsgType type, const char *file, int line, const char *function);
    ~LogLine();
    LogLine(const LogLine &) = delete;
    LogLine &operator=(const LogLine &) = delete;

    LogLine &operator<<(const QString &text);
    LogLine &operator<<(QLatin1String text);
    LogLine &operator<<(const char *text);
    LogLine &operator<<(const QByteArray &text);
    LogLine &operator<<(const std::string &text);
    template <typename Number>
    requires std::is_arithmetic_v<Number> LogLine &operator<<(Number number)
    {
        if constexpr (std::is_same_v<Number, bool>)
            return add(number ? QStringLiteral("true") : QStringLiteral("false"));
        else if constexpr (std::is_same_v<Number, char>)
            return *this << QString(QLatin1Char(number));
        else if constexpr (std::is_floating_point_v<Number>)
            return add(QString::number(double(number)));
        else
            return add(QString::number(number));
    }

private:
    LogLine &add(const QString &shown);

    const QLoggingCategory &m_category;
    const QtMsgType m_type;
    const char *const m_file;
    const int m_line;
    const char *const m_function;
    QString m_text;
};

// Writes one warning naming the file and the reason, the first time that file is left out for that
// reason in this run; later calls for the same file and reason stay quiet. `detail`, when given,
// follows the reason. The path and the detail are shown through loggableText. Safe from any
// thread.
void logSkippedFile(const QLoggingCategory &category, const QString &path, SkipReason reason,
                    const QString &detail = {});
// As logSkippedFile, for a file that is still read and shown whose metadata alone is left out:
// "Metadata of PATH left out: REASON (DETAIL)", once for that file and reason.
void logSkippedMetadata(const QLoggingCategory &category, const QString &path, SkipReason reason,
                        const QString &detail = {});

// Hears, on the thread that made it and while it lives, every skip logSkippedFile is told of, also
// one whose line stays quiet (the file was named before, or warnings are off): the work that asked
// for a file learns why it gave nothing in the log's own words, decided where the line is written.
// Records nest; the innermost hears.
class SkipRecord
{
public:
    SkipRecord();
    ~SkipRecord();
    SkipRecord(const SkipRecord &) = delete;
    SkipRecord &operator=(const SkipRecord &) = delete;

    // The last skip heard (absent: none), and the size in pixels of the picture it named when the
    // teller gave it (noteSkippedPixels; empty otherwise).
    const std::optional<SkipReason> &reason() const { return reason_; }
    QSize pixels() const { return pixels_; }

    // Tells the thread's record, when there is one, that the skip just told was of a picture of
    // these pixels (one left out for its pixel count).
    static void noteSkippedPixels(qint64 width, qint64 height);

private:
    friend void logSkippedFile(const QLoggingCategory &, const QString &, SkipReason, const QString &);
    SkipRecord *outer_;
    std::optional<SkipReason> reason_;
    QSize pixels_;
};

} // namespace platform

// The statement `logWarning(lcPlatform) << ...;` writes one line when the category shows warnings;
// otherwise nothing after the macro is evaluated, as with Qt's qCWarning.
#define TWINSIFT_LOG_LINE(category, type)                                                                              \
    for (bool twinsiftLogLineOn = (category)().isEnabled(type); twinsiftLogLineOn; twinsiftLogLineOn = false)          \
    ::platform::LogLine((category)(), type, QT_MESSAGELOG_FILE, QT_MESSAGELOG_LINE, QT_MESSAGELOG_FUNC)
#define logDebug(category) TWINSIFT_LOG_LINE(category, QtDebugMsg)
#define logInfo(category) TWINSIFT_LOG_LINE(category, QtInfoMsg)
#define logWarning(category) TWINSIFT_LOG_LINE(category, QtWarningMsg)
#define logCritical(category) TWINSIFT_LOG_LINE(category, QtCriticalMsg)
