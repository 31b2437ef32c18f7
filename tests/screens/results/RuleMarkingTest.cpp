// Every command that marks "by the rules" (the group header's toggle and auto-mark, the cell menu's
// Auto Select and its three Select commands) marks what the toolbar's Auto Select marks, in the grid
// and in the list, with rules other than the default ones.
#include "support/ResultsScreenFixtures.h"

#include "engine/AutoMarkEngine.h"
#include "engine/AutoMarkRun.h"
#include "engine/AutoMarkValueCache.h"
#include "model/ModuleState.h"
#include "model/ResultCommands.h"
#include "screens/preferences/ProtectedFoldersPreferencesVC.h"
#include "screens/results/HeaderView.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ResultItem.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "screens/shell/AppDelegate.h"
#include "screens/wizard/SelectionWizardPreferencesVC.h"
#include "screens/wizard/WizardPage.h"
#include "support/FocusChecks.h"

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

using namespace scansheet_test;

namespace {

using Marks = std::vector<std::vector<int>>;

class RuleMarkingTest : public ResultsScreenTestBase, public ::testing::WithParamInterface<bool>
{
protected:
    void SetUp() override
    {
        ResultsScreenTestBase::SetUp();
        window->resize(1280, 720);
        savedOrder = selectionPriorityOrder;
        showAutoMarkAlert = false;
    }
    void TearDown() override
    {
        selectionPriorityOrder = savedOrder;
        showAutoMarkAlert = true;
        ResultsScreenTestBase::TearDown();
    }

    bool throughList() const { return GetParam(); }

    QString writeSized(const QString &relative, int width, int height)
    {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(QColor(40, 120, 200));
        EXPECT_TRUE(image.save(file, "JPEG", 90));
        return file;
    }

    static void setModified(const QString &file, const QDateTime &when)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    }

    // The results screen fed with `groups`, in the form under test.
    ResultViewController *show(const ImageGroups &groups)
    {
        feedResults(groups);
        if (throughList()) {
            results->tappedListView();
            ListViewVC *list = listViewVC();
            waitFor([&] { return list->collectionView->sectionLayout().sectionCount() == int(groups.size()); }, 2000);
            QApplication::processEvents();
            return list;
        }
        return thumbnailVC();
    }

    // What the toolbar's Auto Select marks; the marks are cleared again afterwards.
    Marks autoSelectMarks()
    {
        ResultState &state = ResultState::shared();
        results->tappedAutoSelect();
        const Marks marks = state.selectedIndexArray;
        state.unselectAllMarks();
        return marks;
    }

    // Each command from clear marks, on group g; the clicked cell is (g, clickedRow).
    std::map<QString, std::vector<int>> eachCommand(ResultViewController *form, int g, int clickedRow)
    {
        ResultState &state = ResultState::shared();
        std::map<QString, std::vector<int>> got;
        auto run = [&](const QString &name, const std::function<void()> &command) {
            state.unselectAllMarks();
            form->reloadData();
            command();
            got[name] = state.selectedIndexArray[size_t(g)];
        };
        run(QStringLiteral("header toggle"), [&] {
            form->collectionView->scrollToItem(g, 0);
            auto *header = qobject_cast<HeaderView *>(form->collectionView->headerForSection(g));
            ASSERT_NE(header, nullptr);
            header->btnSelectUnselectGroup->click();
        });
        run(QStringLiteral("group auto-mark"), [&] { form->autoMarkGroup(g); });
        run(QStringLiteral("Auto Select > All Files"), [&] { form->makeItem(g, clickedRow)->autoSelectAllFiles(); });
        run(QStringLiteral("Select > type"), [&] { form->makeItem(g, clickedRow)->selectAllFilesCurrentType(); });
        run(QStringLiteral("Select > folder"),
            [&] { form->makeItem(g, clickedRow)->selectAllFilesFoundInThisFolder(); });
        run(QStringLiteral("Select > folder tree"),
            [&] { form->makeItem(g, clickedRow)->selectAllFilesFoundInThisFolderTree(); });
        return got;
    }

    // Random groups of a result large enough for the worker, in five folders d0..d4: sizes,
    // modification dates, formats, dimensions, resolutions and capture dates drawn from few values
    // so that the rules tie.
    ImageGroups largeRandomGroups()
    {
        QRandomGenerator random(17);
        const QDateTime base(QDate(2024, 3, 1), QTime(9, 0));
        ImageGroups groups;
        for (int files = 0; files < AutoMarkRun::workerFileCount + 100;) {
            ImageGroup group;
            for (int k = 2 + int(random.bounded(3)); k > 0; --k, ++files) {
                const QString file = path(QStringLiteral("d%1/f%2.%3")
                                              .arg(random.bounded(5))
                                              .arg(files)
                                              .arg(random.bounded(2) ? QStringLiteral("jpg") : QStringLiteral("png")));
                QDir().mkpath(QFileInfo(file).absolutePath());
                {
                    QFile out(file);
                    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
                    out.write(QByteArray(int(random.bounded(3)), 'x'));
                }
                setModified(file, base.addSecs(random.bounded(3)));
                ImageFilePtr r = ImageFile::make(QUrl::fromLocalFile(file));
                const int side = 100 * (1 + int(random.bounded(2))), dpi = 72 * (1 + int(random.bounded(2)));
                r->properties = QVariantMap{{QStringLiteral("PixelWidth"), side},
                                            {QStringLiteral("PixelHeight"), side},
                                            {QStringLiteral("DPIWidth"), dpi},
                                            {QStringLiteral("DPIHeight"), dpi}};
                r->captureDate = base.addDays(random.bounded(2));
                group.push_back(r);
            }
            groups.push_back(group);
        }
        return groups;
    }

    // What a plain marking in place gives for the shown result as it stands.
    static Marks marksInPlace()
    {
        ResultState plain;
        plain.imageDirectories = ResultState::shared().imageDirectories;
        plain.normalize();
        AutoMarkEngine(AutoMarkRules::current(), AutoMarkAccessors::fromServices()).applyAutoMarkToAllGroups(plain);
        return plain.selectedIndexArray;
    }

    std::vector<SelectionPriority> savedOrder;
};

} // namespace

TEST_P(RuleMarkingTest, LargestDimensionsAloneKeepsTheLargeCopyInEveryCommand)
{
    // Group 0: the small copy first, the large one second; group 1 is a second pair of the same kind.
    ImageGroups groups;
    groups.push_back({record(writeSized(QStringLiteral("a/small.jpg"), 320, 240)),
                      record(writeSized(QStringLiteral("a/large.jpg"), 1280, 960))});
    groups.push_back({record(writeSized(QStringLiteral("b/small.jpg"), 320, 240)),
                      record(writeSized(QStringLiteral("b/large.jpg"), 1280, 960))});
    selectionPriorityOrder = {SelectionPriority(SelectionPriority::Kind::ImageDimension)};
    ResultViewController *form = show(groups);

    const Marks autoSelect = autoSelectMarks();
    ASSERT_EQ(autoSelect[0], std::vector<int>({0})); // the small copy goes, the large one stays
    for (const auto &[command, marks] : eachCommand(form, 0, 0))
        EXPECT_EQ(marks, autoSelect[0]) << command.toStdString() << (throughList() ? " (list)" : " (grid)");
}

TEST_P(RuleMarkingTest, KeepingTheOldestModificationDateMarksTheNewBackupInEveryCommand)
{
    // The backup made today comes first in the group, the 2023 original second.
    const QString original = writeSized(QStringLiteral("photos/original.jpg"), 640, 480);
    const QString backup = copyFile(original, QStringLiteral("backup/original.jpg"));
    setModified(original, QDateTime(QDate(2023, 6, 1), QTime(12, 0)));
    setModified(backup, QDateTime::currentDateTime());
    ImageGroups groups;
    groups.push_back({record(backup), record(original)});
    groups.push_back({record(writeSized(QStringLiteral("other/x.jpg"), 320, 240)),
                      record(writeSized(QStringLiteral("other/y.jpg"), 320, 240))});
    selectionPriorityOrder = {SelectionPriority(SelectionPriority::Kind::ModificationDate, 1)};
    ResultViewController *form = show(groups);

    const Marks autoSelect = autoSelectMarks();
    ASSERT_EQ(autoSelect[0], std::vector<int>({0}));
    // The cell clicked is the backup: "Select > All Files in This Folder" marks it and nothing else.
    for (const auto &[command, marks] : eachCommand(form, 0, 0))
        EXPECT_EQ(marks, autoSelect[0]) << command.toStdString() << (throughList() ? " (list)" : " (grid)");
    form->makeItem(0, 0)->selectAllFilesFoundInThisFolder();
    EXPECT_TRUE(ResultState::shared().selectedIndexArray[1].empty());

    // The wizard's rule order changes what every command keeps: keep the newest now.
    selectionPriorityOrder = {SelectionPriority(SelectionPriority::Kind::ModificationDate, 0)};
    const Marks newest = autoSelectMarks();
    ASSERT_EQ(newest[0], std::vector<int>({1}));
    for (const auto &[command, marks] : eachCommand(form, 0, 1))
        EXPECT_EQ(marks, newest[0]) << command.toStdString() << (throughList() ? " (list)" : " (grid)");
}

// A result large enough is marked on a worker: the screen stays locked until the marks come in, and
// they are those of a plain marking in place, for the toolbar's Auto Select and the cell menu's Auto
// Select and Select by folder. Random groups: sizes, modification dates, formats, dimensions,
// resolutions and capture dates drawn from few values so that the rules tie, one folder protected.
TEST_P(RuleMarkingTest, LargeResultIsMarkedOnAWorkerExactlyAsInPlace)
{
    const auto savedFolders = protectedFolders;
    const auto savedFlags = protectedSubFolderFlags;
    protectedFolders.clear();
    protectedFolders.emplace_back(QUrl::fromLocalFile(path(QStringLiteral("d0/"))));
    protectedSubFolderFlags = {true};
    const ImageGroups groups = largeRandomGroups();
    ResultViewController *form = show(groups);
    ResultState &state = ResultState::shared();

    ResultState plain;
    plain.imageDirectories = state.imageDirectories;
    plain.selectedIndexArray = marksInPlace();
    const QUrl clicked = *state.imageDirectories[3][1]->url;
    Marks inFolder;
    for (std::size_t g = 0; g < plain.imageDirectories.size(); ++g) {
        inFolder.emplace_back();
        for (int j : plain.selectedIndexArray[g])
            if (ResultCommands::fileMatches(*plain.imageDirectories[g][size_t(j)], ResultCommands::MatchKey::Folder,
                                            clicked))
                inFolder.back().push_back(j);
        std::sort(inFolder.back().begin(), inFolder.back().end());
    }

    auto onWorker = [&](const char *name, const Marks &expected, const std::function<void()> &command) {
        state.unselectAllMarks();
        command();
        EXPECT_FALSE(results->isEnabled()) << name; // locked while the worker marks
        EXPECT_FALSE(state.hasMarks()) << name;
        ASSERT_TRUE(waitFor([&] { return results->isEnabled(); }, 30000)) << name;
        EXPECT_TRUE(state.selectedIndexArray == expected) << name;
    };
    onWorker("toolbar Auto Select", plain.selectedIndexArray, [&] { results->tappedAutoSelect(); });
    onWorker("Auto Select > All Files", plain.selectedIndexArray, [&] { form->makeItem(3, 1)->autoSelectAllFiles(); });
    onWorker("Select > folder", inFolder, [&] { form->makeItem(3, 1)->selectAllFilesFoundInThisFolder(); });
    onWorker("wizard Mark", plain.selectedIndexArray, [&] {
        results->tappedSelectionWizard();
        qobject_cast<SelectionWizardPreferencesVC *>(selectionWizardPreferencesVC())->page(0)->tappedMark();
    });
    protectedFolders = savedFolders;
    protectedSubFolderFlags = savedFlags;
}

// While the worker marks, the protected folders pane refuses its edits and the application menu's
// actions are off: the marks that come in are those of the protection in force, taken as they are,
// with nothing marked again in place. A folder chosen in a chooser that closes meanwhile is added
// once the marks are in, and its files lose their marks then. The focus is back where the click
// left it.
TEST_P(RuleMarkingTest, WorkerMarkingRefusesProtectionEditsAndGivesTheFocusBack)
{
    show(largeRandomGroups());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ResultState &state = ResultState::shared();
    const Marks expected = marksInPlace();
    ProtectedFoldersPreferencesVC pane;
    AppDelegate delegate;
    const int inPlaceBefore = AutoMarkRun::largeMarkingsInPlace();
    ASSERT_FALSE(delegate.isQuitRefused());

    QTest::mouseClick(results->btnAutoSelect, Qt::LeftButton);
    ASSERT_TRUE(AutoMarkRun::isRunning());
    EXPECT_FALSE(pane.btnAdd->isEnabled());
    EXPECT_FALSE(pane.tableView->isEnabled());
    EXPECT_TRUE(delegate.isQuitRefused()); // the guard of every application action and menu item
    pane.addFolders(true, {QUrl::fromLocalFile(path(QStringLiteral("d1")))});
    EXPECT_TRUE(protectedFolders.empty());
    ASSERT_TRUE(waitFor([&] { return results->isEnabled() && protectedFolders.size() == 1; }, 30000));

    // The marks made for the protection in force, less those of the files the new folder protects.
    Marks kept = expected;
    int unmarked = 0;
    for (int g = 0; g < state.shownGroupCount(); ++g) {
        auto &marks = kept[size_t(g)];
        for (int i = 0; i < int(state.imageDirectories[size_t(g)].size()); ++i) {
            const bool inD1 = state.shownFile(g, i)->path().contains(QStringLiteral("/d1/"));
            EXPECT_EQ(state.shownFile(g, i)->isProtected, inD1) << g << "/" << i;
            if (inD1 && std::find(marks.begin(), marks.end(), i) != marks.end()) {
                marks.erase(std::find(marks.begin(), marks.end(), i));
                ++unmarked;
            }
        }
    }
    EXPECT_GT(unmarked, 0);
    EXPECT_TRUE(state.selectedIndexArray == kept);
    EXPECT_EQ(AutoMarkRun::largeMarkingsInPlace(), inPlaceBefore);
    EXPECT_EQ(pane.tableView->rowCount(), 1);
    EXPECT_TRUE(pane.btnAdd->isEnabled());
    EXPECT_FALSE(delegate.isQuitRefused());
    QWidget *focused = QApplication::focusWidget();
    EXPECT_TRUE(focused && results->isAncestorOf(focused)) << (focused ? focuschecks::nameOf(focused) : "none");
}

INSTANTIATE_TEST_SUITE_P(GridAndList, RuleMarkingTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) { return info.param ? "List" : "Grid"; });
