#include "platform/Log.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <string>

namespace {

QStringList logged;

void keepMessage(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    logged << QString::fromLatin1(context.category ? context.category : "") + QStringLiteral(": ") + message;
}

} // namespace

// A name can neither break the line, steer the terminal nor pass for another name (four characters
// "\x0a" against a line break); every kind of text a log line is given is escaped on the way in.
TEST(Log, EveryTextIsEscapedOnTheWayIn)
{
    using platform::loggableText;
    EXPECT_EQ(loggableText(QStringLiteral("a\nb\x1b[2J\u2028c")), QStringLiteral("a\\x0ab\\x1b[2J\\u2028c"));
    EXPECT_EQ(loggableText(QStringLiteral("a\\x0ab")), QStringLiteral("a\\\\x0ab"));
    EXPECT_NE(loggableText(QStringLiteral("a\\x0ab")), loggableText(QStringLiteral("a\nb")));
    EXPECT_EQ(loggableText(QString(2000, QLatin1Char('x'))), QString(1024, QLatin1Char('x')) + QStringLiteral("..."));

    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepMessage);
    int evaluated = 0;
    const auto count = [&evaluated] { return ++evaluated; };
    logWarning(lcPlatform) << "Cannot open" << QStringLiteral("x\ny") << QByteArray("\x1b[2J") << std::string("\\")
                           << "\r" << 42 << 1.5 << true;
    logDebug(lcPlatform) << "off by default" << count();
    qInstallMessageHandler(previous);
    EXPECT_EQ(logged,
              QStringList{QStringLiteral("twinsift.platform: Cannot open x\\x0ay \\x1b[2J \\\\ \\x0d 42 1.5 true")});
    EXPECT_EQ(evaluated, 0);

    testing::internal::CaptureStdout();
    platform::printLine(QStringLiteral("File does not exist /tmp/a\nforged\\"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "File does not exist /tmp/a\\x0aforged\\\\\n");
}

namespace {

// The source text with comments blanked and the inside of every string and character literal
// replaced by '_', line breaks kept, so that a pattern matches code only and a line number holds.
QString codeOnly(const QString &source)
{
    QString code = source;
    const qsizetype n = code.size();
    const auto blank = [&code](qsizetype from, qsizetype to, QChar with) {
        for (qsizetype i = from; i < to; ++i)
            if (code[i] != QLatin1Char('\n'))
                code[i] = with;
    };
    for (qsizetype i = 0; i < n;) {
        const QChar c = source[i];
        const QChar next = i + 1 < n ? source[i + 1] : QChar();
        if (c == QLatin1Char('/') && next == QLatin1Char('/')) {
            const qsizetype end = source.indexOf(QLatin1Char('\n'), i);
            const qsizetype stop = end < 0 ? n : end;
            blank(i, stop, QLatin1Char(' '));
            i = stop;
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            const qsizetype end = source.indexOf(QLatin1String("*/"), i + 2);
            const qsizetype stop = end < 0 ? n : end + 2;
            blank(i, stop, QLatin1Char(' '));
            i = stop;
        } else if (c == QLatin1Char('R') && next == QLatin1Char('"')
                   && (i == 0 || !(source[i - 1].isLetterOrNumber() || source[i - 1] == QLatin1Char('_')))) {
            const qsizetype open = source.indexOf(QLatin1Char('('), i + 2);
            const QString closing = QLatin1Char(')') + source.mid(i + 2, open - i - 2) + QLatin1Char('"');
            const qsizetype end = source.indexOf(closing, open);
            const qsizetype stop = end < 0 ? n : end + closing.size();
            blank(i + 2, stop - 1, QLatin1Char('_'));
            i = stop;
        } else if (c == QLatin1Char('"') || (c == QLatin1Char('\'') && !(i > 0 && source[i - 1].isLetterOrNumber()))) {
            qsizetype j = i + 1;
            while (j < n && source[j] != c && source[j] != QLatin1Char('\n'))
                j += source[j] == QLatin1Char('\\') ? 2 : 1;
            blank(i + 1, j, QLatin1Char('_'));
            i = j + 1;
        } else {
            ++i;
        }
    }
    return code;
}

} // namespace

// Every line the program writes goes through the helpers of platform/Log.h, which escape what they
// are given: no Qt logging macro, printf or stream on standard error or output anywhere else, and
// no escaping of a caller's own (the text would be escaped twice).
TEST(LogSources, EveryLineGoesThroughTheEscapingHelpers)
{
    struct Rule {
        QRegularExpression pattern;
        const char *why;
    };
    const std::vector<Rule> rules = {
        {QRegularExpression(QStringLiteral("\\b(qC?(Debug|Info|Warning|Critical)|QMessageLogger)\\b")),
         "logs through Qt without escaping; use logDebug/logInfo/logWarning/logCritical"},
        {QRegularExpression(QStringLiteral("\\bqFatal\\s*\\((?!\\s*\"_*\"\\s*\\))")),
         "formats a text into qFatal; log it with logCritical and end with a fixed qFatal text"},
        {QRegularExpression(QStringLiteral("\\bstd::(cerr|cout|clog)\\b|(?<![\\w.>])(std::|::)?(printf|fprintf|"
                                           "vprintf|vfprintf|dprintf|puts|fputs|perror|putchar|fputc|putc|fwrite)"
                                           "\\s*\\(|(?<!fflush\\()\\bstd(err|out)\\b")),
         "writes to standard error or output; use printLine or the log"},
        {QRegularExpression(QStringLiteral("\\bloggableText\\s*\\(")),
         "escapes a text the log helpers escape again; hand them the text itself"},
    };
    int files = 0;
    int helperCalls = 0;
    QStringList breaches;
    QDirIterator it(QStringLiteral(TWINSIFT_SOURCE_DIR), {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(qsizetype(sizeof TWINSIFT_SOURCE_DIR));
        if (relative == QLatin1String("platform/Log.h") || relative == QLatin1String("platform/Log.cpp"))
            continue;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QString code = codeOnly(QString::fromUtf8(file.readAll()));
        ++files;
        helperCalls += int(code.count(QRegularExpression(QStringLiteral("\\b(log(Debug|Info|Warning|Critical)|"
                                                                        "printLine|logSkippedFile)\\s*\\("))));
        for (const Rule &rule : rules) {
            for (auto match = rule.pattern.globalMatch(code); match.hasNext();) {
                const qsizetype at = match.next().capturedStart();
                const int line = int(code.left(at).count(QLatin1Char('\n'))) + 1;
                const qsizetype lineStart = code.lastIndexOf(QLatin1Char('\n'), at) + 1;
                breaches << QStringLiteral("src/%1:%2: %3\n    %4")
                                .arg(relative)
                                .arg(line)
                                .arg(QString::fromLatin1(rule.why),
                                     code.mid(lineStart, code.indexOf(QLatin1Char('\n'), at) - lineStart).trimmed());
            }
        }
    }
    EXPECT_GT(files, 100);
    EXPECT_GT(helperCalls, 100); // the sources were read and the helpers found
    EXPECT_TRUE(breaches.isEmpty()) << breaches.size() << " lines write around the escaping log helpers:\n"
                                    << breaches.join(QLatin1Char('\n')).toStdString();
}
