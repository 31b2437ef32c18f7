#include "model/ModuleState.h"
#include "platform/widgets/Alerts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct SeenAlert {
    bool found = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    QString informative;
    Qt::TextFormat format = Qt::AutoText;
    QStringList buttons;
    bool frameless = false;
    bool pictured = false;
    QColor defaultFace;
};

// Once the alert is up, records what it shows and presses its button (or closes it with Escape).
void answerAlert(SeenAlert *seen, bool pressButton)
{
    QTimer::singleShot(0, [seen, pressButton] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            answerAlert(seen, pressButton);
            return;
        }
        seen->found = true;
        seen->icon = box->icon();
        seen->text = box->text();
        seen->informative = box->informativeText();
        seen->format = box->textFormat();
        for (QAbstractButton *button : box->buttons())
            seen->buttons << button->text();
        seen->frameless = box->windowFlags().testFlag(Qt::FramelessWindowHint);
        seen->pictured = !box->iconPixmap().isNull();
        if (QWidget *ok = box->defaultButton()) {
            const QImage face = ok->grab().toImage();
            seen->defaultFace = face.pixelColor(int(8 * face.devicePixelRatio()), face.height() / 2);
        }
        if (pressButton && !box->buttons().isEmpty())
            box->buttons().first()->click();
        else {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(box, &escape);
        }
    });
}

// Once an alert is up, presses `key` on it; an alert the key leaves up fails the test and is closed.
void pressOnceUp(int key)
{
    QTimer::singleShot(0, [key] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            pressOnceUp(key);
            return;
        }
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : box, Qt::Key(key));
        if (box->isVisible()) {
            ADD_FAILURE() << "the key " << key << " left the alert up";
            box->done(0);
        }
    });
}

class AlertsTest : public ::testing::Test
{
protected:
    void SetUp() override { m_saved = localizationTable; }
    void TearDown() override { localizationTable = m_saved; }

private:
    std::optional<QVariantMap> m_saved;
};

} // namespace

TEST_F(AlertsTest, ShowsAPlainTextWarningWithOneButton)
{
    localizationTable = QVariantMap{{"IDS_TWK_194", "OK"}};
    SeenAlert seen;
    answerAlert(&seen, true);
    EXPECT_TRUE(showAlert("Cannot move <b>photo</b>", "Check the folder's permissions."));
    ASSERT_TRUE(seen.found);
    // In the program's look: no desktop frame, the program's picture instead of a stock icon, the
    // one button the green default.
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_TRUE(seen.pictured);
    EXPECT_TRUE(seen.frameless);
    EXPECT_EQ(seen.defaultFace, QColor(9, 171, 9));
    EXPECT_EQ(seen.text, "Cannot move <b>photo</b>");
    EXPECT_EQ(seen.informative, "Check the folder's permissions.");
    EXPECT_EQ(seen.format, Qt::PlainText);
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
}

TEST_F(AlertsTest, WithoutLanguageTableTheButtonIsEmptyAndStillAnswers)
{
    localizationTable.reset();
    SeenAlert seen;
    answerAlert(&seen, true);
    EXPECT_TRUE(showAlert("Message", "Details"));
    EXPECT_EQ(seen.buttons, QStringList{""});

    // Closing it with Escape counts as the one button too.
    SeenAlert escaped;
    answerAlert(&escaped, false);
    EXPECT_TRUE(showAlert("Message", "Details"));
    EXPECT_TRUE(escaped.found);
}

TEST(PinToContainer, ChildFollowsTheContainerSize)
{
    QWidget container;
    container.resize(300, 200);
    auto *child = new QLabel("content", &container);
    pinToContainer(child, &container);
    container.show();
    QApplication::processEvents();
    EXPECT_EQ(child->geometry(), container.rect());

    container.resize(520, 410);
    QApplication::processEvents();
    EXPECT_EQ(child->geometry(), QRect(0, 0, 520, 410));
}

TEST(PinToContainer, WorksBesideAContainerLayoutOfItsOwn)
{
    QWidget container;
    auto *layout = new QVBoxLayout(&container);
    layout->addWidget(new QLabel("row"));
    container.resize(240, 160);
    auto *overlay = new QWidget(&container);
    pinToContainer(overlay, &container);
    container.show();
    QApplication::processEvents();
    EXPECT_EQ(overlay->geometry(), container.rect());
    container.resize(400, 300);
    QApplication::processEvents();
    EXPECT_EQ(overlay->geometry(), QRect(0, 0, 400, 300));
}

// The keyboard answers an alert as the desktop's own: Enter presses the default button and Escape
// the one that cancels; Tab goes from button to button.
TEST_F(AlertsTest, EnterEscapeAndTabWorkAsOnTheDesktop)
{
    localizationTable = QVariantMap{{"IDS_TWK_268", "Yes"}, {"IDS_TWK_269", "No"}};
    for (const auto &[key, yes] :
         {std::pair{Qt::Key_Return, true}, std::pair{Qt::Key_Enter, true}, std::pair{Qt::Key_Escape, false}}) {
        pressOnceUp(key);
        EXPECT_EQ(askYesOrNo(nullptr, "question", "Message", "Details"), yes) << "key " << key;
    }

    QList<QAbstractButton *> buttons;
    std::unique_ptr<QMessageBox> box(makeAlert(nullptr, "tabbed", QMessageBox::Warning, "Title", "Message", "Details",
                                               {{"Yes", QMessageBox::YesRole}, {"No", QMessageBox::NoRole}}, &buttons));
    box->show();
    box->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(box.get()));
    ASSERT_EQ(QApplication::focusWidget(), buttons.at(0)); // the default button has the focus
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), buttons.at(1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), buttons.at(0));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), buttons.at(1));
    // Space presses the button that has the focus.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(box->clickedButton(), buttons.at(1));
}

// An alert that names long paths (one of them a word without room to break) stays inside the free
// area of the screen it opens on, its text wrapped and, where the screen is too low for it,
// scrolling; CTest runs this also on a 1280 x 720 screen at 150 % (853 x 480 points).
TEST_F(AlertsTest, ALongPathFitsASmallScreen)
{
    QString path;
    for (int i = 0; i < 24; ++i)
        path += QStringLiteral("/Folder_with_a_long_name_%1").arg(i);
    path += QStringLiteral("/IMG_0001.JPG");
    // As the deletion names the files it left: up to ten, each with its reason.
    QStringList lines{path + ": the file changed after the scan"};
    for (int i = 0; i < 9; ++i)
        lines << QStringLiteral("/home/someone/Pictures/2024/Holidays by the sea with the family/Day %1/IMG_%1.JPG: "
                                "the file changed after the scan")
                     .arg(1000 + i);
    lines << "and 3 more" << QString() << "Scan again to take in the files as they are now.";
    std::unique_ptr<QMessageBox> box(makeAlert(nullptr, "longPath", QMessageBox::Warning, "13 marked files were left",
                                               "13 marked files were left where they are.", lines.join('\n')));
    box->show();
    QCoreApplication::processEvents();
    const QRect frame = box->frameGeometry();
    const QRect free = box->screen()->availableGeometry();
    EXPECT_TRUE(free.contains(frame)) << frame.width() << "x" << frame.height() << " at " << frame.x() << ","
                                      << frame.y() << " on " << free.width() << "x" << free.height();
    const auto *details = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"));
    ASSERT_TRUE(details);
    auto inBox = [&box](const QWidget *part) {
        return part->isVisible() && box->rect().contains(QRect(part->mapTo(box.get(), QPoint(0, 0)), part->size()));
    };
    EXPECT_TRUE(inBox(box->defaultButton()));
    // The text is whole: inside the box, or in a scroll area inside it that reaches all of it.
    EXPECT_GE(details->height(), details->heightForWidth(details->width()));
    auto *scroller = qobject_cast<QScrollArea *>(details->parentWidget()->parentWidget());
    if (scroller) {
        EXPECT_TRUE(inBox(scroller->viewport()));
        EXPECT_EQ(scroller->verticalScrollBar()->maximum() + scroller->viewport()->height(), details->height());
    } else {
        EXPECT_TRUE(inBox(details));
    }
    if (const QString shots = qEnvironmentVariable("TWINSIFT_SHOT_DIR"); !shots.isEmpty())
        box->grab().save(shots + "/alert-long-path.png");
}
