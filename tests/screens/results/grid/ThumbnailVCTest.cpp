#include "support/ResultsScreenFixtures.h"

#include "controls/SYFlatButton.h"
#include "engine/AutoMarkEngine.h"
#include "model/ResultCommands.h"
#include "model/TextLookup.h"
#include "screens/results/FilePropertiesVC.h"
#include "screens/results/HeaderView.h"
#include "screens/results/QuickLook.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ThumbnailLoader.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/grid/CollectionViewItem.h"
#include "screens/results/list/ListViewVC.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <functional>
#include <QToolButton>
#include <QToolTip>

using namespace scansheet_test;

namespace {

class ThumbnailVCTest : public ResultsScreenTestBase
{
protected:
    // The results screen with its grid, fed with `groups` through "SelectedFiles".
    ThumbnailVC *showResults(const ImageGroups &groups)
    {
        auto *grid = thumbnailVC();
        feedResults(groups, QRect(0, 0, 1000, 700));
        return grid;
    }

    static void click(QWidget *target, const QPoint &point, int clicks = 1)
    {
        for (int i = 0; i < clicks; ++i) {
            QMouseEvent press(i == 0 ? QEvent::MouseButtonPress : QEvent::MouseButtonDblClick, point,
                              target->mapToGlobal(point), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &press);
            QMouseEvent release(QEvent::MouseButtonRelease, point, target->mapToGlobal(point), Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(target, &release);
        }
    }

    // Answers the next modal dialog with the button whose text is `answer` (or closes it), after
    // running `meanwhile` while the dialog is up.
    static void answerNextDialog(const QString &answer = QString(), std::function<void()> meanwhile = {})
    {
        QTimer::singleShot(50, [answer, meanwhile] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(w);
                if (!box || !box->isVisible())
                    continue;
                if (meanwhile)
                    meanwhile();
                for (QAbstractButton *button : box->buttons())
                    if (answer.isEmpty() || button->text() == answer) {
                        button->click();
                        return;
                    }
            }
        });
    }
};

} // namespace

TEST_F(ThumbnailVCTest, ScanResultShowsSectionsWithHeadersAndThumbnails)
{
    ThumbnailVC *grid = showResults(photoGroups(6, 3));
    ASSERT_EQ(grid->imageDirectories().size(), 6u);
    ResultCollectionView *view = grid->collectionView;
    EXPECT_EQ(view->sectionLayout().sectionCount(), 6);

    auto *header = qobject_cast<HeaderView *>(view->headerForSection(0));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->sectionTitle->text(), localizedText(QStringLiteral("IDS_TWK_76")) + QStringLiteral(" 1"));
    EXPECT_EQ(header->imageCount->text(), QStringLiteral("(3 ") + localizedText(QStringLiteral("IDS_TWK_77")) + ")");
    EXPECT_EQ(HeaderView::buttonImage(header->btnSelectUnselectGroup), QStringLiteral("selectall"));
    EXPECT_EQ(HeaderView::buttonImage(header->btnLockGroup), QStringLiteral("lock.png"));
    ASSERT_NE(header->btnZoom, nullptr);

    // Only what is visible (and near it) is decoded, off the GUI thread. The decodes run side by
    // side, so the first file's picture may come after others.
    ThumbnailLoader *loader = grid->thumbnailLoader();
    const ImageFile &first = *grid->imageDirectories()[0][0];
    ASSERT_TRUE(waitFor([&] { return loader->decodedCount() >= 3 && !loader->imageFor(first, 10).isNull(); }));
    shoot(results, QStringLiteral("grid-results"));
    shoot(grid, QStringLiteral("grid"));

    // Zoom: 315 x 375, then back to 210 x 250.
    header->btnZoom->click();
    EXPECT_EQ(grid->itemSize(), QSize(315, 375));
    header = qobject_cast<HeaderView *>(view->headerForSection(0));
    EXPECT_EQ(HeaderView::buttonImage(header->btnZoom), QStringLiteral("NSRemoveTemplate"));
    shoot(grid, QStringLiteral("grid-zoomed"));
    header->btnZoom->click();
    EXPECT_EQ(grid->itemSize(), QSize(210, 250));
}

TEST_F(ThumbnailVCTest, CheckBoxesMarkFilesAndRefuseTheLastOneOfAGroup)
{
    ThumbnailVC *grid = showResults(photoGroups(2, 2));
    ResultCollectionView *view = grid->collectionView;
    const QRect first = view->visualItemRect(0, 0);
    const QRect box = grid->checkBoxArea(first);
    click(view->viewport(), box.center());
    EXPECT_EQ(ResultState::shared().selectedIndexArray[0], std::vector<int>({0}));
    auto *header = qobject_cast<HeaderView *>(view->headerForSection(0));
    EXPECT_EQ(HeaderView::buttonImage(header->btnSelectUnselectGroup), QStringLiteral("unselectall"));

    // The second file of the group is the last one unmarked: refused with an alert.
    answerNextDialog();
    const QRect second = view->visualItemRect(0, 1);
    click(view->viewport(), grid->checkBoxArea(second).center());
    EXPECT_EQ(ResultState::shared().selectedIndexArray[0], std::vector<int>({0}));

    // Space on the current cell ticks too; the header toggle clears a full group.
    view->setCurrentItem(1, 1);
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
    QApplication::sendEvent(view, &space);
    EXPECT_EQ(ResultState::shared().selectedIndexArray[1], std::vector<int>({1}));
    header->btnSelectUnselectGroup->click();
    EXPECT_TRUE(ResultState::shared().selectedIndexArray[0].empty());
    header->btnSelectUnselectGroup->click(); // by the rules, as Auto Select marks the group
    EXPECT_FALSE(ResultState::shared().selectedIndexArray[0].empty());
    EXPECT_EQ(ResultState::shared().selectedIndexArray[0], ruleMarksForGroup(ResultState::shared(), 0));

    // While a dialog is up, nothing reacts.
    platform::UserDefaults::standard().setBool(QStringLiteral("IsPopUpTWK"), true);
    click(view->viewport(), grid->checkBoxArea(view->visualItemRect(1, 0)).center());
    EXPECT_EQ(ResultState::shared().selectedIndexArray[1], std::vector<int>({1}));
    platform::UserDefaults::standard().setBool(QStringLiteral("IsPopUpTWK"), false);
}

TEST_F(ThumbnailVCTest, CellDetailsHandMarkRecordAndDimmedDeleteButton)
{
    const ImageGroups groups = photoGroups(2, 2);
    groups[0][0]->isOrientation = true;
    ThumbnailVC *grid = showResults(groups);
    ResultCollectionView *view = grid->collectionView;
    QWidget *viewport = view->viewport();

    // Delete Marked starts dimmed.
    EXPECT_DOUBLE_EQ(results->btnDeleteMarked->alphaValue(), 0.4);

    // The orientation badge tells what it means; elsewhere the cell has no tool tip.
    const QPoint badge = ThumbnailVC::orientationBadgeArea(view->visualItemRect(0, 0)).center();
    EXPECT_EQ(grid->toolTipAt(badge), localizedText(QStringLiteral("IDS_TWK_306")));
    EXPECT_TRUE(grid->toolTipAt(ThumbnailVC::orientationBadgeArea(view->visualItemRect(1, 0)).center()).isEmpty());
    QHelpEvent help(QEvent::ToolTip, badge, viewport->mapToGlobal(badge));
    QApplication::sendEvent(viewport, &help);
    EXPECT_EQ(QToolTip::text(), localizedText(QStringLiteral("IDS_TWK_306")));
    QToolTip::hideText();

    // A pointing hand over a check box, the arrow elsewhere.
    auto moveTo = [&](const QPoint &point) {
        QMouseEvent move(QEvent::MouseMove, point, viewport->mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
    };
    moveTo(grid->checkBoxArea(view->visualItemRect(0, 1)).center());
    EXPECT_EQ(viewport->cursor().shape(), Qt::PointingHandCursor);
    moveTo(badge);
    EXPECT_EQ(viewport->cursor().shape(), Qt::ArrowCursor);

    // The record of hand marks: "Unmark" takes the file out, Unselect All empties it.
    click(viewport, grid->checkBoxArea(view->visualItemRect(0, 1)).center());
    click(viewport, grid->checkBoxArea(view->visualItemRect(1, 1)).center());
    using Paths = std::vector<std::pair<int, int>>;
    EXPECT_EQ(grid->selectedIndexPaths, (Paths{{0, 1}, {1, 1}}));
    grid->makeItem(0, 1)->imageUnselect();
    EXPECT_EQ(grid->selectedIndexPaths, (Paths{{1, 1}}));
    results->tappedUnSelectAll();
    EXPECT_TRUE(grid->selectedIndexPaths.empty());

    // After a lock click the button rests 1.5 s in the grid, 0.7 s in the list.
    EXPECT_EQ(grid->lockRestMilliseconds(), 1500);
    EXPECT_EQ(listViewVC()->lockRestMilliseconds(), 700);
}

TEST_F(ThumbnailVCTest, LockButtonLocksAndAsksBeforeReleasingProtectedFolders)
{
    const ImageGroups groups = photoGroups(1, 3);
    ThumbnailVC *grid = showResults(groups);
    ResultState &state = ResultState::shared();
    state.mark(0, 1);
    auto *header = qobject_cast<HeaderView *>(grid->collectionView->headerForSection(0));
    header->btnLockGroup->click();
    EXPECT_TRUE(state.isGroupLockedByHand(0));
    EXPECT_TRUE(state.selectedIndexArray[0].empty());
    header = qobject_cast<HeaderView *>(grid->collectionView->headerForSection(0));
    EXPECT_EQ(HeaderView::buttonImage(header->btnLockGroup), QStringLiteral("unlock.png"));
    EXPECT_FALSE(header->btnSelectUnselectGroup->isEnabled());
    EXPECT_FALSE(header->btnLockGroup->isEnabled()); // resting for a moment
    shoot(grid, QStringLiteral("grid-locked"));
    ASSERT_TRUE(waitFor([&] { return !grid->isLockButtonResting(0); }, 4000));

    // A member in a protected folder: the release asks; No keeps that member protected.
    protectedFolders.emplace_back(QUrl::fromLocalFile(QFileInfo(groups[0][1]->path()).absolutePath() + "/"));
    protectedSubFolderFlags.push_back(true);
    answerNextDialog(localizedText(QStringLiteral("IDS_TWK_269")));
    grid->lockGroup(0);
    EXPECT_FALSE(groups[0][0]->isProtected);
    EXPECT_TRUE(groups[0][1]->isProtected);
    EXPECT_TRUE(groups[0][2]->isProtected);
}

TEST_F(ThumbnailVCTest, ContextMenusFollowTheFileStateAndRunTheirCommands)
{
    const ImageGroups groups = photoGroups(2, 3);
    ThumbnailVC *grid = showResults(groups);
    ResultState &state = ResultState::shared();
    auto countEntries = [](QMenu *menu) { return menu->actions().size(); };

    std::unique_ptr<ResultItem> item = grid->makeItem(0, 1);
    std::unique_ptr<QMenu> unmarked(item->buildMenu(nullptr));
    EXPECT_EQ(countEntries(unmarked.get()), 16);
    EXPECT_EQ(unmarked->actions()[10]->text(), localizedText(QStringLiteral("IDS_TWK_262")).replace("%ld", "1"));
    EXPECT_NE(unmarked->actions()[2]->menu(), nullptr);
    EXPECT_NE(unmarked->actions()[6]->menu(), nullptr);
    shoot(unmarked.get(), QStringLiteral("grid-menu"));

    item->imageSelect();
    EXPECT_TRUE(state.isMarked(0, 1));
    std::unique_ptr<QMenu> marked(item->buildMenu(nullptr));
    EXPECT_EQ(countEntries(marked.get()), 14);
    EXPECT_NE(marked->actions()[4]->menu(), nullptr);

    item->protectThisImage(1);
    EXPECT_TRUE(groups[0][1]->isProtected);
    EXPECT_FALSE(state.isMarked(0, 1));
    std::unique_ptr<QMenu> protectedMenu(item->buildMenu(nullptr));
    EXPECT_EQ(countEntries(protectedMenu.get()), 8);
    EXPECT_EQ(protectedMenu->actions()[0]->data().toInt(), 2);
    item->protectThisImage(2);
    EXPECT_FALSE(groups[0][1]->isProtected);

    // Protecting the file's folder saves it and protects every file below it.
    item->protectThisFolder();
    ASSERT_EQ(protectedFolders.size(), 1u);
    EXPECT_EQ(protectedSubFolderFlags, std::vector<bool>({true}));
    EXPECT_TRUE(groups[0][2]->isProtected);
    EXPECT_FALSE(groups[0][0]->isProtected);
    EXPECT_TRUE(groups[1][1]->isProtected == false);
    // The release of a file in that folder asks; when the asking item goes while the question is
    // up, the answer changes nothing.
    bool gone = false;
    answerNextDialog(localizedText(QStringLiteral("IDS_TWK_268")), [&] {
        item.reset();
        gone = true;
    });
    item.get()->protectThisImage(2);
    EXPECT_TRUE(gone);
    EXPECT_TRUE(groups[0][1]->isProtected);

    // Invert, then remove a file from the results: the marks follow their files.
    std::unique_ptr<ResultItem> other = grid->makeItem(1, 0);
    other->invertMarkedFiles();
    EXPECT_EQ(state.selectedIndexArray[1], std::vector<int>({1, 2}));
    other->deleteFileFromArray();
    EXPECT_EQ(state.imageDirectories[1].size(), 2u);
    // Both remaining files were marked: one mark gives way so that a copy stays.
    EXPECT_EQ(state.selectedIndexArray[1], std::vector<int>({0}));
    EXPECT_EQ(grid->collectionView->sectionLayout().itemCount(1), 2);

    // Narrowing to a group shows that group alone.
    std::unique_ptr<ResultItem> narrow = grid->makeItem(1, 0);
    narrow->filterThisGoup();
    EXPECT_EQ(state.shownGroupCount(), 1);
    EXPECT_EQ(grid->collectionView->sectionLayout().sectionCount(), 1);

    // Removing files until nothing is left tells the home screen.
    int posted = 0;
    QObject observer;
    platform::NotificationCenter::defaultCenter().addObserver(&observer, QStringLiteral("NoSimilarPhotosFound"),
                                                              [&](const platform::Notification &) { ++posted; });
    grid->makeItem(0, 0)->deleteFileFromArray();
    EXPECT_EQ(posted, 1);
}

TEST_F(ThumbnailVCTest, HoverShowsDetailsAndDoubleClickOpensThePreviewWindow)
{
    const ImageGroups groups = photoGroups(2, 2);
    ThumbnailVC *grid = showResults(groups);
    auto *details = qobject_cast<FilePropertiesVC *>(filePropertiesVC());
    ASSERT_NE(details, nullptr);
    auto &center = platform::NotificationCenter::defaultCenter();
    center.post(QStringLiteral("kMouseHoverEnterThumbnail"), {{"section", "1"}, {"row", "1"}});
    EXPECT_EQ(details->image, groups[1][1]);
    // Malformed or gated hovers change nothing.
    center.post(QStringLiteral("kMouseHoverEnterThumbnail"), {{"section", "0"}, {"row", "x"}});
    center.post(QStringLiteral("kMouseHoverEnterThumbnail"), {{"section", "0"}});
    EXPECT_EQ(details->image, groups[1][1]);
    platform::UserDefaults::standard().setBool(QStringLiteral("IsThumbnailSelected"), false);
    center.post(QStringLiteral("kMouseHoverEnterThumbnail"), {{"section", "0"}, {"row", "0"}});
    EXPECT_EQ(details->image, groups[1][1]);
    platform::UserDefaults::standard().setBool(QStringLiteral("IsThumbnailSelected"), true);
    EXPECT_EQ(details->outlet("lblValueFormat")->text(), QStringLiteral("jpg"));
    EXPECT_EQ(details->outlet("lblValueDimensions")->text(), QStringLiteral("160 x 120"));
    ASSERT_TRUE(waitFor([&] { return results->imgPreview->pixmap().width() > 0; }));

    ResultCollectionView *view = grid->collectionView;
    const QRect cell = view->visualItemRect(0, 1);
    click(view->viewport(), cell.center(), 2);
    QuickLook &preview = QuickLook::shared();
    EXPECT_TRUE(preview.isVisible());
    EXPECT_EQ(preview.currentUrl(), *groups[0][1]->url);
    shoot(&preview, QStringLiteral("quicklook"));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&preview, &escape);
    EXPECT_FALSE(preview.isVisible());
    shoot(details, QStringLiteral("file-details"));
}

TEST(FilePropertiesVC, DetailsTextsFromTheImageProperties)
{
    FilePropertiesVC panel;
    auto file = std::make_shared<ImageFile>();
    file->url = QUrl::fromLocalFile(QStringLiteral("/nowhere/IMG_1.JPG"));
    file->fileName = QStringLiteral("IMG_1.JPG");
    file->properties = QVariantMap{
        {"PixelWidth", 4000},
        {"PixelHeight", 3000},
        {"DPIWidth", 72.0},
        {"DPIHeight", 72.5},
        {"Depth", 8},
        {"{TIFF}", QVariantMap{{"Orientation", 6}, {"Make", "Maker"}, {"Model", 7}}},
        {"{Exif}",
         QVariantMap{
             {"FNumber", 2.8}, {"ISOSpeedRatings", QVariantList{100}}, {"ExposureTime", 1.0 / 60}, {"FocalLength", 5}}},
    };
    panel.image = file;
    panel.showFileProperties();
    auto value = [&](const char *name) { return panel.outlet(QLatin1String(name))->text(); };
    EXPECT_EQ(value("lblValueName"), QStringLiteral("IMG_1.JPG"));
    EXPECT_EQ(value("lblValueFormat"), QStringLiteral("JPG"));
    EXPECT_EQ(value("lblValueDimensions"), QStringLiteral("4000 x 3000"));
    EXPECT_EQ(value("lblValueHorizontalResolution"), QStringLiteral("72 dpi"));
    EXPECT_EQ(value("lblValueVerticalResolution"), QString()); // a fraction does not convert
    EXPECT_EQ(value("lblValueOrientation"), QStringLiteral("90° CCW (Right/Top)"));
    EXPECT_EQ(value("lblValueFStop"), QStringLiteral("f/ 2.8"));
    EXPECT_EQ(value("lblValueISOSpeed"), QStringLiteral("[100]"));
    EXPECT_EQ(value("lblValueExposureTime"), QStringLiteral("0.016666666666666666"));
    EXPECT_EQ(value("lblValueFocalLength"), QStringLiteral("5.0"));
    EXPECT_EQ(value("lblValueCameraMaker"), QStringLiteral("Maker"));
    EXPECT_EQ(value("lblValueCameraModel"), QString()); // not a text
    EXPECT_EQ(value("lblValueFileSize"), QString());    // no such file
    EXPECT_EQ(FilePropertiesVC::orientationText(9), QString());

    // A second file without GPS or camera data empties those rows again.
    file->properties = QVariantMap{{"PixelWidth", 10}};
    panel.showFileProperties();
    EXPECT_EQ(value("lblValueWidth"), QStringLiteral("10"));
    EXPECT_EQ(value("lblValueDimensions"), QString());
    EXPECT_EQ(value("lblValueFStop"), QString());
    panel.clearFileProperties();
    EXPECT_EQ(value("lblValueWidth"), QString());
    EXPECT_FALSE(panel.outlet(QStringLiteral("lblCapWidth"))->text().isEmpty());
}

// Open and Show in Folder on a file that is no longer there: the user is told, in the
// application's alert, that nothing could open it.
TEST_F(ThumbnailVCTest, OpenAndShowInFolderTellWhenNothingCouldOpenTheFile)
{
    const ImageGroups groups = photoGroups(1, 2);
    ThumbnailVC *grid = showResults(groups);
    std::unique_ptr<ResultItem> item = grid->makeItem(0, 1);
    const QFileInfo shown(groups[0][1]->path());
    const QString gone = shown.absolutePath() + "/gone/" + shown.fileName();
    groups[0][1]->url = QUrl::fromLocalFile(gone);
    std::unique_ptr<QMenu> menu(item->buildMenu(nullptr));
    for (const char *key : {"IDS_TWK_264", "IDS_TWK_265"}) {
        QAction *command = nullptr;
        for (QAction *action : menu->actions())
            if (action->text() == localizedText(key))
                command = action;
        ASSERT_NE(command, nullptr) << key;
        QString told;
        QTimer::singleShot(0, [&told] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                told = box->informativeText();
                box->buttons().first()->click();
            }
        });
        command->trigger();
        EXPECT_TRUE(told.contains(gone)) << key << ": " << told.toStdString();
    }
}
