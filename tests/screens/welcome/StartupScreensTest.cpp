// The about and support screens, the splash and the help popover.
#include "screens/welcome/WelcomeFixtures.h"

#include "screens/welcome/AboutVC.h"
#include "screens/shell/CustomAnimator.h"
#include "screens/welcome/HelpPopover.h"
#include "screens/welcome/SplashVC.h"
#include "screens/welcome/SupportVC.h"
#include "screens/welcome/ToolTipsDetailsVC.h"
#include "controls/HyperlinkTextField.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPushButton>

using platform::NotificationCenter;

namespace {

class AboutScreen : public WelcomeTest
{
protected:
    void SetUp() override
    {
        WelcomeTest::SetUp();
        m_savedVersion = QCoreApplication::applicationVersion();
        QCoreApplication::setApplicationVersion("3.1.4-rc 2");
    }
    void TearDown() override
    {
        QCoreApplication::setApplicationVersion(m_savedVersion);
        WelcomeTest::TearDown();
    }

private:
    QString m_savedVersion;
};

void clickLabel(QWidget *label)
{
    const QPointF inside(2, 2);
    QMouseEvent press(QEvent::MouseButtonPress, inside, label->mapToGlobal(inside), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, label->mapToGlobal(inside), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(label, &press);
    QCoreApplication::sendEvent(label, &release);
}

void hover(QWidget *widget, bool enter)
{
    if (enter) {
        QEnterEvent event(QPointF(1, 1), QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)));
        QCoreApplication::sendEvent(widget, &event);
    } else {
        QEvent event(QEvent::Leave);
        QCoreApplication::sendEvent(widget, &event);
    }
}

} // namespace

TEST_F(AboutScreen, ShowsTextsAndTheVersionUnchanged)
{
    AboutVC about;
    EXPECT_EQ(about.lblVersion->text(), "3.1.4-rc 2");
    EXPECT_EQ(about.lblTitle->text(), localizedText("IDS_TWK_1"));
    EXPECT_EQ(about.lblEULA->text(), localizedText("IDS_TWK_188"));
    EXPECT_FALSE(about.lblWarningThisComputerProgramIsProtected->text().isEmpty());
    EXPECT_FALSE(about.imgView->pixmap().isNull());
    EXPECT_TRUE(about.lblEULA->isEULA);
    EXPECT_TRUE(about.lblPrivacyPolicy->isPrivacyPolicy);
    EXPECT_TRUE(about.lblUnInstallInstructions->isUnInstallInstructions);
}

TEST_F(AboutScreen, EachLinkOpensItsOwnPageEveryTime)
{
    ASSERT_TRUE(eulaPageURL() && privacyPolicyPageURL() && uninstallInstructionsPageURL());
    AboutVC about;
    clickLabel(about.lblEULA);
    clickLabel(about.lblPrivacyPolicy);
    clickLabel(about.lblUnInstallInstructions);
    clickLabel(about.lblEULA);
    ASSERT_EQ(urls.opened.size(), 4);
    EXPECT_EQ(urls.opened[0], *eulaPageURL());
    EXPECT_EQ(urls.opened[1], *privacyPolicyPageURL());
    EXPECT_EQ(urls.opened[2], *uninstallInstructionsPageURL());
    EXPECT_EQ(urls.opened[3], *eulaPageURL());
    for (const QUrl &page : urls.opened)
        EXPECT_EQ(page.scheme(), "https");
}

TEST_F(AboutScreen, ShowingAgainRegistersNoFurtherObservers)
{
    const int before = NotificationCenter::defaultCenter().observerCount("hyperLinkEULA");
    {
        AboutVC about;
        EXPECT_EQ(NotificationCenter::defaultCenter().observerCount("hyperLinkEULA"), before + 1);
        about.show();
        about.lblEULA->hide();
        about.box2Condition->hide();
        about.hide();
        about.show();
        EXPECT_FALSE(about.lblEULA->isHidden());
        EXPECT_FALSE(about.box2Condition->isHidden());
        EXPECT_EQ(NotificationCenter::defaultCenter().observerCount("hyperLinkEULA"), before + 1);
        NotificationCenter::defaultCenter().post("hyperLinkEULA");
        EXPECT_EQ(urls.opened.size(), 1);
    }
    EXPECT_EQ(NotificationCenter::defaultCenter().observerCount("hyperLinkEULA"), before);
}

TEST_F(AboutScreen, CloseEndsPopUpModeWithOrWithoutAnimator)
{
    QObject owner;
    int closes = 0;
    NotificationCenter::defaultCenter().addObserver(&owner, "closeToExitVC",
                                                    [&](const platform::Notification &) { ++closes; });
    const auto savedAnimator = sharedAnimator;

    sharedAnimator.reset();
    {
        AboutVC about;
        about.btnClose->click();
        EXPECT_EQ(closes, 1);
    }

    QWidget home;
    home.resize(800, 600);
    sharedAnimator = std::make_shared<CustomAnimator>(0.0, home.rect());
    auto *about = new AboutVC;
    sharedAnimator->animatePresentation(about, &home);
    about->btnClose->click();
    EXPECT_EQ(closes, 2);
    EXPECT_TRUE(platform::Dispatch::runMainLoopUntil([&] { return about->parentWidget() == nullptr; }, 5000));
    delete about;
    sharedAnimator = savedAnimator;
}

TEST_F(WelcomeTest, SupportPaneShowsTwoHelpTextsAndTitlesItsHost)
{
    QMainWindow host;
    host.setWindowTitle("before");
    auto *support = new SupportVC;
    EXPECT_EQ(support->lblForHelpOnAnySystemRelated->text(),
              localizedText("IDS_TWK_6") + "\n" + localizedText("IDS_TWK_7"));
    EXPECT_EQ(support->lblLiveHelpAvailableCallus->text(), localizedText("IDS_TWK_5"));
    EXPECT_TRUE(support->lblContactNo->isHidden());
    EXPECT_TRUE(support->lblTollFree24x7->isHidden());
    EXPECT_TRUE(support->lblAdditionalOffers->isHidden());

    host.setCentralWidget(support);
    host.show();
    EXPECT_EQ(host.windowTitle(), localizedText("IDS_TWK_270"));

    SupportVC alone;
    alone.setWindowTitle("own");
    alone.show();
    EXPECT_EQ(alone.windowTitle(), "own");
}

TEST_F(WelcomeTest, SplashDismissalRunsLaterAndNotAfterItsOwnerIsGone)
{
    SplashVC splash;
    EXPECT_EQ(splash.lblTitle->text(), localizedText("IDS_TWK_1"));
    EXPECT_EQ(SplashVC::kDisplaySeconds, 2.0);

    int dismissed = 0;
    QObject owner;
    SplashVC::scheduleDismissal([&] { ++dismissed; }, &owner, 0.0);
    EXPECT_EQ(dismissed, 0); // never at once
    ASSERT_TRUE(platform::Dispatch::runMainLoopUntil([&] { return dismissed == 1; }, 5000));

    auto *gone = new QObject;
    bool later = false;
    SplashVC::scheduleDismissal([&] { ++dismissed; }, gone, 0.0);
    delete gone;
    platform::Dispatch::mainAfter(0.0, [&] { later = true; });
    ASSERT_TRUE(platform::Dispatch::runMainLoopUntil([&] { return later; }, 5000));
    EXPECT_EQ(dismissed, 1);
}

TEST_F(WelcomeTest, HelpPopoverShowsTheTextOfTheButtonNowHovered)
{
    ToolTipsDetailsVC content;
    EXPECT_TRUE(content.messageValue.isEmpty());
    QWidget pane;
    auto *first = new QPushButton("?", &pane);
    auto *second = new QPushButton("?", &pane);
    auto *unknown = new QPushButton("?", &pane);
    pane.show();
    {
        HelpPopover popover(&content);
        popover.attach(first, "IDS_TWK_187");
        popover.attach(second, "IDS_TWK_189");
        popover.attach(unknown, "IDS_TWK_NO_SUCH_KEY");

        hover(first, true);
        EXPECT_TRUE(popover.isShown());
        EXPECT_EQ(content.message->text(), localizedText("IDS_TWK_187"));
        hover(first, false);
        EXPECT_FALSE(popover.isShown());

        hover(second, true);
        EXPECT_EQ(content.messageValue, localizedText("IDS_TWK_189"));
        EXPECT_EQ(content.message->text(), localizedText("IDS_TWK_189"));
        EXPECT_NE(content.message->text(), localizedText("IDS_TWK_187"));
        EXPECT_EQ(popover.anchor(), second);
        hover(second, false);

        hover(unknown, true);
        EXPECT_TRUE(popover.isShown());
        EXPECT_TRUE(content.message->text().isEmpty());
    }
    // The content outlives the popover: it belongs to the screen registry.
    EXPECT_EQ(content.parent(), nullptr);
}
