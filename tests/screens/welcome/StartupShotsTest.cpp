// The welcome, splash, about, support and help screens as a user sees them: in the dark theme, every
// label and button inside the screen, one-line texts whole, buttons apart. With TWINSIFT_SHOT_DIR set
// the pictures are written there to be looked at.
#include "screens/welcome/WelcomeFixtures.h"
#include "support/ScreenChecks.h"

#include "screens/welcome/AboutVC.h"
#include "screens/welcome/HelpPopover.h"
#include "screens/welcome/SplashVC.h"
#include "screens/welcome/StartupVC.h"
#include "screens/welcome/SupportVC.h"
#include "screens/welcome/ToolTipsDetailsVC.h"

#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QPixmap>
#include <QPushButton>

namespace {

void check(QWidget &screen, const QString &name)
{
    screen.show();
    if (screen.layout())
        screen.layout()->activate();
    screenchecks::expectLaidOutWhole(&screen, name.toStdString());
    // The top-left corner shows the theme's dark background.
    const QColor corner = screen.grab().toImage().pixelColor(3, 3);
    EXPECT_LT(corner.lightness(), 80) << name.toStdString();
    screenchecks::pictureFor(&screen, name);
}

} // namespace

TEST_F(WelcomeTest, ScreensRenderInTheDarkTheme)
{
    StartupVC startup;
    startup.fillRecommendation([](const QString &) { return false; });
    check(startup, "welcome");
    startup.fillRecommendation([](const QString &) { return true; });
    check(startup, "welcome-all-installed");

    SplashVC splash;
    check(splash, "splash");

    AboutVC about;
    about.resize(860, 520);
    check(about, "about");

    SupportVC support;
    support.resize(520, 240);
    check(support, "support");

    ToolTipsDetailsVC tips;
    tips.message->setText("How alike two photos must look to be shown in one group.");
    check(tips, "help-popover");
}
