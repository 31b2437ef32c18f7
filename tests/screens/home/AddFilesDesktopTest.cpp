// The scan list on a real X display under a window manager, where the table lays out its row
// widgets again on a timer of its own: a stored list of 51, 300 and 3,000 entries opens, scrolls
// with the wheel to its end and back, takes an added and a removed entry, and comes back whole at
// the next launch. CTest runs these cases through tests/support/under-window-manager.sh (Xvfb and
// openbox); on any other platform they skip.
#include "screens/home/AddFilesVC.h"
#include "screens/shell/AppDelegate.h"
#include "controls/AddFilesTableCell.h"
#include "controls/MyNSTableRowView.h"
#include "controls/PaddedTextField.h"
#include "controls/TableScrollView.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "support/ShellFixtures.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <memory>

using platform::UserDefaults;

namespace {

class DesktopScanList : public ShellTest, public ::testing::WithParamInterface<int>
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display with a window manager (CTest runs it under Xvfb and openbox)";
        ShellTest::SetUp();
    }

    // A settings file as the program leaves it with `count` listed folders; the next launch reads it.
    QStringList storeList(int count)
    {
        QStringList paths;
        QJsonArray storedPaths, storedTicks;
        for (int i = 0; i < count; ++i) {
            paths << tempPath(QStringLiteral("listed/folder%1").arg(i, 4, 10, QLatin1Char('0')));
            QDir().mkpath(paths.last());
            storedPaths.append(QJsonObject{{"string", paths.last()}});
            storedTicks.append(QJsonObject{{"bool", i % 3 != 0}});
        }
        QFile file(settingsFile());
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QJsonDocument(QJsonObject{{"StartupTWK", QJsonObject{{"bool", true}}},
                                             {"SelectedURLs", QJsonObject{{"array", storedPaths}}},
                                             {"SelectedURLsChecked", QJsonObject{{"array", storedTicks}}}})
                       .toJson());
        return paths;
    }

    QString settingsFile() const { return tempPath(QStringLiteral("stored.json")); }

    // The program's launch: the settings file is read, the delegate prepares the first window, and
    // the splash gives way to the home window.
    std::unique_ptr<AppDelegate> launch()
    {
        UserDefaults::standard().setFilePath(settingsFile());
        auto delegate = std::make_unique<AppDelegate>();
        delegate->quitApplication = [] {};
        InitialWindowController *main = initialWindowController();
        main->setMenuBar(delegate->buildMenuBar(main));
        delegate->applicationWillFinishLaunching();
        delegate->dismissSplash();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(main));
        settle();
        return delegate;
    }

    // The program's end: the delegate saves the list, the settings reach their file, every window goes.
    void quit(std::unique_ptr<AppDelegate> delegate)
    {
        delegate->terminate();
        EXPECT_TRUE(delegate->hasTerminated());
        UserDefaults::standard().synchronize();
        delegate.reset();
        AllViewControllers::releaseAll();
        flushEvents();
    }

    static QStringList storedPaths(const QString &file)
    {
        QFile stored(file);
        if (!stored.open(QIODevice::ReadOnly))
            return {};
        QStringList paths;
        const QJsonObject settings = QJsonDocument::fromJson(stored.readAll()).object();
        for (const QJsonValue &value : settings.value("SelectedURLs").toObject().value("array").toArray())
            paths << value.toObject().value("string").toString();
        return paths;
    }

    static QStringList listed(const AddFilesVC *list) { return list->listedPaths(); }

    static MyNSTableRowView *rowWidget(const AddFilesVC *list, int row)
    {
        return qobject_cast<MyNSTableRowView *>(list->tableView->indexWidget(list->tableView->model()->index(row, 0)));
    }

    // The rows in view show their widgets where the rows lie.
    static bool rowsInViewLaidOut(const AddFilesVC *list)
    {
        const TableScrollView *table = list->tableView;
        const int top = table->rowAt(0);
        const int bottom = table->rowAt(table->viewport()->height() - 1);
        for (int row : {top, bottom}) {
            if (row < 0)
                continue;
            const MyNSTableRowView *widget = rowWidget(list, row);
            if (!widget || !widget->isVisible()
                || widget->geometry() != table->visualRect(table->model()->index(row, 0)))
                return false;
        }
        return true;
    }

    // Lets the event loop run until the table has laid out its rows again, its own timers and the
    // deferred deletions included.
    static void settle(const AddFilesVC *list = nullptr)
    {
        flushEvents();
        if (list) {
            EXPECT_TRUE(waitFor([list] { return rowsInViewLaidOut(list); }));
        }
        flushEvents();
    }

    // Turns the wheel over the list by `notches` (down when negative).
    static void wheel(AddFilesVC *list, int notches)
    {
        QWidget *viewport = list->tableView->viewport();
        const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
        QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
        settle(list);
    }

    // Wheels the list to its end and back to its top (a turn moves it by a page at most).
    static void scrollToEndAndBack(AddFilesVC *list)
    {
        QScrollBar *bar = list->tableView->verticalScrollBar();
        const int notches = 3;
        const int turns = list->tableView->model()->rowCount();
        for (int turn = 0; turn < turns && bar->value() < bar->maximum(); ++turn)
            wheel(list, -notches);
        EXPECT_EQ(bar->value(), bar->maximum());
        const int last = list->tableView->model()->rowCount() - 1;
        ASSERT_NE(rowWidget(list, last), nullptr);
        EXPECT_EQ(qobject_cast<AddFilesTableCell *>(rowWidget(list, last)->cellWidget())->url->text(),
                  listed(list).value(last));
        // Only the rows near the view keep widgets.
        EXPECT_LT(list->findChildren<AddFilesTableCell *>().size(), 200);
        for (int turn = 0; turn < turns && bar->value() > 0; ++turn)
            wheel(list, notches);
        EXPECT_EQ(bar->value(), 0);
        EXPECT_LT(list->findChildren<AddFilesTableCell *>().size(), 200);
    }
};

} // namespace

TEST_P(DesktopScanList, StoredListScrollsTakesEditsAndComesBackAtTheNextLaunch)
{
    QStringList expected = storeList(GetParam());
    auto delegate = launch();
    AddFilesVC *list = addFilesVC();
    ASSERT_EQ(listed(list), expected);
    scrollToEndAndBack(list);

    // A dropped folder joins the end of the list; the first row's remove button takes that row.
    const QString added = tempPath(QStringLiteral("added"));
    QDir().mkpath(added);
    platform::NotificationCenter::defaultCenter().post("DropViewTWK", {{"urls", QStringList{added}}});
    settle(list);
    ASSERT_NE(rowWidget(list, 0), nullptr);
    qobject_cast<AddFilesTableCell *>(rowWidget(list, 0)->cellWidget())->btnDelete->click();
    settle(list);
    expected.removeFirst();
    expected << added;
    EXPECT_EQ(listed(list), expected);
    quit(std::move(delegate));
    EXPECT_EQ(storedPaths(settingsFile()), expected);

    // The next launch shows the same list and scrolls as well.
    delegate = launch();
    list = addFilesVC();
    EXPECT_EQ(listed(list), expected);
    EXPECT_TRUE(list->scanList.back().isChecked);
    for (int notches : {-3, -3, -3, 3, 3, 3})
        wheel(list, notches);
    EXPECT_EQ(list->tableView->verticalScrollBar()->value(), 0);
    quit(std::move(delegate));
    EXPECT_EQ(storedPaths(settingsFile()), expected);
}

INSTANTIATE_TEST_SUITE_P(Lengths, DesktopScanList, ::testing::Values(51, 300, 3000));
