#pragma once

// Isolation for tests of the application shell: private settings, the language table loaded, and a
// screen registry, overlay animator and scan list emptied after each case.

#include "screens/shell/AllViewControllers.h"
#include "screens/shell/CustomAnimator.h"
#include "screens/shell/HubScreens.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/shell/ViewController.h"
#include "model/ModuleState.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"
#include "services/MVNAssistance.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

class ShellTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        platform::UserDefaults::standard().setFilePath(m_dir.filePath("defaults.json"));
        platform::UserDefaults::standard().reset();
        platform::UserDefaults::standard().setBool("IsPopUpTWK", false);
        platform::UserDefaults::standard().setBool("IsResultVC", false);
        localizationTable = sharedAssistance().loadPropertyList("English");
    }

    void TearDown() override
    {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->isVisible() && top->isModal())
                top->hide();
        AllViewControllers::releaseAll();
        sharedAnimator.reset();
        flushEvents();
    }

    // Lets queued calls and deferred deletions run.
    static void flushEvents()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }

    static bool waitFor(const std::function<bool()> &condition, int timeoutMs = 3000)
    {
        return platform::Dispatch::runMainLoopUntil(condition, timeoutMs);
    }

    // The scan list as the scan-list screen keeps it after an edit: working and committed copies alike.
    static void setScanList(const std::vector<InitialDirectory> &entries)
    {
        HubScreens::setScanList(entries);
        HubScreens::setInitialDirectories(entries);
    }

    QString tempPath(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

// The home screen shown in the main window; overlays slide quickly.
class HomeScreenTest : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        window = initialWindowController();
        home = homeViewController();
        window->setContentViewController(home);
        window->show();
        home->makeSharedAnimator(0.05);
    }

    InitialWindowController *window = nullptr;
    ViewController *home = nullptr;
};
