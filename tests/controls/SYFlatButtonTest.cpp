#include "controls/SYFlatButton.h"
#include "platform/NotificationCenter.h"
#include "platform/widgets/Sound.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QObject>
#include <gtest/gtest.h>

#include <memory>

namespace {

SYFlatButtonLayout layoutFor(int position, bool hug)
{
    SYFlatButtonLayout l;
    l.width = 200;
    l.height = 100;
    l.imageWidth = 20;
    l.imageHeight = 10;
    l.titleWidth = 60;
    l.titleHeight = 16;
    l.spacing = 5;
    l.imageHugsTitle = hug;
    l.position = position;
    return l;
}

void sendMouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

void press(QWidget *w)
{
    sendMouse(w, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
}
void release(QWidget *w, QPoint pos = QPoint(5, 5))
{
    sendMouse(w, QEvent::MouseButtonRelease, pos, Qt::NoButton);
}
void enter(QWidget *w)
{
    QEnterEvent event(QPointF(5, 5), QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(w, &event);
}
void leave(QWidget *w)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(w, &event);
}

} // namespace

TEST(SYFlatButtonLayoutTest, ImageOriginFollowsThePositionTable)
{
    // W 200, H 100, iw 20, ih 10, tw 60, th 16, s 5.
    EXPECT_EQ(layoutFor(1, false).imageOrigin(), QPoint(90, 45));
    EXPECT_EQ(layoutFor(6, true).imageOrigin(), QPoint(90, 45));
    EXPECT_EQ(layoutFor(2, false).imageOrigin(), QPoint(5, 45));
    EXPECT_EQ(layoutFor(2, true).imageOrigin(), QPoint(55, 45)); // (200-20-60)/2 - 5
    EXPECT_EQ(layoutFor(7, true).imageOrigin(), QPoint(55, 45));
    EXPECT_EQ(layoutFor(3, false).imageOrigin(), QPoint(175, 45)); // 200-20-5
    EXPECT_EQ(layoutFor(8, true).imageOrigin(), QPoint(125, 45));  // (200-20+60)/2 + 5
    EXPECT_EQ(layoutFor(4, false).imageOrigin(), QPoint(90, 85));  // 100-10-5
    EXPECT_EQ(layoutFor(4, true).imageOrigin(), QPoint(90, 58));   // (100-10+16)/2 + 5
    EXPECT_EQ(layoutFor(5, false).imageOrigin(), QPoint(90, 5));
    EXPECT_EQ(layoutFor(5, true).imageOrigin(), QPoint(90, 32)); // (100-10-16)/2 - 5
    EXPECT_EQ(layoutFor(9, true).imageOrigin(), QPoint(0, 0));
}

TEST(SYFlatButtonLayoutTest, TitleOriginFollowsThePositionTable)
{
    EXPECT_EQ(layoutFor(0, false).titleOrigin(), QPoint(70, 42));
    EXPECT_EQ(layoutFor(2, false).titleOrigin(), QPoint(135, 42)); // 200-60-5
    EXPECT_EQ(layoutFor(2, true).titleOrigin(), QPoint(85, 42));   // (200+20-60)/2 + 5
    EXPECT_EQ(layoutFor(3, false).titleOrigin(), QPoint(5, 42));
    EXPECT_EQ(layoutFor(3, true).titleOrigin(), QPoint(55, 42)); // (200-20-60)/2 - 5
    EXPECT_EQ(layoutFor(4, false).titleOrigin(), QPoint(70, 5));
    EXPECT_EQ(layoutFor(4, true).titleOrigin(), QPoint(70, 32));  // (100-10-16)/2 - 5
    EXPECT_EQ(layoutFor(5, false).titleOrigin(), QPoint(70, 79)); // 100-16-5
    EXPECT_EQ(layoutFor(5, true).titleOrigin(), QPoint(70, 52));  // (100+10-16)/2 + 5
    EXPECT_EQ(layoutFor(1, false).titleOrigin(), QPoint(0, 0));
}

TEST(SYFlatButtonLayoutTest, PositionsZeroAndOneDropImageOrTitle)
{
    EXPECT_FALSE(layoutFor(0, false).showsImage(true));
    EXPECT_TRUE(layoutFor(0, false).showsTitle(true));
    EXPECT_TRUE(layoutFor(1, false).showsImage(true));
    EXPECT_FALSE(layoutFor(1, false).showsTitle(true));
    EXPECT_FALSE(layoutFor(2, false).showsImage(false));
    SYFlatButtonLayout l = layoutFor(0, false);
    l.titleWidth = 10.2;
    l.titleHeight = 14.01;
    EXPECT_EQ(l.titleSize(), QSize(11, 15));
}

class SYFlatButtonTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        button = std::make_unique<SYFlatButton>(QStringLiteral("OK"));
        button->resize(80, 30);
        button->setBackgroundNormalColor(QColor(40, 40, 40));
        button->setBackgroundHighlightColor(QColor(9, 171, 9));
        QObject::connect(button.get(), &SYFlatButton::action, [this](SYFlatButton *) { ++actions; });
    }
    void TearDown() override { platform::NotificationCenter::defaultCenter().removeObserver(&owner); }

    std::unique_ptr<SYFlatButton> button;
    int actions = 0;
    QObject owner;
};

TEST_F(SYFlatButtonTest, MomentaryClickFlashesAndSendsOnRelease)
{
    button->setMomentary(true);
    press(button.get());
    EXPECT_EQ(button->state(), 1);
    EXPECT_TRUE(button->mouseDown());
    EXPECT_EQ(button->currentColor(SYFlatButton::ColorSlot::Background), QColor(9, 171, 9));
    EXPECT_EQ(actions, 0);
    release(button.get());
    EXPECT_EQ(button->state(), 0);
    EXPECT_FALSE(button->mouseDown());
    EXPECT_EQ(button->currentColor(SYFlatButton::ColorSlot::Background), QColor(40, 40, 40));
    EXPECT_EQ(actions, 1);
}

TEST_F(SYFlatButtonTest, ToggleButtonKeepsItsStateUntilClickedAgain)
{
    press(button.get());
    release(button.get());
    EXPECT_EQ(button->state(), 1);
    EXPECT_EQ(button->currentColor(SYFlatButton::ColorSlot::Background), QColor(9, 171, 9));
    press(button.get());
    release(button.get());
    EXPECT_EQ(button->state(), 0);
    EXPECT_EQ(actions, 2);
}

TEST_F(SYFlatButtonTest, LeavingDuringAPressSendsNothingAndEndsOff)
{
    button->setMomentary(true);
    press(button.get());
    sendMouse(button.get(), QEvent::MouseMove, QPoint(200, 5), Qt::LeftButton);
    release(button.get(), QPoint(200, 5));
    leave(button.get());
    EXPECT_EQ(actions, 0);
    EXPECT_EQ(button->state(), 0);
    EXPECT_FALSE(button->mouseDown());

    // A release without a press does nothing either.
    release(button.get());
    EXPECT_EQ(actions, 0);
}

TEST_F(SYFlatButtonTest, DisabledButtonIgnoresClicksAndIsDimmedWhenMadeDisabled)
{
    QWidget parent;
    parent.setEnabled(false);
    SYFlatButton dimmed(&parent);
    EXPECT_DOUBLE_EQ(dimmed.alphaValue(), 0.5);
    EXPECT_DOUBLE_EQ(button->alphaValue(), 1.0);

    button->setEnabled(false);
    EXPECT_DOUBLE_EQ(button->alphaValue(), 1.0); // only the construction sets the alpha
    press(button.get());
    release(button.get());
    EXPECT_EQ(button->state(), 0);
    EXPECT_EQ(actions, 0);
}

TEST_F(SYFlatButtonTest, SettingTheColourItAlreadyHasStartsNoAnimation)
{
    button->setOffAnimateDuration(0.2);
    const int before = button->animationsStarted();
    button->setBackgroundNormalColor(QColor(40, 40, 40));
    EXPECT_EQ(button->animationsStarted(), before);
    button->setBackgroundNormalColor(QColor(50, 50, 50));
    EXPECT_EQ(button->animationsStarted(), before + 1);
    EXPECT_TRUE(button->isAnimating(SYFlatButton::ColorSlot::Background));
    EXPECT_EQ(button->currentColor(SYFlatButton::ColorSlot::Background), QColor(50, 50, 50));
    button->removeAllAnimations();
    EXPECT_FALSE(button->isAnimating(SYFlatButton::ColorSlot::Background));
}

TEST_F(SYFlatButtonTest, HoverNotificationsCarrySectionAndRowAsText)
{
    QList<platform::Notification> seen;
    auto &center = platform::NotificationCenter::defaultCenter();
    for (const char *name : {"kMouseHoverEnterThumbnail", "kMouseHoverExitThumbnail", "kMouseHoverDownThumbnail"})
        center.addObserver(&owner, QString::fromLatin1(name),
                           [&seen](const platform::Notification &n) { seen.append(n); });

    enter(button.get());
    leave(button.get());
    EXPECT_TRUE(seen.isEmpty()); // only a tracking button reports hover

    button->setIsCollectionViewItemTracking(true);
    button->setSection(3);
    button->setRow(12);
    enter(button.get());
    sendMouse(button.get(), QEvent::MouseButtonDblClick, QPoint(5, 5), Qt::LeftButton);
    leave(button.get());
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen[0].name, QStringLiteral("kMouseHoverEnterThumbnail"));
    EXPECT_EQ(seen[1].name, QStringLiteral("kMouseHoverDownThumbnail"));
    EXPECT_EQ(seen[2].name, QStringLiteral("kMouseHoverExitThumbnail"));
    const QVariantMap expected{{QStringLiteral("section"), QStringLiteral("3")},
                               {QStringLiteral("row"), QStringLiteral("12")}};
    EXPECT_EQ(seen[0].userInfo, expected);
    EXPECT_EQ(seen[0].userInfo.value("section").typeId(), QMetaType::QString);
    // Leaving after the double-click press ends off, without an action.
    EXPECT_EQ(button->state(), 0);
    EXPECT_EQ(actions, 0);
}

TEST_F(SYFlatButtonTest, DraggingOutAndBackReportsBothCrossingsAndTheLaterLeave)
{
    QStringList seen;
    auto &center = platform::NotificationCenter::defaultCenter();
    for (const char *name : {"kMouseHoverEnterThumbnail", "kMouseHoverExitThumbnail"})
        center.addObserver(&owner, QString::fromLatin1(name),
                           [&seen](const platform::Notification &n) { seen.append(n.name); });
    button->setIsCollectionViewItemTracking(true);
    enter(button.get());
    press(button.get());
    sendMouse(button.get(), QEvent::MouseMove, QPoint(200, 5), Qt::LeftButton);
    sendMouse(button.get(), QEvent::MouseMove, QPoint(6, 6), Qt::LeftButton);
    release(button.get(), QPoint(6, 6));
    EXPECT_EQ(actions, 0); // the press ended when the pointer left
    EXPECT_EQ(button->state(), 0);
    // The pointer leaves the button after the release inside: the exit is reported.
    leave(button.get());
    EXPECT_EQ(seen,
              (QStringList{"kMouseHoverEnterThumbnail", "kMouseHoverExitThumbnail", "kMouseHoverEnterThumbnail",
                           "kMouseHoverExitThumbnail"}));
}

TEST_F(SYFlatButtonTest, LayoutFollowsImageAndTitle)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::black);
    button->setImage(image);
    button->setImagePosition(SYImagePosition::ImageLeft);
    button->setSpacing(4);
    EXPECT_EQ(button->imageFrame(), QRect(QPoint(4, 7), QSize(16, 16)));
    EXPECT_FALSE(button->titleFrame().isNull());
    EXPECT_NEAR(button->titleFrame().right() + 1, 80 - 4, 1);
    button->setImagePosition(SYImagePosition::ImageOnly);
    EXPECT_TRUE(button->titleFrame().isNull());
    button->setImagePosition(SYImagePosition::NoImage);
    EXPECT_TRUE(button->imageFrame().isNull());
    const QImage shot = button->grab().toImage();
    EXPECT_FALSE(shot.isNull());
}

TEST_F(SYFlatButtonTest, PressPlaysTheButtonSoundWhenEnabled)
{
    SYFlatButton &button = *this->button;
    // No sound: pressing works as before.
    press(&button);
    release(&button);
    EXPECT_EQ(button.sound(), nullptr);
    EXPECT_EQ(actions, 1);

    auto *sound = new platform::Sound(QUrl(QStringLiteral("qrc:/no-such-sound.wav")), &button);
    button.setSound(sound);
    press(&button);
    EXPECT_EQ(sound->playRequests(), 1);
    release(&button);
    EXPECT_EQ(sound->playRequests(), 1); // only the press plays it

    button.setEnabled(false);
    press(&button);
    EXPECT_EQ(sound->playRequests(), 1);

    // A sound destroyed elsewhere is simply gone.
    button.setEnabled(true);
    delete sound;
    EXPECT_EQ(button.sound(), nullptr);
    press(&button);
    release(&button);
    EXPECT_EQ(actions, 3);
}
