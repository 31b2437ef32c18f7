// The five panes load, edit and store their settings against a private settings store and
// temporary folders.
#include "model/NotificationNames.h"
#include "screens/preferences/PreferencesFixtures.h"

#include "screens/preferences/AlertSettingsPreferencesVC.h"
#include "screens/preferences/ExcludedPreferencesVC.h"
#include "screens/preferences/FileTypesTableModel.h"
#include "screens/preferences/GeneralPreferencesVC.h"
#include "screens/preferences/ProtectedFoldersPreferencesVC.h"
#include "screens/preferences/ProtectedFoldersSubFoldersTableCell.h"
#include "screens/preferences/ScanFileTypes.h"
#include "screens/preferences/ScanSettingPreferencesVC.h"
#include "platform/Dispatch.h"
#include "platform/LoginItems.h"
#include "platform/NotificationCenter.h"
#include "services/ProtectedFolders.h"
#include "model/TextLookup.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QApplication>
#include <QTimer>
#include <QMessageBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>

namespace {

platform::UserDefaults &store()
{
    return platform::UserDefaults::standard();
}

ImageFilePtr fileAt(const QString &path)
{
    auto file = std::make_shared<ImageFile>();
    file->url = QUrl::fromLocalFile(path);
    return file;
}

void selectRow(QTableWidget *table, int row)
{
    table->selectRow(row);
}

} // namespace

TEST_F(PreferencesTest, ScanSettingsStoreTheMinimumSizeIn64BitsWithItsUnit)
{
    ScanSettingPreferencesVC pane;
    store().setString("MinimumFileSizeTypeTWK", "KB");
    store().setUnsigned("MinimumFileSizeTWK", 5 * 1024);
    pane.viewWillAppear();
    EXPECT_EQ(pane.stepperFileSize->value(), 5);
    EXPECT_TRUE(pane.btnKB->isChecked());

    pane.stepperFileSize->setValue(6);
    EXPECT_EQ(store().object("MinimumFileSizeTWK")->toULongLong(), 6144u);
    pane.btnMB->click();
    EXPECT_EQ(store().stringForKey("MinimumFileSizeTypeTWK"), QString("MB"));
    EXPECT_EQ(store().object("MinimumFileSizeTWK")->toULongLong(), 6u * 1024 * 1024);
    EXPECT_EQ(pane.stepperFileSize->value(), 6);
    // 4096 MB does not fit 32 bits; the stored size is exact.
    pane.stepperFileSize->setValue(4096);
    EXPECT_EQ(store().object("MinimumFileSizeTWK")->toULongLong(), 4096ull * 1024 * 1024);
    // Back to KB keeps the number; a number beyond the unit's range is clamped on the switch.
    pane.btnKB->click();
    EXPECT_EQ(store().object("MinimumFileSizeTWK")->toULongLong(), 4096u * 1024);
    pane.stepperFileSize->setValue(ScanSettingPreferencesVC::kMaximumKB);
    pane.btnMB->click();
    EXPECT_EQ(pane.stepperFileSize->value(), ScanSettingPreferencesVC::kMaximumMB);
    // Never negative.
    pane.stepperFileSize->setValue(-5);
    EXPECT_EQ(store().object("MinimumFileSizeTWK")->toULongLong(), 0u);

    // Loading: rounded down; a stored size too large for the unit shows the largest count.
    store().setString("MinimumFileSizeTypeTWK", "KB");
    store().setUnsigned("MinimumFileSizeTWK", 1500);
    pane.viewWillAppear();
    EXPECT_EQ(pane.stepperFileSize->value(), 1);
    store().setUnsigned("MinimumFileSizeTWK", std::numeric_limits<quint64>::max());
    pane.viewWillAppear();
    EXPECT_EQ(pane.stepperFileSize->value(), ScanSettingPreferencesVC::kMaximumKB);
    // An unknown unit leaves the controls alone; the video switch is on only for the integer 1.
    store().setString("MinimumFileSizeTypeTWK", "kb");
    store().setUnsigned("MinimumFileSizeTWK", 9 * 1024);
    store().setInteger("ScanVideoFilesInExactMatchTWK", 2);
    pane.btnscanvideofilesinexactmatch->setChecked(true);
    pane.viewWillAppear();
    EXPECT_EQ(pane.stepperFileSize->value(), ScanSettingPreferencesVC::kMaximumKB);
    EXPECT_FALSE(pane.btnscanvideofilesinexactmatch->isChecked());
    pane.btnscanvideofilesinexactmatch->click();
    EXPECT_EQ(store().integerForKey("ScanVideoFilesInExactMatchTWK"), 1);
}

TEST_F(PreferencesTest, FileTypeRowsFollowTheScannedList)
{
    // The rows, in order, switch every scannable extension once.
    QStringList all;
    for (int row = 0; row < ScanFileTypes::kRowCount; ++row)
        all += ScanFileTypes::rowExtensions(row);
    EXPECT_EQ(QSet<QString>(all.begin(), all.end()), QSet<QString>(allExtensions.begin(), allExtensions.end()));
    EXPECT_EQ(all.size(), allExtensions.size());

    ScanSettingPreferencesVC pane;
    FileTypesTableModel *model = pane.fileTypesModel;
    ASSERT_EQ(model->rowCount(), 38);
    EXPECT_EQ(model->index(34, 1).data().toString(), QString("MPEG-1"));
    const auto state = [model](int row) { return model->index(row, 0).data(Qt::CheckStateRole).toInt(); };
    EXPECT_EQ(state(14), Qt::Checked);

    // A duplicate in the list is removed with the rest; the row reads off.
    scanExtensions.append("pct");
    pane.tappedCheckBox(14, false);
    for (const char *ext : {"pict", "pct", "pic"})
        EXPECT_FALSE(scanExtensions.contains(ext)) << ext;
    EXPECT_EQ(state(14), Qt::Unchecked);
    // Unticking again ignores the absent ones; ticking adds only what is missing.
    pane.tappedCheckBox(14, false);
    scanExtensions.append("pic");
    EXPECT_EQ(state(14), Qt::Unchecked); // only some of the row's extensions
    pane.tappedCheckBox(14, true);
    EXPECT_EQ(scanExtensions.count("pic"), 1);
    EXPECT_EQ(scanExtensions.count("pict"), 1);
    EXPECT_EQ(state(14), Qt::Checked);
    EXPECT_EQ(scanExtensions.size(), allExtensions.size());
    // The state is read from the list whenever it is drawn.
    scanExtensions.removeAll("png");
    EXPECT_EQ(state(2), Qt::Unchecked);
    pane.tappedCheckBox(38, false); // no such row
    EXPECT_EQ(scanExtensions.size(), allExtensions.size() - 1);
}

TEST_F(PreferencesTest, GeneralPaneKeepsLoginAndUpdateSettings)
{
    GeneralPreferencesVC pane;
    ASSERT_EQ(pane.comboBoxLanguage->count(), 1);
    EXPECT_EQ(pane.comboBoxLanguage->currentText(), QString("English"));

    // With the real autostart entry in a private configuration folder.
    store().setBool("LoginStartStatusTWK", true);
    pane.viewWillAppear();
    EXPECT_TRUE(pane.btnLaunchAutomatic->isChecked());
    EXPECT_TRUE(platform::LoginItems::contains());
    pane.btnLaunchAutomatic->click();
    EXPECT_FALSE(store().boolForKey("LoginStartStatusTWK"));
    EXPECT_FALSE(platform::LoginItems::contains());

    // The entry cannot be written: the box and the setting show the real state and the user is told.
    pane.presentFailure = recordAlert();
    pane.applyLoginItem = [](bool) { return false; };
    pane.btnLaunchAutomatic->click();
    EXPECT_FALSE(pane.btnLaunchAutomatic->isChecked());
    EXPECT_FALSE(store().boolForKey("LoginStartStatusTWK"));
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].startsWith(localizedText("IDS_TWK_8002")));

    // Update switch: 0 and 1 are shown and stored; another value leaves the box as it is.
    store().setInteger("AutoCheckForUpdateTWK", 0);
    pane.viewWillAppear();
    EXPECT_FALSE(pane.btnAutoUpdate->isChecked());
    store().setInteger("AutoCheckForUpdateTWK", 2);
    pane.viewWillAppear();
    EXPECT_FALSE(pane.btnAutoUpdate->isChecked());
    pane.btnAutoUpdate->click();
    EXPECT_EQ(store().integerForKey("AutoCheckForUpdateTWK"), 1);
}

// The autostart entry cannot be written (its folder is taken by a file): showing the pane with
// start at login stored on tells the user, with the program's own alert, and only that once.
TEST_F(PreferencesTest, StartAtLoginThatCannotBeWrittenIsToldWhenThePaneShows)
{
    const QString autostart = QFileInfo(platform::LoginItems::autostartFilePath()).absolutePath();
    QDir(autostart).removeRecursively();
    QDir().mkpath(QFileInfo(autostart).absolutePath());
    {
        QFile blocker(autostart);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    store().setBool("LoginStartStatusTWK", true);

    QStringList shown;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&shown] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (box && box->isVisible()) {
                shown << box->text();
                box->buttons().first()->click();
            }
        }
    });
    answer.start(10);

    GeneralPreferencesVC pane;
    pane.viewWillAppear();
    ASSERT_TRUE(platform::Dispatch::runMainLoopUntil([&shown] { return !shown.isEmpty(); }, 15000));
    EXPECT_EQ(shown, QStringList{localizedText("IDS_TWK_8002")});
    EXPECT_FALSE(pane.btnLaunchAutomatic->isChecked());
    EXPECT_FALSE(store().boolForKey("LoginStartStatusTWK"));

    // Shown again, the stored state is the real one: nothing more to tell.
    pane.viewWillAppear();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    EXPECT_EQ(shown.size(), 1);
    QFile::remove(autostart);
}

TEST_F(PreferencesTest, AlertPaneShowsAndStoresTheThreeSwitches)
{
    AlertSettingsPreferencesVC pane;
    store().setBool("confirmBeforeDeletingPhotos", true);
    store().setBool("showAutoMarkAlert", true);
    store().setBool("backToHomeAlert", false); // a sheet's do-not-show-again box was ticked
    pane.viewDidAppear();
    EXPECT_TRUE(pane.btnConfirmBeforeDeletePhotos->isChecked());
    EXPECT_FALSE(pane.btnConfirmWhenMovingAway->isChecked());
    pane.btnConfirmBeforeDeletePhotos->click();
    EXPECT_FALSE(confirmBeforeDeletingPhotos);
    EXPECT_FALSE(store().boolForKey("confirmBeforeDeletingPhotos"));
    EXPECT_TRUE(store().boolForKey("showAutoMarkAlert"));
    EXPECT_FALSE(store().boolForKey("backToHomeAlert"));
}

TEST_F(PreferencesTest, ProtectedFoldersPaneEditsTheListAndTheShownResults)
{
    const QString keep = folder("Keep"), other = folder("Other"), gone = tempPath("Unmounted/Disk");
    // A stored list with a damaged element and a folder that is not mounted now.
    store().setArray("ProtectedFoldersTWK", QVariantList{keep, 7, gone});
    store().setData("ProtectedSubFoldersTWK", "[false, true]");
    ProtectedFoldersPreferencesVC pane;
    pane.presentAlert = recordAlert();
    pane.viewWillAppear();
    ASSERT_EQ(pane.tableView->rowCount(), 2);
    EXPECT_EQ(pane.tableView->item(1, 0)->text(), gone);
    auto *cell = qobject_cast<ProtectedFoldersSubFoldersTableCell *>(pane.tableView->cellWidget(1, 1));
    ASSERT_TRUE(cell);
    EXPECT_TRUE(cell->btnCheckBox->isChecked()); // a flag missing from the list reads as true

    // Results: a file in Other protected by hand, files in Keep and in Other/Sub marked.
    ResultState &results = ResultState::shared();
    results.setResults({{fileAt(other + "/a.jpg"), fileAt(other + "/Sub/b.jpg"), fileAt(keep + "/c.jpg")}});
    results.selectedIndexArray[0] = {1, 2};
    results.setProtectionByHand(0, 0, true);

    // Choosing three folders of which one is listed adds two and tells once, after half a second.
    const QString more = folder("More");
    pane.addFolders(true, {QUrl::fromLocalFile(other), QUrl::fromLocalFile(keep + "/"), QUrl::fromLocalFile(more)});
    ASSERT_EQ(protectedFolders.size(), 4u);
    EXPECT_EQ(protectedSubFolderFlags, std::vector<bool>({false, true, true, true}));
    EXPECT_EQ(store().stringArrayForKey("ProtectedFoldersTWK")->size(), 4);
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_TRUE(waitFor([this] { return !alerts.isEmpty(); }));
    EXPECT_EQ(alerts.size(), 1);
    EXPECT_TRUE(results.imageDirectories[0][1]->isProtected); // Other/Sub
    EXPECT_TRUE(results.imageDirectories[0][2]->isProtected); // Keep
    EXPECT_TRUE(results.selectedIndexArray[0].empty());

    // Remove uses the selection at the click; nothing selected does nothing.
    pane.tappedRemove();
    EXPECT_EQ(protectedFolders.size(), 4u);
    selectRow(pane.tableView, 2); // Other
    EXPECT_TRUE(pane.btnRemove->isEnabled());
    pane.btnRemove->click();
    ASSERT_EQ(protectedFolders.size(), 3u);
    EXPECT_FALSE(pane.btnRemove->isEnabled());
    EXPECT_EQ(protectedSubFolderFlags.size(), 3u);
    // The files of Other lose the folder's protection, but the one protected by hand keeps it.
    EXPECT_TRUE(results.imageDirectories[0][0]->isProtected);
    EXPECT_EQ(results.recordedProtection(0, 0), true);
    EXPECT_FALSE(results.imageDirectories[0][1]->isProtected);
    EXPECT_TRUE(results.selectedIndexArray[0].empty()); // nothing marked again

    // A stale index: the selected row goes when the list shrinks (a shorter stored list is
    // loaded), and another folder takes its place from the results screen. Nobody selected that
    // folder, so Remove leaves it; the row index remembered from the old selection is not used.
    selectRow(pane.tableView, 2); // More
    const QStringList shorter{keep, gone};
    store().setStringArray("ProtectedFoldersTWK", shorter);
    pane.viewWillAppear();
    ASSERT_EQ(pane.tableView->rowCount(), 2);
    EXPECT_FALSE(pane.btnRemove->isEnabled());
    const QString newcomer = folder("Newcomer");
    addProtectedFolder(newcomer);
    saveProtectedFolders();
    platform::NotificationCenter::defaultCenter().post(NotificationName::reloadTableView);
    ASSERT_EQ(pane.tableView->rowCount(), 3);
    pane.tappedRemove();
    ASSERT_EQ(protectedFolders.size(), 3u);
    EXPECT_EQ(store().stringArrayForKey("ProtectedFoldersTWK")->last(), newcomer);

    // Ticking and unticking Keep's box stores at once; files directly in Keep stay protected.
    auto *keepCell = qobject_cast<ProtectedFoldersSubFoldersTableCell *>(pane.tableView->cellWidget(0, 1));
    keepCell->btnCheckBox->click();
    EXPECT_EQ(store().dataForKey("ProtectedSubFoldersTWK"), QByteArray("[true,true,true]"));
    keepCell->btnCheckBox->click();
    EXPECT_EQ(store().dataForKey("ProtectedSubFoldersTWK"), QByteArray("[false,true,true]"));
    EXPECT_TRUE(results.imageDirectories[0][2]->isProtected);

    // A folder protected from the results screen shows after the notification.
    addProtectedFolder(other);
    platform::NotificationCenter::defaultCenter().post(NotificationName::reloadTableView);
    EXPECT_EQ(pane.tableView->rowCount(), 4);
}

// Add opens the home screen's Add Folder panel: its title, the desktop's chooser, and never the
// program's working directory (the Pictures or home folder until a folder was chosen).
TEST_F(PreferencesTest, ProtectedFoldersAddOpensTheAddFolderPanel)
{
    ProtectedFoldersPreferencesVC pane;
    pane.show();
    pane.btnAdd->click();
    auto *panel = pane.window()->findChild<QFileDialog *>();
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(localizedText("IDS_TWK_46").isEmpty());
    EXPECT_EQ(panel->windowTitle(), localizedText("IDS_TWK_46"));
    EXPECT_FALSE(panel->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_NE(QDir(panel->directory()).canonicalPath(), QDir::current().canonicalPath());
    panel->reject();
}

TEST_F(PreferencesTest, ExcludedFoldersPaneRefusesWhatItMustAndKeepsTheRest)
{
    const QString pictures = folder("me/Pictures"), old = folder("me/Pictures/Old"), music = folder("me/Music");
    setScanList({InitialDirectory(QUrl::fromLocalFile(pictures))});
    store().setArray("ExcludedFoldersTWK", QVariantList{music, 3, "/opt"});
    ExcludedPreferencesVC pane;
    pane.presentAlert = recordAlert();
    pane.viewWillAppear();
    ASSERT_EQ(pane.tableView->rowCount(), 2); // the number is dropped, the folders stay

    const auto addAndWait = [&](const QList<QUrl> &urls) {
        alerts.clear();
        pane.addFolders(true, urls);
        waitFor([this] { return !alerts.isEmpty(); }, 800);
        return alerts.isEmpty() ? QString() : alerts[0].section('|', 1);
    };
    // A parent of a scan-list folder is refused; a sub-folder is added.
    EXPECT_EQ(addAndWait({QUrl::fromLocalFile(tempPath("me")), QUrl::fromLocalFile(old)}),
              localizedText("IDS_TWK_238_1"));
    EXPECT_EQ(excludedFolders.size(), 3u);
    // Already excluded (named with a trailing slash) wins over the scan-list refusal.
    EXPECT_EQ(addAndWait({QUrl::fromLocalFile(pictures), QUrl::fromLocalFile(music + "/")}),
              localizedText("IDS_TWK_237"));
    EXPECT_EQ(addAndWait({QUrl::fromLocalFile(pictures)}), localizedText("IDS_TWK_238"));
    EXPECT_EQ(addAndWait({QUrl::fromLocalFile("/")}), localizedText("IDS_TWK_8001"));
    EXPECT_EQ(excludedFolders.size(), 3u);
    EXPECT_EQ(store().stringArrayForKey("ExcludedFoldersTWK"), QStringList({music, "/opt", old}));

    // Cancelling changes nothing; Remove works on the selected row only.
    pane.addFolders(false, {QUrl::fromLocalFile(tempPath("x"))});
    pane.tappedRemove();
    EXPECT_EQ(excludedFolders.size(), 3u);
    pane.tableView->selectRow(1);
    pane.btnRemove->click();
    EXPECT_EQ(store().stringArrayForKey("ExcludedFoldersTWK"), QStringList({music, old}));
    EXPECT_FALSE(pane.btnRemove->isEnabled());

    // A link to the root folder is the root folder: refused as it is, so that it never makes
    // every later source an excluded one.
    setScanList({});
    const QString rootLink = tempPath("rootlink");
    ASSERT_TRUE(QFile::link("/", rootLink));
    EXPECT_EQ(addAndWait({QUrl::fromLocalFile(rootLink)}), localizedText("IDS_TWK_8001"));
    EXPECT_EQ(store().stringArrayForKey("ExcludedFoldersTWK"), QStringList({music, old}));

    // The caption says what the list does, and what it does not: sub-folders of a scanned folder
    // are scanned all the same.
    const QString caption = pane.lblAddFoldersToBeExcluded->text();
    EXPECT_TRUE(caption.contains("cannot be added to the scan list")) << qPrintable(caption);
    EXPECT_TRUE(caption.contains("sub-folders of a scanned folder are scanned")) << qPrintable(caption);
    EXPECT_FALSE(caption.contains("never")) << qPrintable(caption);
}
