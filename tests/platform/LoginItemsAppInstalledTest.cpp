#include "platform/AppInstalled.h"
#include "platform/LoginItems.h"

#include "support/ServicesFixtures.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <glib.h>

using platform::LoginItems;

TEST(LoginItems, AddTwiceKeepsOneEntryAndRemoveSwitchesItOff)
{
    fixtures::TempHome home;
    EXPECT_FALSE(LoginItems::contains());
    EXPECT_TRUE(LoginItems::remove()); // nothing there: nothing to do

    ASSERT_TRUE(LoginItems::add());
    ASSERT_TRUE(LoginItems::add());
    EXPECT_TRUE(LoginItems::contains());
    const QString path = LoginItems::autostartFilePath();
    EXPECT_TRUE(path.startsWith(home.path())) << path.toStdString() << " " << home.path().toStdString();
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files).size(), 1);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    file.close();
    EXPECT_TRUE(text.startsWith("[Desktop Entry]"));
    EXPECT_TRUE(text.contains("Exec=" + QFile::encodeName(QCoreApplication::applicationFilePath())));

    ASSERT_TRUE(LoginItems::remove());
    EXPECT_FALSE(LoginItems::contains());
    EXPECT_TRUE(QFile::exists(path)); // switched off, not deleted
    ASSERT_TRUE(LoginItems::add());
    EXPECT_TRUE(LoginItems::contains());
}

// The program path as a desktop environment reads it from the entry: the value through GLib's
// key file reader, "%%" as a literal '%', then the command line split as GLib splits it.
static QString programAsGLibReadsIt(const QString &entry)
{
    GKeyFile *keys = g_key_file_new();
    const QByteArray bytes = entry.toUtf8();
    QString program;
    if (g_key_file_load_from_data(keys, bytes.constData(), gsize(bytes.size()), G_KEY_FILE_NONE, nullptr)) {
        if (gchar *exec = g_key_file_get_string(keys, "Desktop Entry", "Exec", nullptr)) {
            const QByteArray command =
                QString::fromUtf8(exec).replace(QStringLiteral("%%"), QStringLiteral("%")).toUtf8();
            gchar **argv = nullptr;
            if (g_shell_parse_argv(command.constData(), nullptr, &argv, nullptr) && argv && argv[0])
                program = QString::fromUtf8(argv[0]);
            g_strfreev(argv);
            g_free(exec);
        }
    }
    g_key_file_free(keys);
    return program;
}

TEST(LoginItems, ExecLineQuotesAndEscapesTheProgramPath)
{
    const QStringList programs = {
        QStringLiteral("/opt/My Apps/twinsift"),
        QStringLiteral("/opt/say \"hi\"/100% sure/twinsift"),
        QStringLiteral("/opt/$HOME/`id`/back\\slash/twinsift"),
        QStringLiteral("/opt/plain/twinsift"),
    };
    for (const QString &program : programs) {
        const QString entry = LoginItems::entryText(program, false);
        EXPECT_EQ(programAsGLibReadsIt(entry), program) << qPrintable(entry);
        QString exec;
        for (const QString &line : entry.split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("Exec=")))
                exec = line.mid(5);
        EXPECT_EQ(LoginItems::programOfExec(exec), program) << qPrintable(exec);
    }
    // A single '%' would start a field code.
    EXPECT_TRUE(LoginItems::entryText(programs[1], false).contains(QStringLiteral("100%% sure")));
}

TEST(AppInstalled, DesktopFilesInTheApplicationFolders)
{
    fixtures::TempHome home;
    const QString apps = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    ASSERT_TRUE(apps.startsWith(home.path()));
    fixtures::writeFile(apps + "/org.example.Viewer.desktop", "[Desktop Entry]\nType=Application\nName=V\n");
    fixtures::writeFile(apps + "/org.example.Gone.desktop", "[Desktop Entry]\nType=Application\nHidden=true\n");
    EXPECT_TRUE(platform::isAppInstalled("org.example.Viewer"));
    EXPECT_TRUE(platform::isAppInstalled("org.example.Viewer.desktop"));
    EXPECT_FALSE(platform::isAppInstalled("org.example.viewer")); // ids are case-sensitive
    EXPECT_FALSE(platform::isAppInstalled("org.example.Gone"));
    EXPECT_FALSE(platform::isAppInstalled("org.example.Missing"));
    EXPECT_FALSE(platform::isAppInstalled(""));
    EXPECT_FALSE(platform::isAppInstalled("../x"));
}
