// The settings the application writes and loads at launch, and its update schedule.
#include "screens/shell/AppDelegate.h"
#include "screens/shell/ScreenNames.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/shell/ViewController.h"
#include "platform/widgets/WindowController.h"

#include <QAction>
#include "model/AutoMark.h"
#include "model/ModuleState.h"
#include "model/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "support/ShellFixtures.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using platform::UserDefaults;

namespace {

UserDefaults &defaults()
{
    return UserDefaults::standard();
}

// The launch steps that touch settings and module state only (no window is shown).
void runSettingSteps(AppDelegate &delegate)
{
    delegate.writeAbsentSettingDefaults();
    delegate.resetPerRunFlags();
    delegate.loadLanguageAndDefaultRules();
    delegate.syncProtectedFolderDefaults();
    delegate.rebuildExcludedFolders();
    delegate.registerAlertDefaults();
}

} // namespace

class LaunchDefaultsTest : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        defaults().reset();
        excludedFolders.clear();
        protectedFolders.clear();
        protectedSubFolderFlags.clear();
        confirmBeforeDeletingPhotos = showAutoMarkAlert = backToHomeAlert = true;
    }

    // The settings store reads `settings` as the file the user has on disk.
    void loadSettingsFile(const QJsonObject &settings)
    {
        const QString path = tempPath("stored.json");
        defaults().synchronize(); // nothing pending may land on the file below
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QJsonDocument(settings).toJson());
        file.close();
        defaults().setFilePath(path);
    }
    static QJsonObject storedPaths(const QStringList &paths)
    {
        QJsonArray array;
        for (const QString &path : paths)
            array.append(QJsonObject{{"string", path}});
        return QJsonObject{{"array", array}};
    }
};

TEST_F(LaunchDefaultsTest, FirstLaunchWritesEveryAbsentSettingWithItsType)
{
    AppDelegate delegate;
    runSettingSteps(delegate);
    EXPECT_EQ(delegate.scheduleUpdateCheck(), AppDelegate::ScheduledCheck::None);

    EXPECT_EQ(defaults().typeOf("MinimumFileSizeTWK"), UserDefaults::Type::Unsigned);
    EXPECT_EQ(defaults().object("MinimumFileSizeTWK")->toULongLong(), 1024u);
    EXPECT_EQ(defaults().stringForKey("MinimumFileSizeTypeTWK"), QString("KB"));
    EXPECT_EQ(defaults().typeOf("ScanVideoFilesInExactMatchTWK"), UserDefaults::Type::Integer);
    EXPECT_EQ(defaults().integerForKey("ScanVideoFilesInExactMatchTWK"), 0);
    EXPECT_TRUE(defaults().holdsBool("LoginStartStatusTWK"));
    EXPECT_FALSE(defaults().boolForKey("LoginStartStatusTWK"));
    for (const char *key : {"confirmBeforeDeletingPhotos", "showAutoMarkAlert", "backToHomeAlert"}) {
        EXPECT_TRUE(defaults().holdsBool(key)) << key;
        EXPECT_TRUE(defaults().boolForKey(key)) << key;
    }
    EXPECT_EQ(defaults().stringArrayForKey("ProtectedFoldersTWK"), QStringList());
    EXPECT_EQ(defaults().dataForKey("ProtectedSubFoldersTWK"), QByteArray("[]"));

    // The seven system folders are stored and, from this very launch on, in the excluded list.
    EXPECT_EQ(defaults().stringArrayForKey("ExcludedFoldersTWK"), excludedSystemFolderList());
    ASSERT_EQ(excludedFolders.size(), 7u);
    for (size_t i = 0; i < excludedFolders.size(); ++i)
        EXPECT_EQ(excludedFolders[i].url->toLocalFile(), excludedSystemFolderList()[int(i)]);

    EXPECT_TRUE(defaults().holdsBool("FirstRunTWK"));
    EXPECT_FALSE(defaults().boolForKey("FirstRunTWK"));
    EXPECT_FALSE(defaults().contains("AutoCheckForUpdateTWK"));
    EXPECT_FALSE(defaults().contains("StartupTWK"));
}

TEST_F(LaunchDefaultsTest, PerRunFlagsAreResetWhateverTheyHeld)
{
    defaults().setBool("IsVisibleSettingTooltips", false);
    defaults().setBool("IsPopUpTWK", true);
    defaults().setBool("IsDelete", true);
    defaults().setBool("IsScan", true);
    defaults().setString("IsThumbnailSelected", "no");
    defaults().setBool("ISSliderAvailable", true);
    defaults().setBool("IsResultVC", true);
    AppDelegate delegate;
    delegate.resetPerRunFlags();
    const std::pair<const char *, bool> expected[] = {
        {"IsVisibleSettingTooltips", true}, {"IsPopUpTWK", false},        {"IsDelete", false},  {"IsScan", false},
        {"IsThumbnailSelected", true},      {"ISSliderAvailable", false}, {"IsResultVC", false}};
    for (const auto &[key, value] : expected) {
        EXPECT_TRUE(defaults().holdsBool(key)) << key;
        EXPECT_EQ(defaults().boolForKey(key), value) << key;
    }
}

TEST_F(LaunchDefaultsTest, StoredValuesOfTheRightTypeStayAndWrongTypesAreReplaced)
{
    defaults().setUnsigned("MinimumFileSizeTWK", 2048);
    defaults().setString("MinimumFileSizeTypeTWK", "MB");
    defaults().setString("ScanVideoFilesInExactMatchTWK", "yes");
    defaults().setBool("LoginStartStatusTWK", true);
    AppDelegate delegate;
    delegate.writeAbsentSettingDefaults();
    EXPECT_EQ(defaults().object("MinimumFileSizeTWK")->toULongLong(), 2048u);
    EXPECT_EQ(defaults().stringForKey("MinimumFileSizeTypeTWK"), QString("MB"));
    EXPECT_EQ(defaults().typeOf("ScanVideoFilesInExactMatchTWK"), UserDefaults::Type::Integer);
    EXPECT_TRUE(defaults().boolForKey("LoginStartStatusTWK"));

    defaults().setString("MinimumFileSizeTWK", "big");
    delegate.writeAbsentSettingDefaults();
    EXPECT_EQ(defaults().typeOf("MinimumFileSizeTWK"), UserDefaults::Type::Unsigned);
    EXPECT_EQ(defaults().object("MinimumFileSizeTWK")->toULongLong(), 1024u);
}

TEST_F(LaunchDefaultsTest, TheDefaultRulesReplaceEditedOnesAtEveryLaunch)
{
    auto edited = defaultAutoMarkRules();
    edited.pop_back();
    edited.front().isUse = false;
    storeAutoMarkRules(edited);
    AppDelegate delegate;
    delegate.loadLanguageAndDefaultRules();
    const auto stored = storedAutoMarkRules();
    ASSERT_TRUE(stored.has_value());
    ASSERT_EQ(stored->size(), 9u);
    EXPECT_EQ(*stored, defaultAutoMarkRules());
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ((*stored)[i].index, i);
        EXPECT_EQ((*stored)[i].priority, i + 1);
        EXPECT_TRUE((*stored)[i].isUse);
    }
    // The language table was loaded on the way: the rules carry their names.
    EXPECT_FALSE(stored->front().name.isEmpty());
}

TEST_F(LaunchDefaultsTest, StoredFolderListsAreLoadedNotOverwritten)
{
    defaults().setStringArray("ExcludedFoldersTWK", {"/tmp/one", "/tmp/two"});
    defaults().setStringArray("ProtectedFoldersTWK", {"/tmp/kept"});
    defaults().setData("ProtectedSubFoldersTWK", "[true]");
    AppDelegate delegate;
    delegate.syncProtectedFolderDefaults();
    delegate.rebuildExcludedFolders();
    EXPECT_EQ(defaults().stringArrayForKey("ExcludedFoldersTWK"), QStringList({"/tmp/one", "/tmp/two"}));
    ASSERT_EQ(excludedFolders.size(), 2u);
    EXPECT_EQ(excludedFolders[1].url->toLocalFile(), QString("/tmp/two"));
    ASSERT_EQ(protectedFolders.size(), 1u);
    EXPECT_EQ(protectedFolders[0].url->toLocalFile(), QString("/tmp/kept/"));
    EXPECT_EQ(protectedSubFolderFlags, std::vector<bool>{true});

    // One damaged element costs only itself: the other exclusions stay, in the list and stored.
    defaults().setArray("ExcludedFoldersTWK", {QVariant(1), QVariant("/tmp/x")});
    delegate.rebuildExcludedFolders();
    ASSERT_EQ(excludedFolders.size(), 1u);
    EXPECT_EQ(excludedFolders[0].url->toLocalFile(), QString("/tmp/x"));
    EXPECT_EQ(defaults().arrayForKey("ExcludedFoldersTWK")->size(), 2);

    // The same for the protected folders: a number between two folders costs only itself, each
    // kept folder keeps its own flag, and neither stored key is rewritten.
    const QVariantList damaged{QVariant("/tmp/first"), QVariant(7), QVariant("/tmp/third")};
    defaults().setArray("ProtectedFoldersTWK", damaged);
    defaults().setData("ProtectedSubFoldersTWK", "[false,true,true]");
    delegate.syncProtectedFolderDefaults();
    ASSERT_EQ(protectedFolders.size(), 2u);
    EXPECT_EQ(protectedFolders[0].url->toLocalFile(), QString("/tmp/first/"));
    EXPECT_EQ(protectedFolders[1].url->toLocalFile(), QString("/tmp/third/"));
    EXPECT_EQ(protectedSubFolderFlags, (std::vector<bool>{false, true}));
    EXPECT_EQ(defaults().arrayForKey("ProtectedFoldersTWK"), damaged);
    EXPECT_EQ(defaults().dataForKey("ProtectedSubFoldersTWK"), QByteArray("[false,true,true]"));

    // A value that is no list at all is seeded with an empty list, as a missing one is.
    defaults().setString("ProtectedFoldersTWK", "/tmp/first");
    protectedFolders.clear();
    protectedSubFolderFlags.clear();
    delegate.syncProtectedFolderDefaults();
    EXPECT_EQ(defaults().stringArrayForKey("ProtectedFoldersTWK"), QStringList());
}

TEST_F(LaunchDefaultsTest, StoredAlertSwitchesAreLoadedAndNothingIsWritten)
{
    defaults().setBool("confirmBeforeDeletingPhotos", false);
    defaults().setBool("showAutoMarkAlert", true);
    defaults().setBool("backToHomeAlert", true);
    AppDelegate delegate;
    delegate.registerAlertDefaults();
    EXPECT_FALSE(confirmBeforeDeletingPhotos);
    EXPECT_TRUE(showAutoMarkAlert);
    EXPECT_TRUE(backToHomeAlert);
    EXPECT_FALSE(defaults().boolForKey("confirmBeforeDeletingPhotos"));
}

TEST_F(LaunchDefaultsTest, UpdateScheduleFollowsFirstRunAndTheStoredMode)
{
    AppDelegate delegate;
    defaults().setBool("FirstRunTWK", false);
    EXPECT_EQ(delegate.scheduleUpdateCheck(), AppDelegate::ScheduledCheck::AutoInstall);
    EXPECT_EQ(defaults().typeOf("AutoCheckForUpdateTWK"), UserDefaults::Type::Integer);
    EXPECT_EQ(defaults().integerForKey("AutoCheckForUpdateTWK"), 1);

    defaults().setInteger("AutoCheckForUpdateTWK", 0);
    EXPECT_EQ(delegate.scheduleUpdateCheck(), AppDelegate::ScheduledCheck::CheckOnly);

    defaults().setInteger("AutoCheckForUpdateTWK", 2);
    EXPECT_EQ(delegate.scheduleUpdateCheck(), AppDelegate::ScheduledCheck::None);
    EXPECT_EQ(defaults().integerForKey("AutoCheckForUpdateTWK"), 2);

    defaults().setString("AutoCheckForUpdateTWK", "daily");
    EXPECT_EQ(delegate.scheduleUpdateCheck(), AppDelegate::ScheduledCheck::AutoInstall);
    EXPECT_EQ(defaults().integerForKey("AutoCheckForUpdateTWK"), 1);
}

TEST_F(LaunchDefaultsTest, LaterLaunchesShowTheSplashThenTheHomeScreen)
{
    defaults().setBool("StartupTWK", false); // only the presence of a Bool counts
    AppDelegate delegate;
    delegate.showFirstWindow();
    EXPECT_TRUE(splashWindowController()->isVisible());
    EXPECT_FALSE(initialWindowController()->isVisible());
    EXPECT_EQ(initialWindowController()->contentViewController(), nullptr);
    EXPECT_EQ(AllViewControllers::cachedController(ScreenName::startupWindow), nullptr);

    delegate.applicationDidFinishLaunching();
    EXPECT_FALSE(delegate.isAllowToPreference);
    // The splash stays a while, then gives way to the home screen by itself.
    flushEvents();
    EXPECT_TRUE(splashWindowController()->isVisible());
    ASSERT_TRUE(waitFor([] { return !splashWindowController()->isVisible(); }, 10000));
    EXPECT_TRUE(initialWindowController()->isVisible());
    EXPECT_EQ(initialWindowController()->contentViewController(), homeViewController());
    EXPECT_TRUE(delegate.isAllowToPreference);
    EXPECT_TRUE(delegate.menuItemPreferences->isEnabled());
}

TEST_F(LaunchDefaultsTest, TheFirstLaunchShowsTheWelcomeWindowUntilGetStarted)
{
    AppDelegate delegate;
    delegate.showFirstWindow();
    delegate.applicationDidFinishLaunching();
    EXPECT_TRUE(startupWindowController()->isVisible());
    EXPECT_EQ(startupWindowController()->contentViewController(), startupVC());
    EXPECT_EQ(AllViewControllers::cachedController(ScreenName::splashWindowController), nullptr);
    EXPECT_FALSE(delegate.isAllowToPreference);

    startupVC()->btnGetStarted();
    EXPECT_TRUE(initialWindowController()->isVisible());
    EXPECT_EQ(initialWindowController()->contentViewController(), homeViewController());
    EXPECT_FALSE(startupWindowController()->isVisible());
    EXPECT_TRUE(delegate.isAllowToPreference);
    EXPECT_TRUE(defaults().holdsBool("StartupTWK"));
}

TEST_F(LaunchDefaultsTest, ALaunchWritesTheSettingsFileOnceAndLongFolderListsComeBackWhole)
{
    // A first launch sets many values; the file is written once, when the main loop comes round.
    defaults().synchronize();
    const int before = defaults().fileWriteCount();
    {
        AppDelegate delegate;
        runSettingSteps(delegate);
    }
    EXPECT_EQ(defaults().fileWriteCount(), before);
    QCoreApplication::processEvents();
    EXPECT_EQ(defaults().fileWriteCount(), before + 1);

    // Stored folder lists longer than the scan list's cap come back whole: a protected folder left
    // out would let its files be marked and trashed. A relative path or one holding a control
    // character is refused (logged), as the scan list refuses it; the stored lists stay as they are.
    QStringList many;
    for (int i = 0; i < maxRestoredListEntries + 5; ++i)
        many << QString("/tmp/folder%1").arg(i);
    QStringList stored = many;
    stored.insert(3, "Pictures/relative");
    stored.insert(5, "/tmp/line\nbreak");
    stored.append("/tmp/bell\a");
    loadSettingsFile({{"ExcludedFoldersTWK", storedPaths(stored)},
                      {"ProtectedFoldersTWK", storedPaths(stored)},
                      {"ProtectedSubFoldersTWK", QJsonObject{{"data", QString(QByteArray("[]").toBase64())}}}});
    AppDelegate delegate;
    testing::internal::CaptureStderr();
    delegate.syncProtectedFolderDefaults();
    delegate.rebuildExcludedFolders();
    const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
    ASSERT_EQ(excludedFolders.size(), size_t(many.size()));
    EXPECT_EQ(excludedFolders.back().url->toLocalFile(), many.back());
    ASSERT_EQ(protectedFolders.size(), size_t(many.size()));
    EXPECT_EQ(protectedSubFolderFlags.size(), size_t(many.size()));
    EXPECT_EQ(protectedFolders.back().url->toLocalFile(), many.back() + "/");
    EXPECT_EQ(protectedFolders[3].url->toLocalFile(), many[3] + "/");
    EXPECT_EQ(log.count("not an absolute path"), 2) << qPrintable(log);
    EXPECT_EQ(log.count("control character"), 4);
    EXPECT_TRUE(log.contains("/tmp/line\\x0abreak"));
    EXPECT_EQ(defaults().stringArrayForKey("ExcludedFoldersTWK")->size(), stored.size());
    EXPECT_EQ(defaults().stringArrayForKey("ProtectedFoldersTWK")->size(), stored.size());
}

TEST_F(LaunchDefaultsTest, StoredWholeNumbersThatAreNoNumbersOrDoNotFitGetTheirDefaults)
{
    // A size that overflows, or a text that is no number, is absent, so the launch writes the
    // default rather than keeping 0 (which would let every small file through).
    for (const QJsonObject &stored : {QJsonObject{{"int", "99999999999999999999999"}},
                                      QJsonObject{{"uint", "18446744073709551616"}}, QJsonObject{{"int", "1 KB"}}}) {
        loadSettingsFile({{"MinimumFileSizeTWK", stored}});
        AppDelegate delegate;
        runSettingSteps(delegate);
        EXPECT_EQ(defaults().storedIntegerForKey("MinimumFileSizeTWK"), 1024)
            << qPrintable(stored.begin().value().toString());
    }
    loadSettingsFile({{"MinimumFileSizeTWK", QJsonObject{{"uint", " 4096"}}}});
    EXPECT_EQ(defaults().storedIntegerForKey("MinimumFileSizeTWK"), 4096);
}

TEST_F(LaunchDefaultsTest, EveryStoredKeyIsANamedKeyAndReadsBackThroughIt)
{
    // Two launches: the second schedules the update check and stores its mode.
    for (int launch = 0; launch < 2; ++launch) {
        AppDelegate delegate;
        runSettingSteps(delegate);
        delegate.scheduleUpdateCheck();
    }
    ASSERT_TRUE(defaults().synchronize());

    QFile file(defaults().filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject stored = QJsonDocument::fromJson(file.readAll()).object();
    ASSERT_GE(stored.size(), 20);
    QStringList named;
    for (const QLatin1StringView key : SettingsKey::all)
        named << QString(key);
    UserDefaults reread(defaults().filePath());
    for (const QString &key : stored.keys())
        EXPECT_TRUE(named.contains(key)) << qPrintable(key);
    for (const QLatin1StringView key : SettingsKey::all) {
        if (!defaults().contains(key))
            continue;
        EXPECT_TRUE(stored.contains(key)) << qPrintable(QString(key));
        EXPECT_EQ(reread.object(key), defaults().object(key)) << qPrintable(QString(key));
    }
}
