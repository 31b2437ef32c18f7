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

QString desktopEntryText(bool hidden)
{
    QString text;
    QTextStream out(&text);
    const QString name = QCoreApplication::applicationName().isEmpty() ? QStringLiteral("Twinsift")
                                                                       : QCoreApplication::applicationName();
    QString exec = QCoreApplication::applicationFilePath();
    if (exec.contains(QLatin1Char(' ')))
        exec = QLatin1Char('"') + exec + QLatin1Char('"');
    out << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=" << name << "\n"
        << "Exec=" << exec << "\n"
        << "Terminal=false\n"
        << "X-GNOME-Autostart-enabled=" << (hidden ? "false" : "true") << "\n";
    if (hidden)
        out << "Hidden=true\n";
    return text;
}

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
            QString exec = line.mid(5).trimmed();
            if (exec.startsWith(QLatin1Char('"')) && exec.indexOf(QLatin1Char('"'), 1) > 0)
                exec = exec.mid(1, exec.indexOf(QLatin1Char('"'), 1) - 1);
            else
                exec = exec.section(QLatin1Char(' '), 0, 0);
            startsUs = exec == program;
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
