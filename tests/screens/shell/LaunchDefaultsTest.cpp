// The settings the application writes and loads at launch, its update schedule, and the notice
// that the settings cannot be saved.
#include "screens/shell/AppDelegate.h"
#include "screens/shell/ScreenNames.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/shell/ViewController.h"
#include "platform/widgets/WindowController.h"

#include <QAction>
#include "model/AutoMark.h"
#include "model/ModuleState.h"
#include "model/SettingsKeys.h"
#include "model/TextLookup.h"
#include "platform/UserDefaults.h"
#include "support/ScreenChecks.h"
#include "support/ShellFixtures.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>

#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Makes `folder` read-only for this process as a user's read-only settings folder is: by its mode,
// or for the super-user, whom modes do not bind, by a read-only bind mount. Returns what undoes it;
// nothing when it cannot be done here.
std::function<void()> makeReadOnly(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (::geteuid() != 0) {
        if (::chmod(path.constData(), 0500) != 0)
            return {};
        return [path] { ::chmod(path.constData(), 0700); };
    }
    if (::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0)
        return {};
    if (::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        ::umount2(path.constData(), MNT_DETACH);
        return {};
    }
    return [path] { ::umount2(path.constData(), MNT_DETACH); };
}

// The shown alerts that say the settings cannot be saved.
QList<QMessageBox *> notSavedAlerts()
{
    QList<QMessageBox *> shown;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(top);
            box && box->isVisible() && box->objectName() == QLatin1String("settingsNotSavedAlert"))
            shown << box;
    return shown;
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

// A settings folder that cannot be written, from the launch on or from a moment in the run: the
// stored settings are read as ever, and the window tells once, over the home window and never over
// the splash, that the changes of this run cannot be kept, naming the folder. Once the folder can
// be written again, the quit writes what was kept in memory.
TEST_F(LaunchDefaultsTest, ASettingsFolderThatCannotBeWrittenIsToldOnceOverTheHomeWindow)
{
    const QString folder = tempPath("read-only settings");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/defaults.json";
    for (const bool fromLaunch : {true, false}) {
        SCOPED_TRACE(fromLaunch ? "read-only from the launch" : "made read-only in the run");
        defaults().synchronize();
        QFile stored(path);
        ASSERT_TRUE(stored.open(QIODevice::WriteOnly | QIODevice::Truncate));
        stored.write(QJsonDocument(QJsonObject{{"MinimumFileSizeTWK", QJsonObject{{"uint", "2048"}}},
                                               {"StartupTWK", QJsonObject{{"bool", true}}}})
                         .toJson());
        stored.close();
        std::function<void()> undo;
        const auto undoAtEnd = qScopeGuard([&] {
            if (undo)
                undo();
        });
        if (fromLaunch && !(undo = makeReadOnly(folder)))
            GTEST_SKIP() << "the settings folder cannot be made read-only here";
        defaults().setFilePath(path);

        AppDelegate delegate;
        runSettingSteps(delegate);
        EXPECT_EQ(defaults().storedIntegerForKey("MinimumFileSizeTWK"), 2048);
        delegate.showFirstWindow();
        flushEvents(); // the launch's write was tried
        EXPECT_TRUE(splashWindowController()->isVisible());
        EXPECT_TRUE(notSavedAlerts().isEmpty()) << "shown over the splash";
        delegate.dismissSplash();
        if (!fromLaunch) {
            flushEvents();
            EXPECT_TRUE(notSavedAlerts().isEmpty()) << "told while the folder could be written";
            ASSERT_TRUE(undo = makeReadOnly(folder));
            delegate.saveScanList();
        }
        ASSERT_TRUE(waitFor([] { return notSavedAlerts().size() == 1; }));
        QMessageBox *box = notSavedAlerts().first();
        EXPECT_EQ(box->text(), localizedText("IDS_TWK_8504"));
        // Why: the folder is on a read-only mount (for the super-user) or closed by its mode.
        const QString why = QString::fromLocal8Bit(std::strerror(::geteuid() == 0 ? EROFS : EACCES));
        EXPECT_TRUE(box->informativeText().contains(folder + " (" + why + ")")) << box->informativeText().toStdString();
        EXPECT_TRUE(box->informativeText().startsWith(localizedText("IDS_TWK_8505").section("%@", 0, 0) + folder));
        EXPECT_EQ(box->parentWidget(), initialWindowController());
        screenchecks::pictureFor(box, QStringLiteral("settings-not-saved"));
        box->defaultButton()->click();
        flushEvents();

        // Later writes fail as well and say nothing more; what they hold is written at the quit once
        // the folder can be written again.
        defaults().setStringArray("selectedURLs", {"/tmp/kept"});
        flushEvents();
        EXPECT_TRUE(notSavedAlerts().isEmpty());
        undo();
        undo = nullptr;
        EXPECT_TRUE(defaults().synchronize());
        EXPECT_EQ(UserDefaults(path).stringArrayForKey("selectedURLs"), QStringList{"/tmp/kept"});
        AllViewControllers::releaseAll();
        flushEvents();
    }
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
