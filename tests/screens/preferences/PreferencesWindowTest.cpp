// The Preferences window: its tabs, the tab it opens on, and every pane fitting the window at the
// smallest and the usual size. With TWINSIFT_SHOT_DIR set the panes are written there as pictures.
#include "screens/preferences/PreferencesFixtures.h"
#include "support/FocusChecks.h"

#include "screens/preferences/AlertSettingsPreferencesVC.h"
#include "screens/preferences/ExcludedPreferencesVC.h"
#include "screens/preferences/GeneralPreferencesVC.h"
#include "screens/preferences/PreferencesWindow.h"
#include "screens/preferences/ProtectedFoldersPreferencesVC.h"
#include "screens/preferences/ScanSettingPreferencesVC.h"
#include "screens/shell/AppDelegate.h"
#include "screens/shell/Theme.h"
#include "platform/widgets/WindowController.h"
#include "model/TextLookup.h"
#include "services/ProtectedFolders.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QLabel>
#include <QPixmap>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTableView>
#include <QtTest/QTest>

namespace {

// The names of visible widgets of `pane` that reach outside it or are squeezed below their own
// minimum size hint (cut-off text or controls).
QStringList cutOffWidgets(QWidget *pane)
{
    QStringList cut;
    const QRect bounds = pane->rect();
    for (QWidget *child : pane->findChildren<QWidget *>()) {
        if (!child->isVisible() || child->isWindow())
            continue;
        // The insides of tables and scroll areas scroll; only the areas themselves must fit.
        bool insideScrollArea = false;
        for (QWidget *up = child->parentWidget(); up && up != pane; up = up->parentWidget())
            if (qobject_cast<QAbstractScrollArea *>(up) || qobject_cast<QAbstractSpinBox *>(up))
                insideScrollArea = true;
        if (insideScrollArea)
            continue;
        const QRect area(child->mapTo(pane, QPoint(0, 0)), child->size());
        const QString name = QString::fromLatin1(child->metaObject()->className()) + " '"
            + (qobject_cast<QLabel *>(child) ? qobject_cast<QLabel *>(child)->text().left(30) : QString()) + "'";
        if (!bounds.contains(area))
            cut << name + " outside";
        const QSize least = child->minimumSizeHint();
        if (auto *label = qobject_cast<QLabel *>(child); label && label->wordWrap()) {
            if (label->heightForWidth(child->width()) > child->height())
                cut << name + " text taller than its room";
            continue;
        }
        if (least.isValid() && !qobject_cast<QAbstractScrollArea *>(child)
            && (child->width() < least.width() || child->height() < least.height()))
            cut << name + " squeezed";
    }
    return cut;
}

} // namespace

TEST_F(PreferencesTest, WindowOpensOnTheGeneralTabWithItsLabels)
{
    auto *window = preferencesWindowController();
    EXPECT_TRUE(qobject_cast<PreferencesWindow *>(window));
    auto *tabs = qobject_cast<PreferencesTabViewController *>(preferencesTabViewController());
    ASSERT_TRUE(tabs);
    const QStringList labels{"IDS_TWK_108", "IDS_TWK_109", "IDS_TWK_110", "IDS_TWK_126", "IDS_TWK_111"};
    ASSERT_EQ(tabs->tabView->count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(tabs->tabView->tabText(i), localizedText(labels[i]));

    selectedPreferencesTab = 0;
    window->showWindow(tabs);
    tabs->tabView->setCurrentIndex(4);
    EXPECT_EQ(window->windowTitle(), localizedText("IDS_TWK_111"));
    // Opened again while on screen it keeps the tab; closed and opened it shows the general pane.
    window->showWindow(tabs);
    EXPECT_EQ(tabs->tabView->currentIndex(), 4);
    window->closeWindow();
    selectedPreferencesTab = 0;
    window->showWindow(tabs);
    EXPECT_EQ(tabs->tabView->currentIndex(), 0);
    EXPECT_EQ(window->windowTitle(), localizedText("IDS_TWK_108"));
    EXPECT_FALSE(window->windowTitle().isEmpty());
    // The window fits a 1280 x 720 screen.
    EXPECT_LE(window->minimumWidth(), 1280);
    EXPECT_LE(window->minimumHeight(), 680);
    window->closeWindow();
}

TEST_F(PreferencesTest, EveryPaneFitsAtTheSmallestAndTheUsualSize)
{
    // Enough rows for the folder tables to scroll.
    for (int i = 0; i < 12; ++i)
        protectedFolders.emplace_back(QUrl::fromLocalFile(folder(QString("Photos/Album %1").arg(i))));
    protectedSubFolderFlags.assign(protectedFolders.size(), true);
    protectedSubFolderFlags[1] = false;
    saveProtectedFolders();
    platform::UserDefaults::standard().setStringArray("ExcludedFoldersTWK", excludedSystemFolderList());
    platform::UserDefaults::standard().setString("MinimumFileSizeTypeTWK", "KB");
    platform::UserDefaults::standard().setUnsigned("MinimumFileSizeTWK", 1024);
    scanExtensions.removeAll("gif");

    auto *window = preferencesWindowController();
    auto *tabs = qobject_cast<PreferencesTabViewController *>(preferencesTabViewController());
    ASSERT_TRUE(tabs);
    selectedPreferencesTab = 0;
    window->showWindow(tabs);
    const QString shots = qEnvironmentVariable("TWINSIFT_SHOT_DIR");
    for (const QSize size : {window->minimumSize(), QSize(760, 560)}) {
        window->resize(size);
        for (int i = 0; i < 5; ++i) {
            tabs->tabView->setCurrentIndex(i);
            flushEvents();
            QWidget *pane = tabs->panes()[size_t(i)];
            ASSERT_TRUE(tabs->tabView->currentWidget()->isAncestorOf(pane));
            const QStringList cut = cutOffWidgets(pane);
            EXPECT_TRUE(cut.isEmpty()) << "tab " << i << " at " << size.width() << "x" << size.height() << ": "
                                       << cut.join(", ").toStdString();
            const QPixmap shot = window->grab();
            EXPECT_FALSE(shot.isNull());
            if (!shots.isEmpty() && QDir().mkpath(shots))
                shot.save(QString("%1/preferences-%2-%3.png").arg(shots).arg(i).arg(size.width()));
        }
    }
    window->closeWindow();
}

// On the dark theme an unticked check box still shows its square: a light outline around a dark
// inside.
TEST_F(PreferencesTest, UntickedCheckBoxesShowAnOutlineOnTheDarkTheme)
{
    const QString oldStyle = QApplication::style()->name();
    const QPalette oldPalette = QApplication::palette();
    Theme::applyApplicationTheme();
    auto *window = preferencesWindowController();
    auto *tabs = qobject_cast<PreferencesTabViewController *>(preferencesTabViewController());
    ASSERT_TRUE(tabs);
    selectedPreferencesTab = 0;
    window->showWindow(tabs);
    QCheckBox *box = tabs->general->btnAutoUpdate;
    box->setChecked(false);
    QCoreApplication::processEvents();
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    const QImage picture = box->grab().toImage();
    const qreal ratio = picture.devicePixelRatio();
    int lightest = 0;
    int darkest = 255;
    for (int y = indicator.top(); y <= indicator.bottom(); ++y) {
        for (int x = indicator.left(); x <= indicator.right(); ++x) {
            const int grey = qGray(picture.pixel(QPointF(QPoint(x, y) * ratio).toPoint()));
            lightest = std::max(lightest, grey);
            darkest = std::min(darkest, grey);
        }
    }
    if (const QString shots = qEnvironmentVariable("TWINSIFT_SHOT_DIR"); !shots.isEmpty())
        tabs->grab().save(shots + "/preferences-dark-general.png");
    EXPECT_LT(darkest, 80);
    EXPECT_GE(lightest - darkest, 80) << "outline " << lightest << " inside " << darkest;
    window->closeWindow();
    QApplication::setStyle(QStyleFactory::create(oldStyle));
    QApplication::setPalette(oldPalette);
}

// Each pane's table is one Tab stop; the protected folders' sub-folder ticks are reached by the
// arrows and Space on the current row.
TEST_F(PreferencesTest, EachTableIsOneTabStop)
{
    const QString oldStyle = QApplication::style()->name();
    const QPalette oldPalette = QApplication::palette();
    Theme::applyApplicationTheme();
    const auto restoreTheme = qScopeGuard([&] {
        QApplication::setStyle(QStyleFactory::create(oldStyle));
        QApplication::setPalette(oldPalette);
    });
    for (int i = 0; i < 3; ++i)
        protectedFolders.emplace_back(QUrl::fromLocalFile(folder(QString("Album %1").arg(i))));
    protectedSubFolderFlags.assign(protectedFolders.size(), true);
    saveProtectedFolders();
    auto *window = preferencesWindowController();
    auto *tabs = qobject_cast<PreferencesTabViewController *>(preferencesTabViewController());
    ASSERT_TRUE(tabs);
    selectedPreferencesTab = 0;
    window->showWindow(tabs);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto press = [window](int key) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key(key));
    };
    for (PreferencesPane *pane :
         std::initializer_list<PreferencesPane *>{tabs->scanSettings, tabs->excluded, tabs->protectedFolders}) {
        for (int i = 0; i < tabs->tabView->count(); ++i)
            if (tabs->tabView->widget(i)->isAncestorOf(pane))
                tabs->tabView->setCurrentIndex(i);
        ASSERT_TRUE(pane->isVisible());
        flushEvents();
        auto *table = pane->findChild<QTableView *>();
        ASSERT_TRUE(table);
        const std::string name = pane->metaObject()->className();
        for (int i = 0; i < 20 && QApplication::focusWidget() != table; ++i)
            press(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), table) << name;
        if (pane == tabs->protectedFolders) {
            ASSERT_TRUE(waitFor([&] { return tabs->protectedFolders->deleteIndex == 0; })); // the row shows
            press(Qt::Key_Down);
            press(Qt::Key_Space);
            EXPECT_EQ(protectedSubFolderFlags, (std::vector<bool>{true, false, true}));
        }
        flushEvents();
        const QRect area = QRect(table->mapTo(window, QPoint(0, 0)), table->size()).adjusted(-3, -3, 3, 3);
        const QImage focused = window->grab(area).toImage();
        if (const QString shots = qEnvironmentVariable("TWINSIFT_SHOT_DIR"); !shots.isEmpty() && QDir().mkpath(shots))
            window->grab().save(QString("%1/preferences-focused-%2.png")
                                    .arg(shots, QString::fromLatin1(pane->metaObject()->className())));
        press(Qt::Key_Tab);
        QWidget *after = QApplication::focusWidget();
        EXPECT_TRUE(after && after != table && !table->isAncestorOf(after))
            << name << " keeps the focus: " << (after ? after->metaObject()->className() : "none");
        // The table showed its focus as a ring, not as a faint tint of its current cell.
        flushEvents();
        EXPECT_GE(focuschecks::clearlyChangedPixels(focused, window->grab(area).toImage(), QRect()),
                  int(table->height() * focused.devicePixelRatio()))
            << name << " shows no focus ring";
    }
    window->closeWindow();
}
