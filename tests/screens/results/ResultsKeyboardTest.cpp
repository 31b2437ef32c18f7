// The results screen by keyboard, on the dark theme: Tab reaches the grid and the list, whose current
// card shows a focus ring and follows the arrow keys; Space marks it, Enter opens its preview, the
// menu key and Shift+F10 open its menu. A right-clicked card becomes the current one. Every Tab stop
// of the screen shows where the focus is, and Tab goes through the screen in reading order.
#include "support/FocusChecks.h"
#include "support/ResultsScreenFixtures.h"
#include "support/ServicesFixtures.h"

#include "controls/SYFlatButton.h"
#include "model/TextLookup.h"
#include "screens/results/FilePropertiesVC.h"
#include "screens/results/HeaderView.h"
#include "screens/results/ResultRefresh.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "screens/shell/Theme.h"
#include "screens/wizard/SelectionWizardPreferencesVC.h"
#include "screens/results/QuickLook.h"
#include "screens/results/ResultPreview.h"
#include "screens/results/grid/ResultItem.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QMediaPlayer>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

using namespace scansheet_test;
using IndexPath = ResultCollectionView::IndexPath;

namespace {

class ResultsKeyboardTest : public ResultsScreenTestBase
{
protected:
    void SetUp() override
    {
        ResultsScreenTestBase::SetUp();
        Theme::applyApplicationTheme();
        platform::UserDefaults::standard().setBool(QStringLiteral("TutorialShownTWK"), true);
        window->resize(1280, 720);
    }

    void show(const ImageGroups &groups)
    {
        feedResults(groups);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    void switchToList()
    {
        results->tappedListView();
        ASSERT_TRUE(waitFor([&] {
            return results->activityIndicator->isHidden()
                && listViewVC()->collectionView->sectionLayout().sectionCount() == state().shownGroupCount();
        }));
    }

    static ResultState &state() { return ResultState::shared(); }
    static FilePropertiesVC *details() { return qobject_cast<FilePropertiesVC *>(filePropertiesVC()); }

    // Presses Tab from Back to Home until `target` has the focus.
    bool tabTo(QWidget *target)
    {
        results->btnBackToHome->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 60 && QApplication::focusWidget() != target; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        return QApplication::focusWidget() == target;
    }

    // The texts of the context menu that `open` brings up (empty when none came); the menu closes.
    // It closes only once it is up and its window has been activated: closed before its activation
    // has arrived (a fixed delay can run out first on a busy machine), the menu leaves that activation
    // to land after it is gone, and the screen's window is left inactive, its focus lost.
    static QStringList menuTexts(const std::function<void()> &open)
    {
        QStringList texts;
        QTimer poll;
        const QDeadlineTimer deadline(10000);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu || (QGuiApplication::focusWindow() != menu->windowHandle() && !deadline.hasExpired()))
                return;
            poll.stop();
            for (QAction *action : menu->actions())
                texts << action->text();
            menu->close();
        });
        poll.start(5);
        open();
        return texts;
    }

    // The menu entry that marks (or unmarks) just this file.
    static QString markEntry(int section, int row, bool marked)
    {
        return localizedText(QLatin1String(marked ? "IDS_TWK_250" : "IDS_TWK_246")) + QStringLiteral(" '")
            + state().shownFile(section, row)->fileName.value_or(QString()) + QLatin1Char('\'');
    }

    // Whether the item carries the blue focus ring (on the middle of its left edge).
    static bool ringed(ResultCollectionView *view, const IndexPath &item)
    {
        const QRect rect = view->visualItemRect(item.first, item.second);
        const QImage image = view->viewport()->grab(rect).toImage();
        const QColor edge = image.pixelColor(int(2 * image.devicePixelRatio()), image.height() / 2);
        return edge.blue() > 180 && edge.red() < 100;
    }

    // Right-clicks the item through the window, as the pointer would; returns the menu's texts.
    QStringList rightClick(ResultCollectionView *view, const IndexPath &item)
    {
        const QRect rect = view->visualItemRect(item.first, item.second);
        const QPoint point = view->viewport()->mapTo(window.get(), QPoint(rect.left() + 100, rect.center().y()));
        return menuTexts([&] { QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, point); });
    }

    // Every stop of the Tab chain from Back to Home shows its focus; the results come right after
    // the matching level and their group buttons after them, the details before Other Applications.
    void expectEveryStopShowsFocus(ResultCollectionView *view, const std::string &form)
    {
        const std::vector<focuschecks::TabStop> stops = focuschecks::walkTabChain(results->btnBackToHome);
        std::string chain;
        for (const auto &stop : stops)
            chain += stop.name + (stop.showsFocus ? " " : "(no focus) ");
        SCOPED_TRACE(form + " Tab chain: " + chain);
        for (const auto &stop : stops) {
            EXPECT_TRUE(stop.showsFocus) << form << ": " << stop.name << " shows no focus";
            // Tab comes back round to Back to Home rather than circling part of the screen.
            EXPECT_EQ(std::count_if(stops.begin(), stops.end(), [&](const auto &s) { return s.widget == stop.widget; }),
                      1)
                << form << ": " << stop.name << " comes round twice";
        }
        QWidget *detailsScroll = details()->findChild<QScrollArea *>(QStringLiteral("filePropertiesScroll"));
        const QList<QWidget *> expectedStops = {view, results->sliderMatchingLevel, results->btnShowOnlyVideos,
                                                detailsScroll, results->btnDeleteMarked};
        for (QWidget *expected : expectedStops)
            EXPECT_GE(focuschecks::indexOf(stops, expected), 0) << form << ": " << focuschecks::nameOf(expected);
        const int viewAt = focuschecks::indexOf(stops, view);
        EXPECT_EQ(viewAt, focuschecks::indexOf(stops, results->sliderMatchingLevel) + 1) << form;
        EXPECT_EQ(focuschecks::indexOf(stops, detailsScroll) + 1, focuschecks::indexOf(stops, results->btnOtherApps))
            << form;
        int buttons = 0;
        for (int s = 0; s < state().shownGroupCount(); ++s)
            if (auto *header = qobject_cast<HeaderView *>(view->headerForSection(s)))
                for (QToolButton *button : header->findChildren<QToolButton *>())
                    if (button->isEnabled()) {
                        ++buttons;
                        EXPECT_EQ(focuschecks::indexOf(stops, button), viewAt + buttons)
                            << form << ": group " << s << " " << focuschecks::nameOf(button);
                    }
        EXPECT_GT(buttons, 0) << form;
    }
};

} // namespace

TEST_F(ResultsKeyboardTest, TabReachesTheGridAndKeysActOnTheCurrentCard)
{
    show(photoGroups(4, 3));
    ResultCollectionView *view = thumbnailVC()->collectionView;
    ASSERT_TRUE(tabTo(results->sliderMatchingLevel));
    QTest::keyClick(results->sliderMatchingLevel, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), view);

    // The first card is the current one: ringed, in the details.
    EXPECT_EQ(view->currentItem(), IndexPath(0, 0));
    EXPECT_TRUE(ringed(view, {0, 0}));
    EXPECT_EQ(details()->image, state().shownFile(0, 0));
    shoot(results, QStringLiteral("results-grid-focus"));

    // The arrows move it; the ring and the details follow.
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(view->currentItem(), IndexPath(1, 1));
    EXPECT_TRUE(ringed(view, {1, 1}));
    EXPECT_FALSE(ringed(view, {0, 0}));
    EXPECT_EQ(details()->image, state().shownFile(1, 1));

    // Space marks it, and again unmarks it.
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_TRUE(state().isMarked(1, 1));
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_FALSE(state().isMarked(1, 1));
    QTest::keyClick(view, Qt::Key_Space);

    // The menu key and Shift+F10 open the card's own menu.
    EXPECT_TRUE(menuTexts([&] { QTest::keyClick(view, Qt::Key_Menu); }).contains(markEntry(1, 1, true)));
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_TRUE(
        menuTexts([&] { QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier); }).contains(markEntry(1, 2, false)));

    // Enter opens the preview window on it.
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_TRUE(QuickLook::shared().isVisible());
    EXPECT_EQ(QuickLook::shared().currentUrl(), *state().shownFile(1, 2)->url);
}

// Remove from Results on the current card of a two-file group: the group goes, the ring moves to
// the card now in its place, and the details and the preview follow it.
TEST_F(ResultsKeyboardTest, AfterRemoveFromResultsTheDetailsAndPreviewShowTheCurrentCard)
{
    show(photoGroups(3, 2));
    ResultCollectionView *view = thumbnailVC()->collectionView;
    ASSERT_TRUE(tabTo(view));
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Down);
    ASSERT_EQ(view->currentItem(), IndexPath(1, 1));
    const ImageFilePtr removed = state().shownFile(1, 1);
    thumbnailVC()->makeItem(1, 1)->deleteFileFromArray();
    ASSERT_EQ(state().shownGroupCount(), 2);
    ASSERT_EQ(view->currentItem(), IndexPath(1, 1));
    EXPECT_TRUE(ringed(view, {1, 1}));
    EXPECT_NE(details()->image, removed);
    EXPECT_EQ(details()->image, state().shownFile(1, 1));
    EXPECT_EQ(thumbnailVC()->hoveredFile(), state().shownFile(1, 1));

    // On the last group's card the group goes with it: the ring moves to the card before it.
    const ImageFilePtr last = state().shownFile(1, 1);
    thumbnailVC()->makeItem(1, 1)->deleteFileFromArray();
    ASSERT_EQ(state().shownGroupCount(), 1);
    ASSERT_EQ(view->currentItem(), IndexPath(0, 1));
    EXPECT_TRUE(ringed(view, {0, 1}));
    EXPECT_EQ(details()->image, state().shownFile(0, 1));
    EXPECT_EQ(thumbnailVC()->hoveredFile(), state().shownFile(0, 1));
    EXPECT_NE(thumbnailVC()->hoveredFile(), last);
}

// Remove from Results on a row of the list: the row in its place is selected, and the details and
// the preview show it.
TEST_F(ResultsKeyboardTest, AfterRemoveFromResultsTheListSelectsTheRowInThePlaceOfTheRemovedOne)
{
    show(photoGroups(2, 3));
    switchToList();
    ResultCollectionView *view = listViewVC()->collectionView;
    ASSERT_TRUE(tabTo(view));
    QTest::keyClick(view, Qt::Key_Down);
    ASSERT_EQ(view->currentItem(), IndexPath(0, 1));
    const ImageFilePtr removed = state().shownFile(0, 1);
    listViewVC()->makeItem(0, 1)->deleteFileFromArray();
    ASSERT_EQ(state().imageDirectories[0].size(), 2u);
    EXPECT_EQ(view->currentItem(), IndexPath(0, 1));
    EXPECT_EQ(view->selectedItem(), IndexPath(0, 1));
    EXPECT_TRUE(ringed(view, {0, 1}));
    EXPECT_NE(details()->image, removed);
    EXPECT_EQ(details()->image, state().shownFile(0, 1));
    // The last group's last row: the group stays with two rows, the ring goes to the one before.
    view->setCurrentItem(1, 2);
    listViewVC()->makeItem(1, 2)->deleteFileFromArray();
    EXPECT_EQ(view->currentItem(), IndexPath(1, 1));
    EXPECT_EQ(view->selectedItem(), IndexPath(1, 1));
    EXPECT_EQ(details()->image, state().shownFile(1, 1));
}

// The selection wizard stops the preview while it is up, even with the preview window open over
// it; once both are closed the current card plays in the preview again.
TEST_F(ResultsKeyboardTest, ThePreviewShowsTheCurrentCardAgainOnceTheWizardAndPreviewWindowClose)
{
    ImageGroups groups = photoGroups(2, 2);
    QDir().mkpath(path(QStringLiteral("clips")));
    const QString made = fixtures::makeClip(path(QStringLiteral("clips")), QStringLiteral("clip.mp4"), 160, 120);
    ASSERT_FALSE(made.isEmpty());
    ImageFilePtr clip = record(made);
    clip->isVideo = true;
    groups[1].push_back(clip);
    show(groups);
    ResultCollectionView *view = thumbnailVC()->collectionView;
    ASSERT_TRUE(tabTo(view));
    view->setCurrentItem(1, 2);
    // The clip reaches the player once its container has been checked off the GUI thread.
    ASSERT_TRUE(
        waitFor([&] { return fixtures::isDescriptorOf(results->preview->videoPlayer->source(), *clip->url); }, 5000));
    QTest::keyClick(view, Qt::Key_Return);
    ASSERT_TRUE(QuickLook::shared().isVisible());
    results->tappedSelectionWizard();
    EXPECT_TRUE(results->preview->videoPlayer->source().isEmpty());
    QuickLook::shared().close();
    qobject_cast<SelectionWizardPreferencesVC *>(selectionWizardPreferencesVC())->close();
    EXPECT_TRUE(
        waitFor([&] { return fixtures::isDescriptorOf(results->preview->videoPlayer->source(), *clip->url); }, 3000));
    EXPECT_EQ(details()->image, clip);
}

TEST_F(ResultsKeyboardTest, TabReachesTheListAndKeysActOnTheSelectedRow)
{
    show(photoGroups(4, 3));
    switchToList();
    ListViewVC *list = listViewVC();
    ResultCollectionView *view = list->collectionView;
    ASSERT_TRUE(tabTo(results->sliderMatchingLevel));
    QTest::keyClick(results->sliderMatchingLevel, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), view);

    // The first row is current and selected: highlighted, ringed, in the details.
    EXPECT_EQ(list->borderedRow(), IndexPath(0, 0));
    EXPECT_TRUE(ringed(view, {0, 0}));
    EXPECT_EQ(details()->image, state().shownFile(0, 0));
    shoot(results, QStringLiteral("results-list-focus"));

    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(list->borderedRow(), IndexPath(0, 1));
    EXPECT_EQ(details()->image, state().shownFile(0, 1));
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_TRUE(state().isMarked(0, 1));
    EXPECT_TRUE(
        menuTexts([&] { QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier); }).contains(markEntry(0, 1, true)));
    QTest::keyClick(view, Qt::Key_Enter);
    EXPECT_EQ(QuickLook::shared().currentUrl(), *state().shownFile(0, 1)->url);
}

TEST_F(ResultsKeyboardTest, TheRightClickedCardBecomesTheCurrentOne)
{
    show(photoGroups(3, 3));
    ResultCollectionView *grid = thumbnailVC()->collectionView;
    grid->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(grid->currentItem(), IndexPath(0, 0));

    const QStringList gridMenu = rightClick(grid, {1, 2});
    EXPECT_TRUE(gridMenu.contains(markEntry(1, 2, false))) << gridMenu.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(grid->currentItem(), IndexPath(1, 2));
    EXPECT_TRUE(ringed(grid, {1, 2}));
    EXPECT_EQ(details()->image, state().shownFile(1, 2));

    switchToList();
    ListViewVC *list = listViewVC();
    list->collectionView->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(list->borderedRow(), IndexPath(0, 0));
    const QStringList listMenu = rightClick(list->collectionView, {2, 1});
    EXPECT_TRUE(listMenu.contains(markEntry(2, 1, false))) << listMenu.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(list->collectionView->currentItem(), IndexPath(2, 1));
    EXPECT_EQ(list->borderedRow(), IndexPath(2, 1));
    EXPECT_EQ(details()->image, state().shownFile(2, 1));
}

TEST_F(ResultsKeyboardTest, EveryTabStopShowsItsFocusInTheGridAndTheList)
{
    // Two clips bring the videos-only filter; a mark enables Delete Marked.
    ImageGroups groups = photoGroups(2, 3);
    ImageGroup clips;
    for (int i = 0; i < 2; ++i) {
        ImageFilePtr clip = record(copyFile(groups[0][0]->path(), QStringLiteral("clips/clip%1.mp4").arg(i)));
        clip->isVideo = true;
        clips.push_back(clip);
    }
    groups.push_back(clips);
    show(groups);
    ASSERT_TRUE(state().mark(0, 1));
    refreshSelectionState();
    ASSERT_TRUE(results->btnShowOnlyVideos->isVisible());
    ASSERT_TRUE(results->btnDeleteMarked->isEnabled());

    expectEveryStopShowsFocus(thumbnailVC()->collectionView, "grid");
    switchToList();
    expectEveryStopShowsFocus(listViewVC()->collectionView, "list");
}
