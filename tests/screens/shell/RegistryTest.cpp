// The screen registry: one controller per identifier, fresh scan controllers after clearing.
#include "screens/shell/AllViewControllers.h"
#include "screens/shell/ScreenNames.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/shell/ViewController.h"
#include "platform/widgets/Storyboard.h"
#include "platform/widgets/WindowController.h"
#include "support/ShellFixtures.h"

#include <QPointer>

using RegistryTest = ShellTest;

TEST_F(RegistryTest, EachGetterReturnsOneControllerMadeOnFirstUse)
{
    EXPECT_EQ(AllViewControllers::cachedController(ScreenName::scanResult), nullptr);
    QWidget *results = scanResultVC();
    ASSERT_NE(results, nullptr);
    EXPECT_EQ(scanResultVC(), results);
    EXPECT_EQ(AllViewControllers::cachedController(ScreenName::scanResult), results);

    using Getter = QWidget *(*)();
    const std::pair<Getter, const char *> getters[] = {
        {[]() -> QWidget * { return scanVC(); }, "Scan"},
        {[]() -> QWidget * { return thumbnailVC(); }, "Thumbnail"},
        {[]() -> QWidget * { return listViewVC(); }, "ListView"},
        {[]() -> QWidget * { return filePropertiesVC(); }, "FileProperties"},
        {[]() -> QWidget * { return noSimilarDuplicatePhotosFoundVC(); }, "NoSimilarDuplicatePhotosFound"},
        {[]() -> QWidget * { return addFilesVC(); }, "AddFiles"},
        {[]() -> QWidget * { return afterMoveInPhotoLibraryVC(); }, "AfterMoveInPhotoLibrary"},
        {[]() -> QWidget * { return afterDeleteStatusVC(); }, "AfterDeleteStatus"},
        {[]() -> QWidget * { return similarMatchesVC(); }, "SimilarMatches"},
        {[]() -> QWidget * { return splashVC(); }, "Splash"},
        {[]() -> QWidget * { return exactMatchVC(); }, "ExactMatch"},
        {[]() -> QWidget * { return autoMarkSelectionDialogVC(); }, "AutoMark"},
        {[]() -> QWidget * { return backToHomeDialogVC(); }, "BackToHome"},
        {[]() -> QWidget * { return deleteDuplicatePhotosVC(); }, "DeleteDuplicatePhotos"},
        {[]() -> QWidget * { return startupVC(); }, "Startup"},
        {[]() -> QWidget * { return aboutVC(); }, "About"},
        {[]() -> QWidget * { return cancelScanningVC(); }, "CancelScanning"},
        {[]() -> QWidget * { return toolTipsDetailsVC(); }, "ToolTipsDetails"},
        {[]() -> QWidget * { return selectionPriorityPreferencesVC(); }, "SelectionPriorityPreferences"},
        {[]() -> QWidget * { return selectionWizardPreferencesVC(); }, "SelectionWizardPreferences"},
        {[]() -> QWidget * { return preferencesTabViewController(); }, "PreferencesTabVC"},
        {[]() -> QWidget * { return fileFormatsPreferencesVC(); }, "FileFormatsPreferences"},
        {[]() -> QWidget * { return foldersPreferencesVC(); }, "FoldersPreferences"}};
    // Every name in the one list of screen names makes a screen.
    for (const QLatin1String name : ScreenName::all)
        EXPECT_TRUE(AllViewControllers::mainStoryboard().hasIdentifier(name)
                    || AllViewControllers::preferencesStoryboard().hasIdentifier(name))
            << name.data();
    for (const auto &[getter, identifier] : getters) {
        QWidget *first = getter();
        ASSERT_NE(first, nullptr) << identifier;
        EXPECT_EQ(getter(), first) << identifier;
        EXPECT_EQ(AllViewControllers::cachedController(identifier), first) << identifier;
    }

    ViewController *home = homeViewController();
    EXPECT_EQ(homeViewController(), home);
    EXPECT_TRUE(home->isViewLoaded());
    EXPECT_EQ(initialWindowController(), initialWindowController());
    EXPECT_EQ(splashWindowController(), splashWindowController());
    EXPECT_EQ(startupWindowController(), startupWindowController());
    EXPECT_EQ(preferencesWindowController(), preferencesWindowController());
    // Window controllers show the registry's own content controller, not a second one.
    EXPECT_EQ(splashWindowController()->contentViewController(), splashVC());
    EXPECT_EQ(startupWindowController()->contentViewController(), startupVC());
    EXPECT_EQ(preferencesWindowController()->contentViewController(), preferencesTabViewController());
}

TEST_F(RegistryTest, ClearingGivesFreshScanControllersAndKeepsTheRest)
{
    QPointer<QWidget> scan = scanVC();
    QPointer<QWidget> grid = thumbnailVC();
    QPointer<QWidget> list = listViewVC();
    QWidget *results = scanResultVC();
    QWidget *scanList = addFilesVC();

    AllViewControllers::clearScanControllers();
    EXPECT_EQ(AllViewControllers::cachedController(ScreenName::scan), nullptr);
    EXPECT_EQ(AllViewControllers::cachedController(ScreenName::thumbnail), nullptr);
    EXPECT_EQ(AllViewControllers::cachedController(ScreenName::listView), nullptr);

    EXPECT_NE(scanVC(), scan.data());
    EXPECT_NE(thumbnailVC(), grid.data());
    EXPECT_NE(listViewVC(), list.data());
    EXPECT_EQ(scanResultVC(), results);
    EXPECT_EQ(addFilesVC(), scanList);

    // The dropped controllers are destroyed once the event loop runs.
    flushEvents();
    EXPECT_TRUE(scan.isNull());
    EXPECT_TRUE(grid.isNull());
    EXPECT_TRUE(list.isNull());
}

TEST_F(RegistryTest, EachStoryboardIsCreatedOnceAndKnowsItsIdentifiers)
{
    // Storyboard objects live for the whole run: whichever test made one first, there is one.
    selectionPriorityPreferencesVC();
    fileFormatsPreferencesVC();
    foldersPreferencesVC();
    EXPECT_EQ(AllViewControllers::storyboardCreationCount("Preferences"), 1);
    auto &main = AllViewControllers::mainStoryboard();
    scanVC();
    EXPECT_EQ(AllViewControllers::storyboardCreationCount("Main"), 1);
    EXPECT_EQ(main.name(), QString("Main"));
    for (const char *identifier : {"Scan", "ViewController", "InitialWindowController", "StartupWindow",
                                   "SplashWindowController", "About", "AddFiles"})
        EXPECT_TRUE(main.hasIdentifier(identifier)) << identifier;
    EXPECT_TRUE(AllViewControllers::preferencesStoryboard().hasIdentifier(ScreenName::preferencesWindowController));
    // An unknown identifier makes nothing; a wrong class is refused.
    EXPECT_EQ(main.instantiateControllerWithIdentifier("NoSuchScreen"), nullptr);
    EXPECT_EQ(main.instantiate<platform::WindowController>(ScreenName::about), nullptr);
}
