#pragma once
// Set-up of the Preferences tests: private settings and configuration folder, the language table,
// the module lists saved and restored, and alerts recorded instead of shown.

#include "support/ShellFixtures.h"

#include "model/ModuleState.h"
#include "model/ResultState.h"
#include "model/TextLookup.h"
#include "screens/preferences/PreferencesTabViewController.h"

#include <QDir>
#include <QStringList>

class PreferencesTest : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        m_savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", tempPath("config").toUtf8());
        m_scan = scanExtensions;
        m_excluded = excludedFolders;
        m_protected = protectedFolders;
        m_flags = protectedSubFolderFlags;
        scanExtensions = allExtensions;
        excludedFolders.clear();
        protectedFolders.clear();
        protectedSubFolderFlags.clear();
        ResultState::shared().clear();
    }

    void TearDown() override
    {
        ShellTest::TearDown();
        scanExtensions = m_scan;
        excludedFolders = m_excluded;
        protectedFolders = m_protected;
        protectedSubFolderFlags = m_flags;
        confirmBeforeDeletingPhotos = showAutoMarkAlert = backToHomeAlert = true;
        ResultState::shared().clear();
        qputenv("XDG_CONFIG_HOME", m_savedConfig);
    }

    QString folder(const QString &name)
    {
        const QString path = tempPath(name);
        QDir().mkpath(path);
        return path;
    }

    // Alerts the panes would show, as "message|informative".
    QStringList alerts;
    std::function<void(const QString &, const QString &)> recordAlert()
    {
        return [this](const QString &message, const QString &informative) { alerts << message + "|" + informative; };
    }

private:
    QByteArray m_savedConfig;
    QStringList m_scan;
    std::vector<InitialDirectory> m_excluded;
    std::vector<InitialDirectory> m_protected;
    std::vector<bool> m_flags;
};
