#include "platform/AppInstalled.h"
#include "platform/LoginItems.h"

#include "support/ServicesFixtures.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <gtest/gtest.h>

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
