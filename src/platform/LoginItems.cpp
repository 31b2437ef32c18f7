#include "platform/LoginItems.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

namespace platform {

namespace {

// A value of a desktop entry key: backslashes, line breaks, tabs and carriage returns escaped.
QString escapedValue(const QString &value)
{
    QString out;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString unescapedValue(const QString &value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        default:
            out += next;
            break; // "\\" and any other escaped character stand for themselves
        }
    }
    return out;
}

// One argument of an Exec= command line: quoted in double quotes when it holds a reserved
// character, with '"', '`', '$' and '\' escaped inside the quotes; every '%' written as "%%" (a
// single one would start a field code).
QString execArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = argument.isEmpty();
    for (const QChar c : argument)
        quote = quote || reserved.contains(c);
    QString out;
    if (quote)
        out += QLatin1Char('"');
    for (const QChar c : argument) {
        if (quote
            && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\')))
            out += QLatin1Char('\\');
        out += c;
        if (c == QLatin1Char('%'))
            out += QLatin1Char('%');
    }
    if (quote)
        out += QLatin1Char('"');
    return out;
}

QString desktopEntryText(bool hidden)
{
    return LoginItems::entryText(QCoreApplication::applicationFilePath(), hidden);
}

} // namespace

QString LoginItems::entryText(const QString &program, bool hidden)
{
    QString text;
    QTextStream out(&text);
    const QString name = QCoreApplication::applicationName().isEmpty() ? QStringLiteral("Twinsift")
                                                                       : QCoreApplication::applicationName();
    out << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=" << escapedValue(name) << "\n"
        << "Exec=" << escapedValue(execArgument(program)) << "\n"
        << "Terminal=false\n"
        << "X-GNOME-Autostart-enabled=" << (hidden ? "false" : "true") << "\n";
    if (hidden)
        out << "Hidden=true\n";
    return text;
}

QString LoginItems::programOfExec(const QString &execValue)
{
    // The value's own escapes first, then "%%" (a literal '%'), then the quoting of the argument.
    const QString line = unescapedValue(execValue.trimmed());
    QString command;
    for (qsizetype i = 0; i < line.size(); ++i) {
        command += line.at(i);
        if (line.at(i) == QLatin1Char('%') && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('%'))
            ++i;
    }
    if (!command.startsWith(QLatin1Char('"')))
        return command.section(QLatin1Char(' '), 0, 0);
    QString program;
    for (qsizetype i = 1; i < command.size(); ++i) {
        const QChar c = command.at(i);
        if (c == QLatin1Char('"'))
            return program;
        if (c == QLatin1Char('\\') && i + 1 < command.size())
            program += command.at(++i);
        else
            program += c;
    }
    return QString(); // no closing quote
}

namespace {

bool writeEntry(bool hidden)
{
    const QString path = LoginItems::autostartFilePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    file.write(desktopEntryText(hidden).toUtf8());
    return file.commit();
}

} // namespace

QString LoginItems::autostartFilePath()
{
    QString name = QCoreApplication::applicationName().toLower();
    if (name.isEmpty())
        name = QStringLiteral("twinsift");
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart/")
        + name + QStringLiteral(".desktop");
}

bool LoginItems::contains()
{
    QFile file(autostartFilePath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QString program = QCoreApplication::applicationFilePath();
    bool startsUs = false;
    bool hidden = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1String("Hidden=")))
            hidden = line.mid(7).trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        else if (line.startsWith(QLatin1String("Exec="))) {
            startsUs = programOfExec(line.mid(5)) == program;
        }
    }
    return startsUs && !hidden;
}

bool LoginItems::add()
{
    if (contains())
        return true;
    return writeEntry(false);
}

bool LoginItems::remove()
{
    if (!QFileInfo::exists(autostartFilePath()))
        return true;
    if (!contains())
        return true;
    return writeEntry(true);
}

} // namespace platform
