#pragma once
// Set-up shared by the tests of the welcome, splash, about and support screens: private settings,
// a private home folder (the autostart entry lives under it), the language table, and a recorder
// for addresses handed to the desktop instead of opening a browser or a software centre.

#include "model/ModuleState.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QDesktopServices>
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
