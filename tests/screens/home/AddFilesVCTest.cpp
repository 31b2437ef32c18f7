#include "screens/home/AddFilesVC.h"
#include "screens/shell/AllViewControllers.h"
#include "screens/shell/AppDelegate.h"
#include "screens/shell/HubScreens.h"
#include "controls/AddFilesTableCell.h"
#include "controls/DropView.h"
#include "controls/MyNSTableRowView.h"
#include "controls/PaddedTextField.h"
#include "controls/TableScrollView.h"
#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

using platform::NotificationCenter;
using platform::UserDefaults;

namespace {

class AddFilesVCTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // No scan list of the screen registry may answer the drops posted here.
        AllViewControllers::releaseAll();
        ASSERT_TRUE(dir.isValid());
        UserDefaults::standard().setFilePath(dir.filePath("defaults.json"));
        UserDefaults::standard().reset();
        UserDefaults::standard().setBool("IsPopUpTWK", false);
        UserDefaults::standard().setBool("IsResultVC", false);
        savedExtensions = scanExtensions;
        savedExcluded = excludedFolders;
        scanExtensions = QStringList{"jpg", "png"};
        excludedFolders.clear();
        for (const char *folder : {"A", "B", "C", "Excluded", "Lib.photoslibrary"})
            QDir(dir.path()).mkpath(folder);
        for (const char *file : {"one.jpg", "two.jpg"}) {
            QFile f(dir.filePath(file));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("x");
        }
        NotificationCenter::defaultCenter().addObserver(
            &owner, "IsFilesNotSelected",
            [this](const platform::Notification &n) { readiness.append(n.userInfo.value("isEmpty").toBool()); });
    }

    void TearDown() override
    {
        vc.reset();
        NotificationCenter::defaultCenter().removeObserver(&owner);
        scanExtensions = savedExtensions;
        excludedFolders = savedExcluded;
    }

    AddFilesVC &make()
    {
        vc = std::make_unique<AddFilesVC>();
        vc->alertDelaySeconds = 0.0;
        vc->alertPresenter = [this](const QString &message, const QString &info) {
            alerts.append(message + "/" + info);
        };
        vc->resize(700, 400);
        return *vc;
    }

    void drop(const QStringList &paths) { NotificationCenter::defaultCenter().post("DropViewTWK", {{"urls", paths}}); }

    // Lets the delayed alerts run.
    void settle()
    {
        platform::Dispatch::runMainLoopUntil([] { return false; }, 30);
    }

    QString p(const char *name) const { return dir.filePath(name); }

    AddFilesTableCell *cell(int row) const
    {
        auto *rowView =
            qobject_cast<MyNSTableRowView *>(vc->tableView->indexWidget(vc->tableView->model()->index(row, 0)));
        return rowView ? qobject_cast<AddFilesTableCell *>(rowView->cellWidget()) : nullptr;
    }
    MyNSTableRowView *rowView(int row) const
    {
        return qobject_cast<MyNSTableRowView *>(vc->tableView->indexWidget(vc->tableView->model()->index(row, 0)));
    }
    QStringList paths(const std::vector<InitialDirectory> &entries) const
    {
        QStringList out;
        for (const auto &e : entries)
            out.append(e.url ? e.url->toLocalFile() : QString());
        return out;
    }

    QTemporaryDir dir;
    QObject owner;
    std::unique_ptr<AddFilesVC> vc;
    QList<bool> readiness;
    QStringList alerts;
    QStringList savedExtensions;
    std::vector<InitialDirectory> savedExcluded;
};

} // namespace

TEST_F(AddFilesVCTest, FirstLaunchGivesAnEmptyListWithTheMenuHidden)
{
    AddFilesVC &list = make();
    EXPECT_TRUE(list.initialDirectories.empty());
    EXPECT_TRUE(list.scanList.empty());
    EXPECT_EQ(list.tableView->model()->rowCount(), 0);
    EXPECT_TRUE(list.isScanListMenuHidden());

    // The menu actions do nothing and post nothing on an empty list.
    list.selectAllItems();
    list.unSelectAllItems();
    list.clickedRow = 0;
    list.removeFromScanList();
    list.removeAllFromScanList();
    EXPECT_TRUE(readiness.isEmpty());
}

TEST_F(AddFilesVCTest, SavedListComesBackInOrderWithItsTicks)
{
    auto &defaults = UserDefaults::standard();
    defaults.setStringArray("SelectedURLs", {p("A"), p("gone"), p("Lib.photoslibrary")});
    defaults.setArray("SelectedURLsChecked", {true, false});
    AddFilesVC &list = make();
    EXPECT_EQ(paths(list.scanList), (QStringList{p("A"), p("gone"), p("Lib.photoslibrary")}));
    EXPECT_EQ(paths(list.initialDirectories), paths(list.scanList));
    ASSERT_NE(cell(0), nullptr);
    EXPECT_TRUE(cell(0)->checkButton->isChecked());
    EXPECT_FALSE(cell(1)->checkButton->isChecked());
    EXPECT_TRUE(cell(2)->checkButton->isChecked()); // the short tick list reads as ticked
    EXPECT_EQ(cell(1)->url->text(), p("gone"));     // a deleted folder is still shown
    EXPECT_FALSE(list.scanList[2].isPhotoLibrary);
    EXPECT_FALSE(list.isScanListMenuHidden());

    // Round trip through what the program writes when it ends (the scan list of the registry's
    // screen, saved by the application delegate).
    {
        AppDelegate delegate;
        delegate.quitApplication = [] {};
        HubScreens::setScanList(list.scanList);
        delegate.tappedExit();
        ASSERT_TRUE(delegate.hasTerminated());
        AllViewControllers::releaseAll();
    }
    EXPECT_EQ(defaults.arrayForKey("SelectedURLsChecked"), (QVariantList{true, false, true}));
    vc.reset();
    AddFilesVC &again = make();
    EXPECT_EQ(paths(again.scanList), (QStringList{p("A"), p("gone"), p("Lib.photoslibrary")}));
    EXPECT_FALSE(again.scanList[1].isChecked);
}

TEST_F(AddFilesVCTest, AHugeSavedListOpensWithRowWidgetsOnlyForTheRowsInView)
{
    // Ten thousand entries as a settings file holds them after a long season of scans.
    QDir(dir.path()).mkpath("many");
    QJsonArray storedPaths, storedTicks;
    const int count = AddFilesRules::maxRestoredEntries;
    for (int i = 0; i < count; ++i) {
        const QString path = dir.filePath(QString("many/p%1.jpg").arg(i));
        QFile(path).open(QIODevice::WriteOnly);
        storedPaths.append(QJsonObject{{"string", path}});
        storedTicks.append(QJsonObject{{"bool", i != count - 1}});
    }
    QFile file(dir.filePath("stored.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(QJsonObject{{"SelectedURLs", QJsonObject{{"array", storedPaths}}},
                                         {"SelectedURLsChecked", QJsonObject{{"array", storedTicks}}}})
                   .toJson());
    file.close();
    UserDefaults::standard().setFilePath(file.fileName());

    AddFilesVC &list = make();
    list.show();
    auto settle = [] {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    settle();
    ASSERT_EQ(list.tableView->model()->rowCount(), count);
    const auto rowWidgets = [&list] { return list.findChildren<AddFilesTableCell *>().size(); };
    EXPECT_LT(rowWidgets(), 200);
    EXPECT_EQ(cell(0)->url->text(), paths(list.scanList)[0]);

    // Scrolling to the end gives the last rows their widgets, with their own texts and ticks, and
    // takes them from the first rows; the last row's tick and remove button work as any other's.
    list.tableView->scrollToBottom();
    settle();
    EXPECT_EQ(cell(0), nullptr);
    ASSERT_NE(cell(count - 1), nullptr);
    EXPECT_EQ(cell(count - 1)->url->text(), dir.filePath(QString("many/p%1.jpg").arg(count - 1)));
    EXPECT_FALSE(cell(count - 1)->checkButton->isChecked());
    EXPECT_TRUE(cell(count - 2)->checkButton->isChecked());
    EXPECT_LT(rowWidgets(), 200);
    cell(count - 2)->checkButton->click();
    EXPECT_FALSE(list.scanList[size_t(count - 2)].isChecked);
    cell(count - 1)->btnDelete->click();
    settle();
    ASSERT_EQ(list.scanList.size(), size_t(count - 1));
    EXPECT_EQ(list.tableView->model()->rowCount(), count - 1);
    EXPECT_LT(rowWidgets(), 200);
}

TEST_F(AddFilesVCTest, PathsWithoutTicksGiveAnEmptyList)
{
    UserDefaults::standard().setArray("SelectedURLs", {p("A")});
    EXPECT_TRUE(make().scanList.empty());
}

TEST_F(AddFilesVCTest, DropAddsNewItemsCommitsAndAlertsLater)
{
    AddFilesVC &list = make();
    drop({p("A")});
    EXPECT_EQ(paths(list.scanList), QStringList{p("A")});
    EXPECT_EQ(readiness, QList<bool>{false}); // one folder is worth a scan
    drop({p("A"), p("B")});
    EXPECT_EQ(paths(list.scanList), (QStringList{p("A"), p("B")}));
    EXPECT_EQ(paths(list.initialDirectories), paths(list.scanList));
    EXPECT_TRUE(list.scanList[1].isChecked);
    EXPECT_TRUE(alerts.isEmpty()); // shown only after the list is committed
    settle();
    EXPECT_EQ(alerts, QStringList{"IDS_TWK_300/"});
    EXPECT_EQ(list.tableView->model()->rowCount(), 2);
}

TEST_F(AddFilesVCTest, DropOfAnExcludedFolderOrOneInsideIt)
{
    excludedFolders.push_back(InitialDirectory(QUrl::fromLocalFile(p("Excluded"))));
    QDir(dir.path()).mkpath("Excluded/In");
    AddFilesVC &list = make();
    drop({p("Excluded/In")});
    settle();
    drop({p("Excluded")});
    settle();
    EXPECT_TRUE(list.scanList.empty());
    EXPECT_EQ(alerts, (QStringList{"IDS_TWK_226/IDS_TWK_228_1", "IDS_TWK_226/IDS_TWK_228"}));
}

TEST_F(AddFilesVCTest, DropIsIgnoredUnderAnOverlayOrOnTheResults)
{
    AddFilesVC &list = make();
    drop({p("A")});
    QWidget *before = list.tableView->indexWidget(list.tableView->model()->index(0, 0));
    readiness.clear();
    UserDefaults::standard().setBool("IsPopUpTWK", true);
    drop({p("B")});
    UserDefaults::standard().setBool("IsPopUpTWK", false);
    UserDefaults::standard().setBool("IsResultVC", true);
    drop({p("C")});
    settle();
    EXPECT_EQ(paths(list.scanList), QStringList{p("A")});
    EXPECT_TRUE(readiness.isEmpty());
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_EQ(list.tableView->indexWidget(list.tableView->model()->index(0, 0)), before);
}

TEST_F(AddFilesVCTest, TicksDecideReadinessWithoutReloading)
{
    AddFilesVC &list = make();
    drop({p("one.jpg"), p("two.jpg")});
    readiness.clear();
    AddFilesTableCell *first = cell(0);
    first->checkButton->click(); // untick the first file
    EXPECT_FALSE(list.scanList[0].isChecked);
    EXPECT_EQ(cell(0), first); // no reload
    cell(0)->checkButton->click();
    EXPECT_EQ(readiness, (QList<bool>{true, false}));

    drop({p("A"), p("B")});
    list.unSelectAllItems();
    for (int r = 0; r < 4; ++r)
        EXPECT_FALSE(cell(r)->checkButton->isChecked());
    EXPECT_EQ(list.scanList.size(), 4u);
    EXPECT_TRUE(readiness.last());
    list.selectAllItems();
    EXPECT_FALSE(readiness.last());
}

TEST_F(AddFilesVCTest, RemovingRows)
{
    AddFilesVC &list = make();
    drop({p("A"), p("B"), p("C")});
    readiness.clear();
    list.clickedRow = -1; // right-click outside any row
    list.removeFromScanList();
    EXPECT_EQ(list.scanList.size(), 3u);
    list.clickedRow = 1;
    list.removeFromScanList();
    EXPECT_EQ(paths(list.scanList), (QStringList{p("A"), p("C")}));
    cell(1)->btnDelete->click();
    EXPECT_EQ(paths(list.scanList), QStringList{p("A")});
    EXPECT_FALSE(list.isScanListMenuHidden());
    cell(0)->btnDelete->click();
    EXPECT_TRUE(list.scanList.empty());
    EXPECT_TRUE(list.isScanListMenuHidden());
    EXPECT_EQ(readiness, (QList<bool>{false, false, true}));

    drop({p("A"), p("B")});
    list.removeAllFromScanList();
    EXPECT_TRUE(list.initialDirectories.empty());
    EXPECT_TRUE(readiness.last());
}

TEST_F(AddFilesVCTest, ReloadRestoresTheCommittedListAndColoursRows)
{
    AddFilesVC &list = make();
    drop({p("A"), p("B"), p("C")});
    list.initialDirectories.pop_back(); // as a scan start might leave it
    list.initialDirectories[0].isChecked = false;
    list.reloadTable();
    EXPECT_EQ(paths(list.initialDirectories), paths(list.scanList));
    EXPECT_TRUE(list.initialDirectories[0].isChecked);
    EXPECT_EQ(rowView(0)->backgroundColor(), QColor(39, 39, 39));
    EXPECT_EQ(rowView(1)->backgroundColor(), QColor(34, 34, 34));
    EXPECT_EQ(rowView(2)->backgroundColor(), QColor(39, 39, 39));

    UserDefaults::standard().setBool("IsPopUpTWK", true);
    list.reloadTable();
    EXPECT_FALSE(cell(0)->checkButton->isEnabled());
    EXPECT_FALSE(cell(0)->btnDelete->isEnabled());
}

TEST_F(AddFilesVCTest, PanelsAnswerThroughTheirCompletion)
{
    AddFilesVC &list = make();
    list.completeAddFolder(true, {QUrl::fromLocalFile("/")});
    settle();
    EXPECT_EQ(alerts, QStringList{"IDS_TWK_226/IDS_TWK_228"});
    EXPECT_TRUE(list.scanList.empty());
    EXPECT_FALSE(UserDefaults::standard().boolForKey("IsPopUpTWK"));
    EXPECT_TRUE(UserDefaults::standard().boolForKey("IsVisibleSettingTooltips"));

    alerts.clear();
    list.completeAddPhotos(true, {QUrl::fromLocalFile(p("one.jpg")), QUrl::fromLocalFile(p("one.jpg"))});
    list.completePhotosLibrary(true, {QUrl::fromLocalFile(p("Lib.photoslibrary"))});
    settle();
    EXPECT_EQ(paths(list.scanList), (QStringList{p("one.jpg"), p("Lib.photoslibrary")}));
    EXPECT_EQ(alerts, QStringList{"IDS_TWK_226/IDS_TWK_227"});

    // With a library listed the library button alerts at once and opens no panel.
    alerts.clear();
    list.tappedPhotosLibrary();
    EXPECT_EQ(alerts, QStringList{"IDS_TWK_224/IDS_TWK_225"});
    EXPECT_FALSE(UserDefaults::standard().boolForKey("IsPopUpTWK"));
    EXPECT_TRUE(QApplication::activeModalWidget() == nullptr);
}

TEST_F(AddFilesVCTest, CancellingAPanelLeavesTheListAlone)
{
    make();
    vc->show();
    vc->tappedAddFolder();
    EXPECT_TRUE(UserDefaults::standard().boolForKey("IsPopUpTWK"));
    EXPECT_FALSE(UserDefaults::standard().boolForKey("IsVisibleSettingTooltips"));
    QFileDialog *panel = vc->findChild<QFileDialog *>();
    ASSERT_NE(panel, nullptr);
    panel->reject();
    EXPECT_FALSE(UserDefaults::standard().boolForKey("IsPopUpTWK"));
    EXPECT_TRUE(UserDefaults::standard().boolForKey("IsVisibleSettingTooltips"));
    EXPECT_TRUE(vc->scanList.empty());
}

TEST_F(AddFilesVCTest, ListPaintsItsRowsInTheThemeGreys)
{
    const auto savedTable = localizationTable;
    if (const auto table = platform::PropertyList::loadFile(":/English.plist"))
        localizationTable = table->toMap();
    AddFilesVC &list = make();
    localizationTable = savedTable;
    EXPECT_FALSE(list.lblAddFolder->text().isEmpty());
    drop({p("A"), p("one.jpg"), p("Lib.photoslibrary")});
    list.resize(760, 330);
    list.show();
    QApplication::processEvents();
    const QImage shot = list.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    // Sample the row backgrounds just left of the right edge, clear of text and buttons.
    auto rowColour = [&](int row) {
        const QRect r = list.tableView->visualRect(list.tableView->model()->index(row, 0));
        const QPoint inList = list.tableView->viewport()->mapTo(&list, QPoint(r.right() - 40, r.top() + 3));
        return shot.pixelColor(inList * shot.devicePixelRatio());
    };
    EXPECT_EQ(rowColour(0), QColor(39, 39, 39));
    EXPECT_EQ(rowColour(1), QColor(34, 34, 34));
    EXPECT_EQ(rowColour(2), QColor(39, 39, 39));
    const QByteArray shots = qgetenv("TWINSIFT_SHOT_DIR");
    if (!shots.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(shots));
        shot.save(QString::fromLocal8Bit(shots) + "/scan-list.png");
    }
}

TEST_F(AddFilesVCTest, NamesAreShownAsPlainText)
{
    const auto savedTable = localizationTable;
    localizationTable = QVariantMap{{"IDS_TWK_252", "Select & Keep"}};
    AddFilesVC &list = make();
    localizationTable = savedTable;
    EXPECT_EQ(list.menuSelectAll->text(), QStringLiteral("Select && Keep"));

    QDir(dir.path()).mkpath("R&D <b>x</b>");
    drop({p("R&D <b>x</b>")});
    ASSERT_EQ(list.scanList.size(), 1u);
    EXPECT_EQ(cell(0)->url->text(), p("R&D <b>x</b>"));
    EXPECT_TRUE(cell(0)->url->toolTip().contains("R&amp;D &lt;b&gt;x&lt;/b&gt;"));
}

TEST_F(AddFilesVCTest, SystemFoldersAreRefusedWithTheirOwnAlerts)
{
    for (const QString &path : excludedSystemFolderList())
        excludedFolders.push_back(InitialDirectory(QUrl::fromLocalFile(path)));
    AddFilesVC &list = make();
    drop({"/usr"});
    settle();
    drop({"/var/tmp"});
    settle();
    list.completeAddFolder(true, {QUrl::fromLocalFile("/opt")});
    settle();
    EXPECT_TRUE(list.scanList.empty());
    EXPECT_EQ(alerts, (QStringList{"IDS_TWK_226/IDS_TWK_228", "IDS_TWK_226/IDS_TWK_228_1", "IDS_TWK_226/IDS_TWK_228"}));
    // A folder beside a system folder whose name starts the same is taken.
    QDir(dir.path()).mkpath("usr");
    drop({p("usr")});
    EXPECT_EQ(list.scanList.size(), 1u);
}

TEST_F(AddFilesVCTest, DroppingOnTheListAndRightClickingRows)
{
    AddFilesVC &list = make();
    list.show();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(p("A")), QUrl::fromLocalFile(p("B"))});
    // The drop goes to the widget that took the drag when it entered.
    QDragEnterEvent enterEvent(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.dropView, &enterEvent);
    EXPECT_TRUE(enterEvent.isAccepted());
    QDropEvent dropEvent(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.dropView, &dropEvent);
    EXPECT_TRUE(dropEvent.isAccepted());
    ASSERT_EQ(paths(list.scanList), (QStringList{p("A"), p("B")}));
    QApplication::processEvents();

    QWidget *viewport = list.tableView->viewport();
    const QRect second = list.tableView->visualRect(list.tableView->model()->index(1, 0));
    QContextMenuEvent onRow(QContextMenuEvent::Mouse, second.center(), viewport->mapToGlobal(second.center()));
    QApplication::sendEvent(viewport, &onRow);
    EXPECT_EQ(list.clickedRow, 1);
    EXPECT_TRUE(list.tableMenu->isVisible());
    list.tableMenu->hide();

    const QPoint below(second.center().x(), second.bottom() + 40);
    QContextMenuEvent offRows(QContextMenuEvent::Mouse, below, viewport->mapToGlobal(below));
    QApplication::sendEvent(viewport, &offRows);
    EXPECT_EQ(list.clickedRow, -1);
    list.tableMenu->hide();
    list.removeFromScanList();
    EXPECT_EQ(list.scanList.size(), 2u);
}

TEST_F(AddFilesVCTest, LibraryPanelChoosesALibraryAsOneItem)
{
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", dir.path().toUtf8());
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    QDir().mkpath(pictures + "/Family.photoslibrary/database");
    QDir().mkpath(pictures + "/Trips");

    make();
    vc->show();
    vc->tappedPhotosLibrary();
    auto *panel = vc->findChild<QFileDialog *>();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(QDir(panel->directory()).canonicalPath(), QDir(pictures).canonicalPath());

    // An ordinary folder cannot be chosen: the panel walks into it and stays open.
    panel->selectFile(pictures + "/Trips");
    QMetaObject::invokeMethod(panel, "accept");
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(QDir(panel->directory()).canonicalPath(), QDir(pictures + "/Trips").canonicalPath());

    panel->setDirectory(pictures);
    panel->selectFile(pictures + "/Family.photoslibrary");
    QMetaObject::invokeMethod(panel, "accept");
    settle();
    ASSERT_EQ(vc->scanList.size(), 1u);
    EXPECT_TRUE(paths(vc->scanList).first().endsWith("/Family.photoslibrary"));
    EXPECT_FALSE(UserDefaults::standard().boolForKey("IsPopUpTWK"));
    qputenv("HOME", savedHome);
}

TEST_F(AddFilesVCTest, FolderPanelTakesSeveralFoldersAtOnce)
{
    make();
    vc->show();
    vc->tappedAddFolder();
    auto *panel = vc->findChild<QFileDialog *>();
    ASSERT_NE(panel, nullptr);
    panel->setDirectory(dir.path());
    auto *view = panel->findChild<QListView *>("listView");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->selectionMode(), QAbstractItemView::ExtendedSelection);
    auto rowOf = [&](const QString &name) -> QModelIndex {
        const QModelIndex root = view->rootIndex();
        for (int r = 0; r < view->model()->rowCount(root); ++r) {
            const QModelIndex index = view->model()->index(r, 0, root);
            if (index.data().toString() == name)
                return index;
        }
        return {};
    };
    ASSERT_TRUE(
        platform::Dispatch::runMainLoopUntil([&] { return rowOf("A").isValid() && rowOf("C").isValid(); }, 3000));
    view->selectionModel()->select(rowOf("A"), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->select(rowOf("C"), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QMetaObject::invokeMethod(panel, "accept");
    settle();
    EXPECT_EQ(paths(vc->scanList), (QStringList{p("A"), p("C")}));
}

TEST_F(AddFilesVCTest, HandCursorIsNotLeftBehindByPopUpMode)
{
    AddFilesVC &list = make();
    QPushButton *button = list.btnAddFolder;
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &enter);
    EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
    // A sheet comes up while the pointer is on the button and the pointer leaves it.
    UserDefaults::standard().setBool("IsPopUpTWK", true);
    QApplication::sendEvent(button, &leave);
    EXPECT_FALSE(button->testAttribute(Qt::WA_SetCursor));
    // Hovering it under the sheet changes nothing.
    QApplication::sendEvent(button, &enter);
    EXPECT_FALSE(button->testAttribute(Qt::WA_SetCursor));
    UserDefaults::standard().setBool("IsPopUpTWK", false);
    QApplication::sendEvent(button, &enter);
    EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(AddFilesVCTest, ListedFolderWithoutAThemeIconIsNotShownWithThePlusSign)
{
    AddFilesVC &list = make();
    drop({p("A")});
    ASSERT_EQ(list.scanList.size(), 1u);
    ASSERT_TRUE(list.scanList[0].file.has_value());
    if (!list.scanList[0].file->icon.isNull())
        GTEST_SKIP() << "the desktop theme supplies folder icons here";
    const QImage row = cell(0)->imgView->pixmap().toImage();
    const QImage area = list.imgVIewAddFolder->pixmap().toImage();
    ASSERT_FALSE(row.isNull());
    ASSERT_EQ(row.size(), area.size());
    EXPECT_NE(row, area);
    // The centre of the plain folder is gold where the add area's plus sign is dark.
    const QPoint middle(row.width() / 2, row.height() * 6 / 10);
    EXPECT_EQ(row.pixelColor(middle), QColor(199, 157, 39));
    EXPECT_NE(area.pixelColor(middle), QColor(199, 157, 39));
}

// The add panels are titled with our own texts (not Qt's "Find Directory"); the photo panel names
// each extension once per spelling and uses the desktop's chooser where there is one, while the
// folder panel stays Qt's, which takes several folders at once.
TEST_F(AddFilesVCTest, PanelsHaveOurTitlesAndOnePatternPerSpelling)
{
    const auto savedTable = localizationTable;
    if (const auto table = platform::PropertyList::loadFile(":/English.plist"))
        localizationTable = table->toMap();
    make();
    vc->show();
    vc->tappedAddFolder();
    auto *folders = vc->findChild<QFileDialog *>();
    ASSERT_NE(folders, nullptr);
    EXPECT_EQ(folders->windowTitle(), localizedText("IDS_TWK_46"));
    EXPECT_FALSE(folders->windowTitle().isEmpty());
    EXPECT_TRUE(folders->testOption(QFileDialog::DontUseNativeDialog));
    // Nothing chosen yet in this run: the Pictures folder or home, not the working directory.
    EXPECT_NE(QDir(folders->directory()).canonicalPath(), QDir::current().canonicalPath());
    folders->reject();
    settle();

    const QStringList savedExtensions = scanExtensions;
    scanExtensions = {"jpg", "gif", "GIF", "png"}; // the full list spells GIF both ways
    vc->tappedAddPhotos();
    scanExtensions = savedExtensions;
    auto *photos = vc->findChild<QFileDialog *>();
    ASSERT_NE(photos, nullptr);
    EXPECT_EQ(photos->windowTitle(), localizedText("IDS_TWK_44"));
    EXPECT_FALSE(photos->testOption(QFileDialog::DontUseNativeDialog));
    const QString filter = photos->nameFilters().join(' ');
    EXPECT_EQ(filter.count("*.GIF "), 1) << filter.toStdString();
    EXPECT_EQ(filter.count("*.gif "), 1) << filter.toStdString();
    EXPECT_EQ(filter.count("*.jpg "), 1);
    EXPECT_EQ(filter.count("*.JPG "), 1);
    photos->reject();
    localizationTable = savedTable;

    const QStringList patterns = AddFilesVC::photoPatterns({"gif", "GIF", "Png"});
    EXPECT_EQ(patterns, (QStringList{"*.gif", "*.GIF", "*.png", "*.PNG"}));
}
