#include "model/ModuleState.h"
#include "platform/widgets/Alerts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

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
