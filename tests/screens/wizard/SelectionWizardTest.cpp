#include "screens/wizard/FileFormatsPreferencesVC.h"
#include "screens/wizard/FoldersPreferencesVC.h"
#include "screens/wizard/ReorderTable.h"
#include "screens/wizard/SelectionPriorityPreferencesVC.h"
#include "screens/wizard/SelectionWizardPreferencesVC.h"

#include "controls/CustomRowView.h"
#include "controls/SYFlatButton.h"
#include "engine/FormatFolderLists.h"
#include "model/ResultState.h"
#include "platform/ImageSource.h"
#include "platform/widgets/SheetPresenter.h"
#include "support/ShellFixtures.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QToolButton>
#include <QtTest/QTest>

namespace {

ImageFilePtr photo(const QString &path, int width, int height)
{
    auto file = std::make_shared<ImageFile>();
    file->url = QUrl::fromLocalFile(path);
    QVariantMap properties;
    properties[platform::ImageProperty::PixelWidth] = width;
    properties[platform::ImageProperty::PixelHeight] = height;
    file->properties = properties;
    return file;
}

class SelectionWizardTest : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        selectionPriorityOrder = defaultSelectionPriorityOrder();
        storeAutoMarkRules(defaultAutoMarkRules());
        fileFormatPriorities.clear();
        folderPriorities.clear();
        ResultState::shared().setResults({
            {photo("/r/a/1.JPG", 100, 100), photo("/r/b/2.jpg", 400, 300), photo("/r/a/3.png", 50, 50)},
            {photo("/r/b/4.png", 800, 600), photo("/r/A/5.jpg", 80, 60)},
        });
        rebuildFileFormatList(ResultState::shared().imageDirectories);
        rebuildFolderList(ResultState::shared().imageDirectories);
        presenter = new QWidget;
        presenter->resize(1000, 700);
        presenter->show();
        wizard = qobject_cast<SelectionWizardPreferencesVC *>(selectionWizardPreferencesVC());
        ASSERT_NE(wizard, nullptr);
    }

    void TearDown() override
    {
        platform::SheetPresenter::dismissSheet(wizard);
        delete presenter;
        ResultState::shared().clear();
        ShellTest::TearDown();
    }

    // Opens the wizard as the results screen does.
    void open()
    {
        platform::UserDefaults::standard().setBool("IsPopUpTWK", true);
        platform::SheetPresenter::presentAsSheet(wizard, presenter);
        flushEvents();
        ASSERT_TRUE(platform::SheetPresenter::isPresented(wizard));
    }

    void expectClosed()
    {
        flushEvents();
        EXPECT_FALSE(platform::SheetPresenter::isPresented(wizard));
        EXPECT_FALSE(platform::UserDefaults::standard().boolForKey("IsPopUpTWK"));
    }

    SelectionPriorityPreferencesVC *rulesPage() const
    {
        return qobject_cast<SelectionPriorityPreferencesVC *>(wizard->page(0));
    }

    QWidget *presenter = nullptr;
    SelectionWizardPreferencesVC *wizard = nullptr;
};

} // namespace

TEST_F(SelectionWizardTest, MarkMarksEveryShownGroupByTheRulesAndLeavesPopUpMode)
{
    open();
    ASSERT_TRUE(wizard->page(0)->isMarkEnabled());
    wizard->page(0)->btnMark->click();
    expectClosed();
    // Dimensions decide: the largest photo of each group is kept.
    EXPECT_EQ(ResultState::shared().selectedIndexArray, (std::vector<std::vector<int>>{{0, 2}, {1}}));
}

TEST_F(SelectionWizardTest, CancelAndEscapeLeaveTheMarksAndPopUpMode)
{
    ResultState::shared().selectedIndexArray = {{1}, {}};
    open();
    wizard->page(2)->btnCancel->click();
    expectClosed();
    EXPECT_EQ(ResultState::shared().selectedIndexArray, (std::vector<std::vector<int>>{{1}, {}}));

    open();
    wizard->page(0)->tableView->setFocus();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(wizard->page(0)->tableView, &escape);
    expectClosed();
    EXPECT_EQ(ResultState::shared().selectedIndexArray, (std::vector<std::vector<int>>{{1}, {}}));
}

TEST_F(SelectionWizardTest, MarkNeedsAnUnprotectedFileAndATickedRule)
{
    for (const ImageGroup &group : ResultState::shared().imageDirectories)
        for (const ImageFilePtr &file : group)
            file->isProtected = true;
    open();
    for (int page = 0; page < 3; ++page) {
        EXPECT_FALSE(wizard->page(page)->btnMark->isEnabled()) << page;
        EXPECT_TRUE(wizard->page(page)->lblMark->styleSheet().contains("#808080")) << page;
    }
    wizard->close();
    expectClosed();

    ResultState::shared().imageDirectories[0][1]->isProtected = false;
    open();
    EXPECT_TRUE(wizard->page(1)->btnMark->isEnabled());
    // Unticking every rule takes Mark away on every page; ticking one gives it back.
    SelectionPriorityPreferencesVC *page = rulesPage();
    for (int row = 0; row < 9; ++row)
        page->checkBoxAt(row)->setChecked(false);
    flushEvents();
    EXPECT_TRUE(selectionPriorityOrder.empty());
    for (int k = 0; k < 3; ++k)
        EXPECT_FALSE(wizard->page(k)->isMarkEnabled()) << k;
    EXPECT_TRUE(wizard->page(0)->boxMark->styleSheet().contains("39, 39, 39"));
    page->checkBoxAt(2)->setChecked(true);
    flushEvents();
    for (int k = 0; k < 3; ++k)
        EXPECT_TRUE(wizard->page(k)->isMarkEnabled()) << k;
}

TEST_F(SelectionWizardTest, OpensOnTheRulePageAndPagesKeepTheirOrder)
{
    open();
    wizard->showFoldersPage();
    EXPECT_EQ(wizard->currentPage(), 2);
    EXPECT_TRUE(wizard->boxLineFolders->isVisibleTo(wizard));
    wizard->close();
    expectClosed();
    open();
    EXPECT_EQ(wizard->currentPage(), 0);
    EXPECT_TRUE(wizard->boxLinePriority->isVisibleTo(wizard));
    EXPECT_FALSE(wizard->boxLineFolders->isVisibleTo(wizard));

    // File formats: JPG met before jpg gives one row spelt JPG; a moved row stays after a switch.
    wizard->showFileFormatsPage();
    auto *formats = qobject_cast<FileFormatsPreferencesVC *>(wizard->page(1));
    ASSERT_EQ(formats->tableView->rowCount(), 2);
    EXPECT_EQ(formats->tableView->item(0, 1)->text(), "JPG");
    formats->tableView->selectRowAlone(1);
    EXPECT_TRUE(formats->btnUp->isEnabled());
    EXPECT_FALSE(formats->btnDown->isEnabled());
    formats->btnUp->click();
    EXPECT_EQ(fileFormatPriorities[0].fileExtension, "png");
    EXPECT_EQ(formats->tableView->selectedRow(), 0);
    EXPECT_FALSE(formats->btnUp->isEnabled());
    wizard->showSelectionPriorityPage();
    wizard->showFileFormatsPage();
    EXPECT_EQ(formats->tableView->item(0, 1)->text(), "png");
    EXPECT_EQ(formats->tableView->item(0, 0)->text(), "1");
    // The switch reloads nothing: the selected row and its Down button stay.
    EXPECT_EQ(formats->tableView->selectedRow(), 0);
    EXPECT_TRUE(formats->btnDown->isEnabled());
    formats->btnReset->click();
    EXPECT_EQ(fileFormatPriorities[0].fileExtension, "JPG");

    // Folders: case-insensitive, one row per folder, shown as paths.
    wizard->showFoldersPage();
    auto *folders = qobject_cast<FoldersPreferencesVC *>(wizard->page(2));
    ASSERT_EQ(folders->tableView->rowCount(), 2);
    EXPECT_EQ(folders->tableView->item(0, 1)->text(), "/r/a/");
    folders->tableView->selectRowAlone(1);
    wizard->showFileFormatsPage();
    wizard->showFoldersPage();
    EXPECT_EQ(folders->tableView->selectedRow(), 1);
}

TEST_F(SelectionWizardTest, DropsComeOnlyFromTheSameTableAndBetweenRows)
{
    open();
    SelectionPriorityPreferencesVC *page = rulesPage();
    ReorderTable *table = page->tableView;
    std::unique_ptr<QMimeData> data(ReorderTable::mimeDataForRows({8}));
    QTableWidget other;
    EXPECT_FALSE(table->acceptDrop(data.get(), &other, 0));
    QMimeData plain;
    plain.setText("8");
    EXPECT_FALSE(table->acceptDrop(&plain, table, 0));
    std::unique_ptr<QMimeData> outside(ReorderTable::mimeDataForRows({9, -1}));
    EXPECT_FALSE(table->acceptDrop(outside.get(), table, 0));
    EXPECT_EQ(page->rules.selectionPriorities, defaultAutoMarkRules());

    ASSERT_TRUE(table->acceptDrop(data.get(), table, 0));
    EXPECT_EQ(page->rules.selectionPriorities[0].index, 8);
    EXPECT_EQ(table->item(0, 1)->text(), "1");
    EXPECT_EQ(selectionPriorityOrder.front(), SelectionPriority(SelectionPriority::Kind::FolderPriority));
    EXPECT_FALSE(page->btnUp->isEnabled());

    // Anywhere over a row is a drop: above it over its upper half, below it over its lower half.
    table->resize(600, 400);
    const QRect second = table->visualItemRect(table->item(1, 1));
    EXPECT_EQ(table->dropRowAt(QPoint(second.center().x(), second.center().y() - 2)), 1);
    EXPECT_EQ(table->dropRowAt(QPoint(second.center().x(), second.top() + 1)), 1);
    EXPECT_EQ(table->dropRowAt(QPoint(second.center().x(), second.center().y() + 2)), 2);
    EXPECT_EQ(table->dropRowAt(QPoint(second.center().x(), second.bottom())), 2);
}

// The selected row shows its selection over the rows' alternating greys, and a drag draws a gold
// line where the rows would go; a drag from elsewhere draws none.
TEST_F(SelectionWizardTest, SelectedRowAndDropLineAreDrawn)
{
    open();
    ReorderTable *table = rulesPage()->tableView;
    table->resize(600, 400);
    table->selectRowAlone(2);
    const QRect third = table->visualItemRect(table->item(2, 1));
    const QPoint blank(third.right() - 4, third.center().y()); // past the cell's text
    QImage picture = table->viewport()->grab().toImage();
    const qreal ratio = picture.devicePixelRatio();
    auto colourAt = [&picture, ratio](QPoint point) { return picture.pixelColor(QPointF(point * ratio).toPoint()); };
    EXPECT_EQ(colourAt(blank), CustomRowView::selectionColor());
    const QRect fourth = table->visualItemRect(table->item(3, 1));
    EXPECT_NE(colourAt(QPoint(blank.x(), fourth.center().y())), CustomRowView::selectionColor());

    std::unique_ptr<QMimeData> data(ReorderTable::mimeDataForRows({0}));
    QTableWidget other;
    EXPECT_FALSE(table->dragMovedTo(data.get(), &other, QPoint(10, fourth.center().y() + 3)));
    EXPECT_EQ(table->dropIndicatorRow(), -1);
    ASSERT_TRUE(table->dragMovedTo(data.get(), table, QPoint(10, fourth.center().y() + 3)));
    EXPECT_EQ(table->dropIndicatorRow(), 4);
    picture = table->viewport()->grab().toImage();
    if (const QString shots = qEnvironmentVariable("TWINSIFT_SHOT_DIR"); !shots.isEmpty())
        picture.save(shots + "/wizard-rules-dragging.png");
    const QColor line = colourAt(QPoint(blank.x(), fourth.bottom() + 1));
    EXPECT_EQ(line, QColor(199, 157, 39)) << line.name().toStdString();
    table->dragMovedTo(nullptr, table, QPoint());
    EXPECT_EQ(table->dropIndicatorRow(), -1);
}

TEST_F(SelectionWizardTest, DateComboIsNotEditableAndSetsTheDirection)
{
    open();
    SelectionPriorityPreferencesVC *page = rulesPage();
    QComboBox *combo = page->comboBoxAt(4);
    ASSERT_NE(combo, nullptr);
    EXPECT_TRUE(qobject_cast<SelectionPriorityCellView *>(page->tableView->cellWidget(4, 3)));
    EXPECT_FALSE(combo->isEditable());
    EXPECT_EQ(page->comboBoxAt(0), nullptr);
    page->tappedComboBox(4, 1);
    EXPECT_EQ(page->rules.selectionPriorities[4].comboIndex, 1);
    EXPECT_EQ(page->comboBoxAt(4)->currentIndex(), 1);
    page->tappedComboBox(4, -1);
    EXPECT_EQ(page->rules.comboCaptureDate, 1);
}

TEST_F(SelectionWizardTest, PagesLookFinished)
{
    presenter->resize(1280, 720);
    open();
    const QString out = qEnvironmentVariable("TWINSIFT_SHOT_DIR");
    const char *names[] = {"wizard-rules.png", "wizard-formats.png", "wizard-folders.png"};
    for (int k = 0; k < 3; ++k) {
        if (k == 1)
            wizard->showFileFormatsPage();
        if (k == 2)
            wizard->showFoldersPage();
        flushEvents();
        if (!out.isEmpty())
            wizard->window()->grab().save(out + "/" + names[k]);
        WizardPage *page = wizard->page(k);
        EXPECT_TRUE(page->rect().contains(page->boxMark->geometry().translated(page->boxMark->parentWidget()->pos())));
    }
    EXPECT_LE(wizard->window()->width(), 1280);
    EXPECT_LE(wizard->window()->height(), 720);
}

// Each page's table is one Tab stop, so a few presses reach the page's buttons; inside the rules
// table the arrows move the current row, Space ticks its rule and Return opens its direction list.
TEST_F(SelectionWizardTest, TabLeavesEachTableAndTheKeysWorkInside)
{
    open();
    QWidget *sheet = wizard->window();
    sheet->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet));
    auto press = [sheet](int key) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : sheet, Qt::Key(key));
    };
    auto tabTo = [&](QWidget *target) {
        for (int i = 0; i < 12 && QApplication::focusWidget() != target; ++i)
            press(Qt::Key_Tab);
        return QApplication::focusWidget() == target;
    };
    SelectionPriorityPreferencesVC *page = rulesPage();
    ASSERT_TRUE(tabTo(page->tableView));
    ASSERT_TRUE(waitFor([&] { return page->tableView->selectedRow() == 0; })); // the current row shows
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(page->tableView->selectedRow(), 2);
    press(Qt::Key_Space);
    EXPECT_FALSE(page->rules.selectionPriorities[2].isUse);
    EXPECT_FALSE(page->checkBoxAt(2)->isChecked());
    // Row 4 holds the capture-date rule and its two directions.
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    QComboBox *combo = page->comboBoxAt(4);
    ASSERT_TRUE(combo);
    ASSERT_TRUE(waitFor([&] { return combo->view()->isVisible(); }));
    QTest::keyClick(combo->view(), Qt::Key_Down);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    EXPECT_EQ(page->rules.selectionPriorities[4].comboIndex, 1);
    EXPECT_EQ(QApplication::focusWidget(), page->tableView);
    for (QWidget *next :
         std::initializer_list<QWidget *>{page->btnReset, page->btnUp, page->btnDown, page->btnCancel, page->btnMark}) {
        press(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << qPrintable(next->objectName());
    }

    // The formats and folders tables: one Tab in, one Tab out to Reset.
    wizard->showFileFormatsPage();
    ASSERT_TRUE(tabTo(wizard->page(1)->tableView));
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), wizard->page(1)->btnReset);
    wizard->showFoldersPage();
    ASSERT_TRUE(tabTo(wizard->page(2)->tableView));
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), wizard->page(2)->btnReset);
}
