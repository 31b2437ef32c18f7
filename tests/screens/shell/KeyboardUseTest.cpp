// The home screen by keyboard: Tab reaches the add areas and the scan list, one stop however long
// it is, whose current row the arrows move, Space ticks and Delete removes; Escape closes the
// About screen and every other overlay or sheet that has a close or Cancel button, as that button
// does; the flat button shows where the keyboard focus is.
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
        MyNSTableRowView *view = rowView(row);
        return view ? view->findChild<AddFilesTableCell *>() : nullptr;
    }

    MyNSTableRowView *rowView(int row)
    {
        AddFilesVC *list = addFilesVC();
        return qobject_cast<MyNSTableRowView *>(list->tableView->indexWidget(list->tableView->model()->index(row, 0)));
    }

    QUrl folder(int i) const { return QUrl::fromLocalFile(tempPath(QStringLiteral("f%1").arg(i, 2, 10, QChar('0')))); }

    // Folders f00, f01, ... in the scan list of the shown, active window.
    void listFolders(int count)
    {
        std::vector<InitialDirectory> entries;
        for (int i = 0; i < count; ++i) {
            QDir().mkpath(folder(i).toLocalFile());
            entries.emplace_back(folder(i));
        }
        setScanList(entries);
        addFilesVC()->reloadTable();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
};

// However long the list, it is one Tab stop: the arrows move its current row (whose widgets are
// made as it comes near the view), Space ticks it and Delete removes it.
TEST_F(KeyboardUseTest, TheScanListIsOneTabStopWalkedByTheArrows)
{
    listFolders(99);
    AddFilesVC *list = addFilesVC();
    // From wherever the window starts, Tab comes to the list right after the three add areas.
    std::vector<QWidget *> before;
    for (int i = 0; i < 20 && QApplication::focusWidget() != list->tableView; ++i) {
        before.push_back(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Tab);
    }
    ASSERT_EQ(QApplication::focusWidget(), list->tableView);
    ASSERT_GE(before.size(), 3u);
    EXPECT_EQ(std::vector<QWidget *>(before.end() - 3, before.end()),
              (std::vector<QWidget *>{list->addPhotos, list->btnAddFolder, list->addPhotosLibrary}));
    ASSERT_TRUE(waitFor([&] { return cell(0) && rowView(0)->isSelected(); })); // the current row shows

    for (int i = 0; i < 70; ++i)
        QTest::keyClick(list->tableView, Qt::Key_Down);
    EXPECT_EQ(list->tableView->currentIndex().row(), 70);
    ASSERT_TRUE(waitFor([&] { return cell(70) && rowView(70)->isSelected(); }));
    EXPECT_EQ(cell(0), nullptr); // rows far from the view have no widgets
    if (const QString shots = qEnvironmentVariable("TWINSIFT_SHOT_DIR"); !shots.isEmpty() && QDir().mkpath(shots))
        window->grab().save(QDir(shots).filePath("home-scan-list-keyboard.png"));
    QTest::keyClick(list->tableView, Qt::Key_Space);
    EXPECT_FALSE(HubScreens::scanList()[70].isChecked);
    EXPECT_FALSE(cell(70)->checkButton->isChecked());
    QTest::keyClick(list->tableView, Qt::Key_Up);
    QTest::keyClick(list->tableView, Qt::Key_Delete);
    ASSERT_EQ(HubScreens::scanList().size(), 98u);
    EXPECT_EQ(HubScreens::scanList()[69].url, folder(70)); // the unticked one moved up into the place
    EXPECT_EQ(list->tableView->currentIndex().row(), 69);
    QTest::keyClick(list->tableView, Qt::Key_Space);
    EXPECT_TRUE(HubScreens::scanList()[69].isChecked);
    // Delete on the last row goes on with the row before it.
    QTest::keyClick(list->tableView, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(list->tableView, Qt::Key_Delete);
    EXPECT_EQ(list->tableView->currentIndex().row(), 96);
    EXPECT_EQ(QApplication::focusWidget(), list->tableView);

    // One Tab leaves the list.
    QTest::keyClick(list->tableView, Qt::Key_Tab);
    QWidget *after = QApplication::focusWidget();
    ASSERT_TRUE(after);
    EXPECT_TRUE(after != list->tableView && !list->tableView->isAncestorOf(after)) << focuschecks::nameOf(after);
}

// A row removed with its button leaves the focus in the list, on the row now in that place (the
// one before when it was the last), never on the next control, whose arrows would change a
// setting; the last row gone, the focus goes to the add areas.
TEST_F(KeyboardUseTest, RemovingARowWithItsButtonKeepsTheFocusInTheList)
{
    listFolders(3);
    home->tappedSimilarMatches();
    AddFilesVC *list = addFilesVC();
    auto clickRemove = [&](int row) {
        ASSERT_TRUE(waitFor([&] { return cell(row) && cell(row)->btnDelete->isVisible(); }));
        QTest::mouseClick(cell(row)->btnDelete, Qt::LeftButton);
    };
    clickRemove(1);
    EXPECT_EQ(QApplication::focusWidget(), list->tableView);
    EXPECT_EQ(list->tableView->currentIndex().row(), 1);
    EXPECT_EQ(HubScreens::scanList()[1].url, folder(2));
    // The arrows go on in the list.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_EQ(list->tableView->currentIndex().row(), 0);
    clickRemove(1);
    EXPECT_EQ(QApplication::focusWidget(), list->tableView);
    EXPECT_EQ(list->tableView->currentIndex().row(), 0);
    clickRemove(0);
    EXPECT_TRUE(HubScreens::scanList().empty());
    EXPECT_EQ(QApplication::focusWidget(), list->btnAddFolder);
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
    listFolders(2);
    home->tappedSimilarMatches();
    QApplication::processEvents();
    std::string chain;
    const std::vector<focuschecks::TabStop> stops = focuschecks::walkTabChain(addFilesVC()->addPhotos);
    for (const auto &stop : stops)
        chain += stop.name + (stop.showsFocus ? " " : "(no focus) ");
    SCOPED_TRACE("Tab chain: " + chain);
    for (const auto &stop : stops) {
        EXPECT_TRUE(stop.showsFocus) << stop.name << " shows no focus";
        EXPECT_TRUE(stop.widget == addFilesVC()->tableView || !addFilesVC()->tableView->isAncestorOf(stop.widget))
            << stop.name << " is inside the list";
    }
    EXPECT_GE(focuschecks::indexOf(stops, addFilesVC()->tableView), 0);
    EXPECT_GE(focuschecks::indexOf(stops, qobject_cast<SimilarMatchesVC *>(similarMatchesVC())->sliderGPS), 0);
    EXPECT_GE(focuschecks::indexOf(stops, home->btnExactMatch), 0);
}
