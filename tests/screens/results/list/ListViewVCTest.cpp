#include "support/ResultsScreenFixtures.h"
#include "support/ServicesFixtures.h"

#include "model/TextLookup.h"
#include "screens/results/FilePropertiesVC.h"
#include "screens/results/HeaderView.h"
#include "screens/results/QuickLook.h"
#include "screens/results/ResultPreview.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ThumbnailLoader.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/CollectionViewItemList.h"
#include "screens/results/list/ListViewVC.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMediaPlayer>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

using namespace scansheet_test;

namespace {

class ListViewVCTest : public ResultsScreenTestBase
{
protected:
    void SetUp() override
    {
        ResultsScreenTestBase::SetUp();
        window->resize(1280, 720);
    }

    // The results screen fed with `groups`, switched to the list.
    ListViewVC *showList(const ImageGroups &groups)
    {
        feedResults(groups)->tappedListView();
        ListViewVC *list = listViewVC();
        waitFor([&] { return list->collectionView->sectionLayout().sectionCount() == int(groups.size()); }, 2000);
        QApplication::processEvents();
        return list;
    }

    static void click(QWidget *target, const QPoint &point, int clicks = 1)
    {
        for (int i = 0; i < clicks; ++i) {
            QMouseEvent press(i == 0 ? QEvent::MouseButtonPress : QEvent::MouseButtonDblClick, point,
                              target->mapToGlobal(point), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &press);
        }
    }
    // A click on the check box of (s, r) in either form.
    static void clickCheckBox(ResultViewController *form, int s, int r)
    {
        const QRect cell = form->collectionView->visualItemRect(s, r);
        auto *grid = qobject_cast<ThumbnailVC *>(form);
        const QRect box = grid ? grid->checkBoxArea(cell) : ListViewVC::columnRect(ListViewVC::CheckBoxColumn, cell);
        click(form->collectionView->viewport(), box.center());
    }
    static void key(QWidget *target, int k)
    {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }
};

} // namespace

TEST_F(ListViewVCTest, ListShowsTheGridsGroupsWithCaptionsAndFileDetails)
{
    const ImageGroups groups = photoGroups(12, 3);
    ListViewVC *list = showList(groups);
    // The same sections and rows as the grid's, which is hidden.
    EXPECT_FALSE(thumbnailVC()->isVisible());
    ASSERT_EQ(list->collectionView->sectionLayout().sectionCount(), 12);
    EXPECT_EQ(thumbnailVC()->collectionView->sectionLayout().itemCount(3),
              list->collectionView->sectionLayout().itemCount(3));

    // The list's header has no zoom button.
    EXPECT_EQ(qobject_cast<HeaderView *>(list->collectionView->headerForSection(0))->btnZoom, nullptr);

    const ListViewVC::RowTexts texts = ListViewVC::rowTexts(*groups[0][1]);
    EXPECT_EQ(texts.name + texts.type + texts.width + texts.height, QStringLiteral("p1.jpgjpg160120"));
    EXPECT_EQ(texts.path, groups[0][1]->path());
    EXPECT_FALSE(texts.size.isEmpty() || texts.modified.isEmpty());
    ImageFile bare; // no URL, no properties: every detail stays empty
    const ListViewVC::RowTexts empty = ListViewVC::rowTexts(bare);
    EXPECT_TRUE(empty.path.isEmpty() && empty.size.isEmpty() && empty.created.isEmpty() && empty.type.isEmpty()
                && empty.width.isEmpty());

    // At 1280 x 720 the rows keep their 1368-point width and scroll sideways inside the list; the
    // vertical scroll bar stays in sight and follows the rows.
    EXPECT_EQ(list->documentWidth(), 1368);
    EXPECT_TRUE(list->documentArea()->horizontalScrollBar()->isVisible());
    EXPECT_LE(list->rowScrollBar()->mapTo(window.get(), QPoint(0, 0)).x(), window->width());
    list->rowScrollBar()->setValue(100);
    EXPECT_EQ(list->collectionView->verticalScrollBar()->value(), 100);
    list->rowScrollBar()->setValue(0);
    ASSERT_TRUE(waitFor([&] { return list->iconLoader()->decodedCount() >= 3; }));
    shoot(results, QStringLiteral("list-results"));
    QScrollBar *sideways = list->documentArea()->horizontalScrollBar();
    sideways->setValue(sideways->maximum());
    shoot(list, QStringLiteral("list-scrolled-sideways"));
}

TEST_F(ListViewVCTest, EveryListActionChangesTheModelAsItsGridTwin)
{
    // The same actions, once through the list and once through the grid, on the same result; the
    // model (marks, hand-set protection, each file's protection, group sizes) must come out equal.
    const ImageGroups groups = photoGroups(5, 3);
    using Snapshot =
        std::tuple<std::vector<std::vector<int>>, std::vector<std::vector<int>>, std::vector<std::vector<bool>>>;
    auto run = [&](bool throughList) {
        for (const ImageGroup &group : groups)
            for (const ImageFilePtr &file : group)
                file->isProtected = false;
        ListViewVC *list = showList(groups);
        if (!throughList)
            results->tappedThumbnailView();
        ResultViewController *form = throughList ? static_cast<ResultViewController *>(list) : thumbnailVC();
        clickCheckBox(form, 0, 1);
        clickCheckBox(form, 0, 2);
        QTimer::singleShot(50, [] { // the last unmarked file of group 0 is refused with an alert
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
                    box->buttons().first()->click();
        });
        clickCheckBox(form, 0, 0);
        form->collectionView->setCurrentItem(1, 2);
        key(form->collectionView, Qt::Key_Space);
        auto headerOf = [form](int g) {
            form->collectionView->scrollToItem(g, 0);
            return qobject_cast<HeaderView *>(form->collectionView->headerForSection(g));
        };
        headerOf(2)->btnSelectUnselectGroup->click();
        headerOf(3)->btnLockGroup->click();
        form->makeItem(4, 1)->protectThisImage(1);
        form->makeItem(1, 0)->invertMarkedFiles();
        form->makeItem(2, 0)->unSelectAllFilesFoundInThisFolder();
        form->makeItem(4, 2)->deleteFileFromArray();
        const ResultState &state = ResultState::shared();
        std::vector<std::vector<bool>> protection;
        for (const ImageGroup &group : state.imageDirectories) {
            protection.emplace_back();
            for (const ImageFilePtr &file : group)
                protection.back().push_back(file->isProtected);
        }
        const Snapshot snapshot{state.selectedIndexArray, state.protectionOverrideRows, protection};
        results->setParent(nullptr);
        AllViewControllers::releaseAll();
        ResultState::shared().clear();
        return snapshot;
    };
    const Snapshot viaList = run(true);
    EXPECT_EQ(viaList, run(false));
    // And the sequence did what it says: group 0's marks {1, 2} (the third tick refused) were
    // inverted, group 3 is locked, group 4 lost a file.
    const auto &[marks, overrides, protection] = viaList;
    ASSERT_EQ(marks.size(), 5u);
    EXPECT_EQ(marks[0], std::vector<int>({0}));
    EXPECT_EQ(protection[3], std::vector<bool>({true, true, true}));
    EXPECT_EQ(protection[4].size(), 2u);
}

TEST_F(ListViewVCTest, SelectingARowShowsItsFileFittedAndKeysMoveTheSelection)
{
    ImageGroups groups = photoGroups(2, 2);
    QImage narrow(60, 200, QImage::Format_RGB32);
    narrow.fill(Qt::green);
    ASSERT_TRUE(narrow.save(path("g1/narrow.jpg"), "JPEG"));
    groups[1].push_back(record(path("g1/narrow.jpg")));
    ASSERT_TRUE(fixtures::writeFile(path("g1/broken.jpg"), "not a picture"));
    groups.push_back({record(path("g1/broken.jpg")), groups[0][0]});
    ListViewVC *list = showList(groups);
    auto *details = qobject_cast<FilePropertiesVC *>(filePropertiesVC());
    ResultCollectionView *view = list->collectionView;
    ResultPreview *preview = results->preview;

    click(view->viewport(), view->visualItemRect(0, 1).center());
    EXPECT_EQ(details->image, groups[0][1]);
    EXPECT_EQ(list->borderedRow(), ResultCollectionView::IndexPath(0, 1));
    ASSERT_TRUE(waitFor([&] { return preview->shownRequestNumber() == preview->requestNumber(); }));
    EXPECT_EQ(preview->imgPreview->pixmap().deviceIndependentSize().toSize(), QSize(267, 200)); // 160 x 120 fitted

    // Arrow keys move the selection; the border follows; a small picture is shown as it is.
    view->setFocus();
    key(view, Qt::Key_Down);
    key(view, Qt::Key_Down);
    key(view, Qt::Key_Down);
    EXPECT_EQ(view->selectedItem(), ResultCollectionView::IndexPath(1, 2));
    EXPECT_EQ(list->borderedRow(), ResultCollectionView::IndexPath(1, 2));
    EXPECT_EQ(details->image, groups[1][2]);
    ASSERT_TRUE(waitFor([&] { return preview->shownRequestNumber() == preview->requestNumber(); }));
    EXPECT_EQ(preview->imgPreview->pixmap().size(), QSize(60, 200));
    // Removing a file above moves the selected one up: the selection, the border and the details go
    // to the row now in the selected place (the group's last).
    list->makeItem(1, 0)->deleteFileFromArray();
    EXPECT_EQ(view->selectedItem(), ResultCollectionView::IndexPath(1, 1));
    EXPECT_EQ(list->borderedRow(), ResultCollectionView::IndexPath(1, 1));
    EXPECT_EQ(details->image, ResultState::shared().shownFile(1, 1));

    // While a dialog is up, selecting changes neither the border nor the details.
    platform::UserDefaults::standard().setBool(QStringLiteral("IsPopUpTWK"), true);
    const ImageFilePtr shownBefore = details->image;
    click(view->viewport(), view->visualItemRect(0, 1).center());
    EXPECT_EQ(list->borderedRow(), ResultCollectionView::IndexPath(1, 1));
    EXPECT_EQ(details->image, shownBefore);
    platform::UserDefaults::standard().setBool(QStringLiteral("IsPopUpTWK"), false);

    // A row whose picture cannot be decoded shows its mark in place of the icon, and its name and
    // why in the preview.
    click(view->viewport(), view->visualItemRect(2, 0).center());
    ASSERT_TRUE(waitFor([&] { return preview->shownRequestNumber() == preview->requestNumber(); }));
    EXPECT_EQ(preview->imgPreview->text(), "broken.jpg\n" + localizedText(QStringLiteral("IDS_TWK_8903")));
    ASSERT_TRUE(waitFor([&] { return list->iconLoader()->unshownOutcome(path("g1/broken.jpg")).has_value(); }));
    EXPECT_EQ(list->iconLoader()->unshownOutcome(path("g1/broken.jpg"))->reason(),
              platform::DecodeOutcome::Reason::Damaged);

    // A video row plays in the preview; a photo row afterwards stops it.
    const QString clip = fixtures::makeClip(path("g1"), QStringLiteral("clip.mp4"), 64, 48);
    if (clip.isEmpty())
        GTEST_SKIP() << "ffmpeg is not available";
    auto video = std::make_shared<ImageFile>();
    video->url = QUrl::fromLocalFile(clip);
    video->isVideo = true;
    ResultState::shared().imageDirectories[0].push_back(video);
    list->reloadData();
    click(view->viewport(), view->visualItemRect(0, 2).center());
    ASSERT_TRUE(waitFor([&] { return preview->shownRequestNumber() == preview->requestNumber(); }));
    EXPECT_TRUE(fixtures::isDescriptorOf(preview->videoPlayer->source(), *video->url));
    click(view->viewport(), view->visualItemRect(0, 0).center());
    ASSERT_TRUE(waitFor([&] { return preview->shownRequestNumber() == preview->requestNumber(); }));
    EXPECT_TRUE(preview->videoPlayer->source().isEmpty());
    shoot(results, QStringLiteral("list-selected"));
}

TEST_F(ListViewVCTest, RowsReactOnlyWhileTheListIsShown)
{
    const ImageGroups groups = photoGroups(2, 2);
    ResultCollectionView *view = showList(groups)->collectionView;
    auto &defaults = platform::UserDefaults::standard();
    // A regrouping that left nothing does not shut the rows, unlike the grid's cells.
    defaults.setBool(QStringLiteral("ISSliderAvailable"), true);
    click(view->viewport(), view->visualItemRect(1, 1).center(), 2);
    EXPECT_EQ(QuickLook::shared().currentUrl(), *groups[1][1]->url);
    key(&QuickLook::shared(), Qt::Key_Escape);
    EXPECT_FALSE(QuickLook::shared().isVisible());
    std::unique_ptr<QMenu> menu(listViewVC()->makeItem(1, 1)->buildMenu(nullptr));
    shoot(menu.get(), QStringLiteral("list-menu"));

    defaults.setBool(QStringLiteral("IsThumbnailSelected"), true); // the grid is shown
    click(view->viewport(), view->visualItemRect(1, 1).center(), 2);
    EXPECT_FALSE(QuickLook::shared().isVisible());
    defaults.removeObject(QStringLiteral("IsThumbnailSelected")); // a missing flag shuts the gate too
    EXPECT_FALSE(CollectionViewItemList::gateIsOpen());
}

TEST_F(ListViewVCTest, SwitchingFormsKeepsMarksAndScrollAndARemovalReachesTheGrid)
{
    const ImageGroups groups = photoGroups(30, 3);
    ListViewVC *list = showList(groups);
    ThumbnailVC *grid = thumbnailVC();
    ResultState &state = ResultState::shared();
    clickCheckBox(list, 0, 2);
    list->makeItem(5, 0)->protectThisImage(1);
    list->rowScrollBar()->setValue(600);

    results->tappedThumbnailView();
    waitFor([] { return false; }, 50);
    EXPECT_TRUE(platform::UserDefaults::standard().boolForKey(QStringLiteral("IsThumbnailSelected")));
    EXPECT_EQ(state.selectedIndexArray[0], std::vector<int>({2}));
    EXPECT_TRUE(groups[5][0]->isProtected);
    grid->collectionView->verticalScrollBar()->setValue(300);

    results->tappedListView();
    waitFor([] { return false; }, 50);
    EXPECT_EQ(list->collectionView->verticalScrollBar()->value(), 600);
    EXPECT_EQ(grid->collectionView->verticalScrollBar()->value(), 300);
    EXPECT_EQ(state.selectedIndexArray[0], std::vector<int>({2}));

    // Removing a file from a list row shortens that group in the grid's view at once.
    list->makeItem(7, 1)->deleteFileFromArray();
    EXPECT_EQ(grid->collectionView->sectionLayout().itemCount(7), 2);
    EXPECT_EQ(list->collectionView->sectionLayout().itemCount(7), 2);
    // A group left with one file is dropped from both views.
    list->makeItem(7, 1)->deleteFileFromArray();
    EXPECT_EQ(state.shownGroupCount(), 29);
    EXPECT_EQ(grid->collectionView->sectionLayout().sectionCount(), 29);
}

TEST_F(ListViewVCTest, GroupHeadersMadeWhileQtHoldsThePaintingPaintOnceItLetsGo)
{
    // Qt holds a widget's painting while it delivers a size change it had put off (QWidget::grab
    // does so for the whole window), and a widget made in that moment inherits the hold. Headers
    // that come into view as the list grows in such a moment must still show their title and
    // buttons afterwards.
    ListViewVC *list = showList(photoGroups(12, 2));
    ResultCollectionView *view = list->collectionView;
    QWidget *viewport = view->viewport();
    const int before = view->visibleItems().back().first;
    viewport->setAttribute(Qt::WA_UpdatesDisabled, true);
    view->resize(view->width(), view->height() + 400);
    viewport->setAttribute(Qt::WA_UpdatesDisabled, false);
    const int last = view->visibleItems().back().first;
    ASSERT_GT(last, before + 1);
    std::vector<QPointer<QWidget>> headers;
    for (int s = 0; s <= last; ++s)
        headers.emplace_back(view->headerForSection(s));
    QApplication::processEvents();
    for (size_t s = 0; s < headers.size(); ++s) {
        ASSERT_TRUE(headers[s]) << "group " << s;
        EXPECT_TRUE(headers[s]->updatesEnabled()) << "group " << s;
        for (QWidget *child : headers[s]->findChildren<QWidget *>())
            EXPECT_TRUE(child->updatesEnabled()) << "group " << s << " " << child->objectName().toStdString();
    }
}
