// The overlay slide: where a shown view starts and ends, and how it leaves.
#include "screens/shell/CustomAnimator.h"
#include "support/ShellFixtures.h"

#include <QPointer>

using CustomAnimatorTest = ShellTest;

TEST_F(CustomAnimatorTest, PresentationDropsInFromTheTopAndFadesIn)
{
    // The shared animator comes with the home screen, none of which is loaded here.
    EXPECT_FALSE(sharedAnimator);
    QWidget base;
    base.resize(800, 600);
    base.show();
    CustomAnimator animator(0.05, base.rect());
    auto *shown = new QWidget;
    QPointer<QWidget> guard(shown);

    animator.animatePresentation(shown, &base);
    // The shown view's bottom edge starts 50 pixels below the base view's top edge, transparent.
    EXPECT_EQ(shown->parentWidget(), &base);
    EXPECT_EQ(shown->geometry(), QRect(0, 50 - 600, 800, 600));
    EXPECT_DOUBLE_EQ(CustomAnimator::alphaValue(shown), 0.0);
    EXPECT_TRUE(animator.isPresented(shown));

    ASSERT_TRUE(waitFor([&] { return shown->geometry() == base.rect() && CustomAnimator::alphaValue(shown) == 1.0; }));
    // From then on it follows the base view's size.
    base.resize(900, 650);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown->geometry(), base.rect());

    animator.animateDismissal(shown, &base);
    EXPECT_FALSE(animator.isPresented(shown));
    ASSERT_TRUE(waitFor([&] { return shown->parentWidget() == nullptr; }));
    EXPECT_DOUBLE_EQ(CustomAnimator::alphaValue(shown), 1.0);
    EXPECT_FALSE(shown->isVisible());

    // Presenting again repeats the whole slide.
    animator.animatePresentation(shown, &base);
    EXPECT_EQ(shown->parentWidget(), &base);
    EXPECT_DOUBLE_EQ(CustomAnimator::alphaValue(shown), 0.0);
    ASSERT_TRUE(waitFor([&] { return shown->geometry() == base.rect(); }));
    delete shown;
}

TEST_F(CustomAnimatorTest, AFixedSizeScreenEndsCentredOverTheBase)
{
    QWidget base;
    base.resize(800, 600);
    CustomAnimator animator(0.01, base.rect());
    QWidget shown;
    shown.setFixedSize(400, 200);
    animator.animatePresentation(&shown, &base);
    ASSERT_TRUE(waitFor([&] { return !shown.findChild<QObject *>("overlaySlide"); }));
    EXPECT_EQ(shown.geometry(), QRect(200, 200, 400, 200));
    shown.setParent(nullptr);
}
