#include "platform/Log.h"

#include <QHash>
#include <QMutex>
#include <QSet>

#include <climits>
#include <cstdio>

Q_LOGGING_CATEGORY(lcPlatform, "twinsift.platform", QtWarningMsg)
Q_LOGGING_CATEGORY(lcModel, "twinsift.model", QtWarningMsg)
Q_LOGGING_CATEGORY(lcServices, "twinsift.services", QtWarningMsg)
Q_LOGGING_CATEGORY(lcEngine, "twinsift.engine", QtWarningMsg)
Q_LOGGING_CATEGORY(lcScreens, "twinsift.screens", QtWarningMsg)

namespace platform {

namespace {
// Files already reported, by path and reason. Bounded: past the cap the memory starts over, so a
// file may be reported again after very many others.
constexpr qsizetype kMaxRemembered = 100000;
QMutex reportedLock;
QSet<QString> reported;
thread_local SkipRecord *currentRecord = nullptr;
} // namespace

SkipRecord::SkipRecord()
    : outer_(currentRecord)
{
    currentRecord = this;
}

SkipRecord::~SkipRecord()
{
    currentRecord = outer_;
}

void SkipRecord::noteSkippedPixels(qint64 width, qint64 height)
{
    if (currentRecord && width > 0 && height > 0 && width <= INT_MAX && height <= INT_MAX)
        currentRecord->pixels_ = QSize(int(width), int(height));
}

void printLine(const QString &line)
{
    const QByteArray bytes = loggableText(line).toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QString skipReasonText(SkipReason reason)
{
    switch (reason) {
    case SkipReason::Unreadable:
        return QStringLiteral("unreadable");
    case SkipReason::NotRegularFile:
        return QStringLiteral("not a regular file");
    case SkipReason::Damaged:
        return QStringLiteral("damaged");
    case SkipReason::TooLarge:
        return QStringLiteral("too large");
    case SkipReason::RefusedFormat:
        return QStringLiteral("refused format");
    }
    return QStringLiteral("left out");
}

QString loggableText(const QString &text)
{
    constexpr qsizetype kMaxShown = 1024;
    QString shown;
    shown.reserve(qMin(text.size(), kMaxShown) + 8);
    for (const QChar c : QStringView(text).left(kMaxShown)) {
        const QChar::Category category = c.category();
        if (c == QLatin1Char('\\'))
            shown += QLatin1String("\\\\");
        else if (category == QChar::Other_Control && c.unicode() < 0x100)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else if (category == QChar::Other_Control || category == QChar::Separator_Line
                 || category == QChar::Separator_Paragraph)
            shown += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    if (text.size() > kMaxShown)
        shown += QLatin1String("...");
    return shown;
}

LogLine::LogLine(const QLoggingCategory &category, QtMsgType type, const char *file, int line, const char *function)
    : m_category(category)
    , m_type(type)
    , m_file(file)
    , m_line(line)
    , m_function(function)
{
}

LogLine::~LogLine()
{
    QMessageLogger logger(m_file, m_line, m_function, m_category.categoryName());
    switch (m_type) {
    case QtDebugMsg:
        logger.debug().noquote() << m_text;
        break;
    case QtInfoMsg:
        logger.info().noquote() << m_text;
        break;
    case QtWarningMsg:
        logger.warning().noquote() << m_text;
        break;
    default:
        logger.critical().noquote() << m_text;
        break;
    }
}

LogLine &LogLine::add(const QString &shown)
{
    if (!m_text.isEmpty())
        m_text += QLatin1Char(' ');
    m_text += shown;
    return *this;
}

LogLine &LogLine::operator<<(const QString &text)
{
    return add(loggableText(text));
}

LogLine &LogLine::operator<<(QLatin1String text)
{
    return add(loggableText(text));
}

LogLine &LogLine::operator<<(const char *text)
{
    return add(loggableText(QString::fromUtf8(text)));
}

LogLine &LogLine::operator<<(const QByteArray &text)
{
    return add(loggableText(QString::fromUtf8(text)));
}

LogLine &LogLine::operator<<(const std::string &text)
{
    return add(loggableText(QString::fromStdString(text)));
}

namespace {

// True the first time `key` is met (until the memory starts over).
bool firstReport(const QString &key)
{
    QMutexLocker locker(&reportedLock);
    if (reported.contains(key))
        return false;
    if (reported.size() >= kMaxRemembered)
        reported.clear();
    reported.insert(key);
    return true;
}

QString reasonAndDetail(SkipReason reason, const QString &detail)
{
    QString text = skipReasonText(reason);
    if (!detail.isEmpty() && detail != text)
        text += QLatin1String(" (") + loggableText(detail) + QLatin1Char(')');
    return text;
}

} // namespace

void logSkippedFile(const QLoggingCategory &category, const QString &path, SkipReason reason, const QString &detail)
{
    if (currentRecord) {
        currentRecord->reason_ = reason;
        currentRecord->pixels_ = QSize();
    }
    // No path, no file to name (a clip asked for before it has one).
    if (!category.isWarningEnabled() || path.isEmpty())
        return;
    if (!firstReport(QString::number(int(reason)) + QLatin1Char(':') + path))
        return;
    const QString line = QStringLiteral("Left out %1: %2").arg(loggableText(path), reasonAndDetail(reason, detail));
    qCWarning(category).noquote() << line;
}

void logSkippedMetadata(const QLoggingCategory &category, const QString &path, SkipReason reason, const QString &detail)
{
    if (!category.isWarningEnabled() || path.isEmpty())
        return;
    if (!firstReport(QStringLiteral("metadata:") + QString::number(int(reason)) + QLatin1Char(':') + path))
        return;
    const QString line =
        QStringLiteral("Metadata of %1 left out: %2").arg(loggableText(path), reasonAndDetail(reason, detail));
    qCWarning(category).noquote() << line;
}

} // namespace platform
