// The home screen by keyboard: Tab reaches the add areas, the scan list and each row's tick and
// remove button; Space ticks, Delete removes the selected row; Escape closes the About screen and
// every other overlay or sheet that has a close or Cancel button, as that button does; the
// flat button shows where the keyboard focus is.
#include "screens/home/AddFilesVC.h"
#include "screens/home/SimilarMatchesVC.h"
#include "controls/CustomSliderCellWithTickMarks.h"
#include "support/FocusChecks.h"
#include "screens/shell/CustomAnimator.h"
#include "screens/results/AfterDeleteStatusVC.h"
#include "screens/results/NoSimilarDuplicatePhotosFoundVC.h"
#include "screens/sheet/AfterMoveInPhotoLibraryVC.h"
#include "screens/sheet/CancelScanningVC.h"
#include "screens/welcome/AboutVC.h"
#include "platform/widgets/SheetPresenter.h"
#include "controls/AddFilesTableCell.h"
#include "controls/MyNSTableRowView.h"
#include "controls/SYFlatButton.h"
#include "controls/TableScrollView.h"
#include "support/ShellFixtures.h"

#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest/QTest>

class KeyboardUseTest : public HomeScreenTest
{
protected:
    AddFilesTableCell *cell(int row)
    {
        AddFilesVC *list = addFilesVC();
        auto *rowView =
            qobject_cast<MyNSTableRowView *>(list->tableView->indexWidget(list->tableView->model()->index(row, 0)));
        return rowView ? rowView->findChild<AddFilesTableCell *>() : nullptr;
    }

    void listTwoFolders()
    {
        QDir(tempPath("")).mkpath("A");
        QDir(tempPath("")).mkpath("B");
        setScanList({InitialDirectory(QUrl::fromLocalFile(tempPath("A"))),
                     InitialDirectory(QUrl::fromLocalFile(tempPath("B")))});
        addFilesVC()->reloadTable();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
};

TEST_F(KeyboardUseTest, TabReachesTheAddAreasTheListAndEachRowsControls)
{
    listTwoFolders();
    AddFilesVC *list = addFilesVC();
    list->addPhotos->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(list->addPhotos->hasFocus());
    std::vector<QWidget *> expected = {list->btnAddFolder,   list->addPhotosLibrary, list->tableView,
                                       cell(0)->checkButton, cell(0)->btnDelete,     cell(1)->checkButton,
                                       cell(1)->btnDelete};
    for (QWidget *next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << qPrintable(next->objectName());
    }

    // Space on a focused tick unticks the row.
    cell(1)->checkButton->setFocus(Qt::TabFocusReason);
    QTest::keyClick(cell(1)->checkButton, Qt::Key_Space);
    EXPECT_FALSE(HubScreens::scanList()[1].isChecked);
}

TEST_F(KeyboardUseTest, SpaceTicksAndDeleteRemovesTheSelectedRow)
{
    listTwoFolders();
    AddFilesVC *list = addFilesVC();
    list->tableView->setFocus(Qt::TabFocusReason);
    list->tableView->selectRow(0);
    QTest::keyClick(list->tableView, Qt::Key_Space);
    EXPECT_FALSE(HubScreens::scanList()[0].isChecked);
    EXPECT_FALSE(cell(0)->checkButton->isChecked());
    QTest::keyClick(list->tableView, Qt::Key_Space);
    EXPECT_TRUE(HubScreens::scanList()[0].isChecked);

    QTest::keyClick(list->tableView, Qt::Key_Delete);
    ASSERT_EQ(HubScreens::scanList().size(), 1u);
    EXPECT_EQ(HubScreens::scanList()[0].url, QUrl::fromLocalFile(tempPath("B")));
    // The next row is selected, so Delete can go on.
    QTest::keyClick(list->tableView, Qt::Key_Delete);
    EXPECT_TRUE(HubScreens::scanList().empty());
}

TEST_F(KeyboardUseTest, EscapeClosesTheAboutScreen)
{
    home->presentOverlay(true, aboutVC());
    ASSERT_TRUE(waitFor([&] { return aboutVC()->geometry() == CustomAnimator::finalGeometry(aboutVC(), home); }));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Escape);
    ASSERT_TRUE(waitFor([] { return !platform::UserDefaults::standard().boolForKey("IsPopUpTWK"); }));
    ASSERT_TRUE(waitFor([&] { return aboutVC()->parentWidget() != home || !aboutVC()->isVisible(); }));
}

TEST_F(KeyboardUseTest, EscapeClosesEachOverlayAndSheetAsItsCloseButtonWould)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    // Each overlay with the button that closes it: Back, Close, and the summary's way back.
    struct Overlay {
        QWidget *view;
        QAbstractButton *close;
        std::function<void()> present;
    };
    const std::vector<Overlay> overlays = {
        {noSimilarDuplicatePhotosFoundVC(), noSimilarDuplicatePhotosFoundVC()->btnBack,
         [&] { home->noSimilarPhotosFound(); }},
        {afterMoveInPhotoLibraryVC(), afterMoveInPhotoLibraryVC()->btnClose, [&] { home->afterMoveInPhotoLibrary(); }},
        {afterDeleteStatusVC(), afterDeleteStatusVC()->btnFinalOutput, [&] { home->presentAfterDeleteView(); }},
    };
    for (const Overlay &overlay : overlays) {
        QWidget *view = overlay.view;
        QAbstractButton *close = overlay.close;
        const auto &present = overlay.present;
        const std::string name = view->objectName().toStdString();
        present();
        ASSERT_TRUE(waitFor([&] { return view->geometry() == CustomAnimator::finalGeometry(view, home); })) << name;
        ASSERT_TRUE(close->isVisible()) << name;
        QSignalSpy clicked(close, &QAbstractButton::clicked);
        QTest::keyClick(window, Qt::Key_Escape);
        EXPECT_EQ(clicked.count(), 1) << name;
        EXPECT_TRUE(waitFor([&] { return view->parentWidget() != home || !view->isVisible(); })) << name;
        EXPECT_TRUE(waitFor([] { return !platform::UserDefaults::standard().boolForKey("IsPopUpTWK"); })) << name;
    }

    // The stop question, a sheet: Escape answers No and the question goes.
    CancelScanningVC *question = cancelScanningVC();
    QDialog *sheet = platform::SheetPresenter::presentAsSheet(question, window);
    ASSERT_TRUE(sheet && QTest::qWaitForWindowExposed(sheet));
    QSignalSpy answeredNo(question->btnNo, &QAbstractButton::clicked);
    QTest::keyClick(sheet->focusWidget() ? sheet->focusWidget() : sheet, Qt::Key_Escape);
    EXPECT_EQ(answeredNo.count(), 1);
    EXPECT_FALSE(platform::SheetPresenter::isPresented(question));

    // A sheet without a close or Cancel button stays.
    QWidget plain;
    plain.resize(200, 100);
    QDialog *stays = platform::SheetPresenter::presentAsSheet(&plain, window);
    ASSERT_TRUE(stays && QTest::qWaitForWindowExposed(stays));
    QTest::keyClick(stays, Qt::Key_Escape);
    EXPECT_TRUE(platform::SheetPresenter::isPresented(&plain));
    platform::SheetPresenter::dismissSheet(&plain);
}

TEST_F(KeyboardUseTest, TheFlatButtonDrawsAFocusRingForKeyboardFocusOnly)
{
    SYFlatButton button;
    button.setTitle("Scan");
    button.setBackgroundNormalColor(QColor(9, 171, 9));
    button.resize(160, 44);
    button.setFocusPolicy(Qt::StrongFocus);
    button.show();
    button.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&button));
    const QImage plain = button.grab().toImage();
    button.setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(button.hasFocus());
    const QImage focused = button.grab().toImage();
    EXPECT_NE(plain, focused);
    // The ring runs along the edge: the middle of the left edge turns gold.
    const QColor edge = focused.pixelColor(QPoint(int(focused.devicePixelRatio()), focused.height() / 2));
    EXPECT_GT(edge.red(), 150);
    EXPECT_LT(edge.blue(), 100);
    button.clearFocus();
    button.setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(button.grab().toImage(), plain);
}

// Every stop of the home screen's Tab chain, in the similar mode with its sliders, shows where the
// focus is.
TEST_F(KeyboardUseTest, EveryTabStopOfTheHomeScreenShowsItsFocus)
{
    listTwoFolders();
    home->tappedSimilarMatches();
    QApplication::processEvents();
    std::string chain;
    const std::vector<focuschecks::TabStop> stops = focuschecks::walkTabChain(addFilesVC()->addPhotos);
    for (const auto &stop : stops)
        chain += stop.name + (stop.showsFocus ? " " : "(no focus) ");
    SCOPED_TRACE("Tab chain: " + chain);
    for (const auto &stop : stops)
        EXPECT_TRUE(stop.showsFocus) << stop.name << " shows no focus";
    EXPECT_GE(focuschecks::indexOf(stops, qobject_cast<SimilarMatchesVC *>(similarMatchesVC())->sliderGPS), 0);
    EXPECT_GE(focuschecks::indexOf(stops, home->btnExactMatch), 0);
}
