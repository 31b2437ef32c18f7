#pragma once
// Set-up shared by the tests of the welcome, splash, about and support screens: private settings,
// a private home folder (the autostart entry lives under it), the language table, and a recorder
// for addresses handed to the desktop instead of opening a browser or a software centre.

#include "model/ModuleState.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QList>
#include <QObject>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

// Points the XDG application folders at a folder of the test for as long as it lives; install()
// puts a desktop entry there, so the installed test sees the application.
class DesktopEntries
{
public:
    explicit DesktopEntries(const QString &root)
        : m_root(root)
        , m_savedData(qgetenv("XDG_DATA_HOME"))
        , m_savedDirs(qgetenv("XDG_DATA_DIRS"))
    {
        qputenv("XDG_DATA_HOME", (root + "/data").toUtf8());
        qputenv("XDG_DATA_DIRS", (root + "/system").toUtf8());
        QDir().mkpath(root + "/data/applications");
    }
    ~DesktopEntries()
    {
        qputenv("XDG_DATA_HOME", m_savedData);
        qputenv("XDG_DATA_DIRS", m_savedDirs);
    }
    DesktopEntries(const DesktopEntries &) = delete;
    DesktopEntries &operator=(const DesktopEntries &) = delete;

    void install(const QString &desktopId)
    {
        QFile file(m_root + "/data/applications/" + desktopId + ".desktop");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nType=Application\nName=x\nExec=x\n");
    }

private:
    QString m_root;
    QByteArray m_savedData, m_savedDirs;
};

class WelcomeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_savedHome = qgetenv("HOME");
        qputenv("HOME", m_dir.path().toUtf8());
        platform::UserDefaults::standard().setFilePath(m_dir.filePath("defaults.json"));
        platform::UserDefaults::standard().reset();
        m_savedTable = localizationTable;
        if (const auto table = platform::PropertyList::loadFile(":/English.plist"))
            localizationTable = table->toMap();
        for (const char *scheme : {"https", "http", "appstream"})
            QDesktopServices::setUrlHandler(scheme, &urls, "open");
    }

    void TearDown() override
    {
        for (const char *scheme : {"https", "http", "appstream"})
            QDesktopServices::unsetUrlHandler(scheme);
        localizationTable = m_savedTable;
        qputenv("HOME", m_savedHome);
    }

    UrlRecorder urls;
    QTemporaryDir m_dir;

private:
    QByteArray m_savedHome;
    std::optional<QVariantMap> m_savedTable;
};
